#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/linux/qt/sim_notification_source.h"
#include "platform/linux/qt/updater_window.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "ui/control_ids.h"

namespace talo::qt::test {

struct ShownBox {
    QString caption;
    QMessageBox::Icon icon;
    QStringList buttons;
    bool ownerVisible;  // whether the main window was on screen already
};

// Answers the program's message boxes inside their modal loops: each box is recorded, the next
// scripted action runs while it is open, then its button (else OK, or No) is clicked.
class MessageBoxScript : public QObject {
  public:
    MessageBoxScript() { startTimer(5); }
    void answer(QMessageBox::StandardButton button, std::function<void()> whileOpen = {}) {
        steps_.push_back({button, std::move(whileOpen)});
    }
    std::vector<ShownBox> shown;

  protected:
    void timerEvent(QTimerEvent*) override {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        shown.push_back({box->windowTitle(), box->icon(), {}, box->parentWidget()->isVisible()});
        for (const QAbstractButton* button : box->buttons()) {
            shown.back().buttons.append(button->text());
        }
        Step step{box->button(QMessageBox::Ok) != nullptr ? QMessageBox::Ok : QMessageBox::No, {}};
        if (!steps_.empty()) {
            step = std::move(steps_.front());
            steps_.pop_front();
        }
        if (step.second) {
            step.second();
        }
        box->button(step.first)->click();
    }

  private:
    using Step = std::pair<QMessageBox::StandardButton, std::function<void()>>;
    std::deque<Step> steps_;
};

// The virtual clock with a hook at every pause: the update runs no event loop of its own.
class HookedClock final : public Clock {
  public:
    void sleepMs(std::uint32_t ms) override {
        if (atPause) {
            atPause();
        }
        inner.sleepMs(ms);
    }
    std::uint64_t nowMicros() const override { return inner.nowMicros(); }
    std::function<void()> atPause;
    sim::VirtualClock inner;
};

// The updater window over simulated units on a virtual clock, on the offscreen platform.
class WindowTest : public ::testing::Test {
  protected:
    sim::DeviceId plug(sim::Situation situation) { return hid.addUnit(sim::makeUnit(situation)); }
    // Creates the window and initialises it; shows it unless that ended it.
    void start() {
        window = std::make_unique<UpdaterWindow>(hid, clock, notifications);
        if (dialog().initialise()) {
            dialog().show();
        }
    }
    // Lets the event loop deliver what waits (device notifications among it).
    static void settle() { QCoreApplication::processEvents(); }
    void click(int id) { QTest::mouseClick(dialog().button(id), Qt::LeftButton); }
    std::u16string status() { return ops().controlText(kIdStatusPane); }
    UpdaterDialog& dialog() { return window->dialog(); }
    QtWindowOps& ops() { return window->ops(); }

    HookedClock clock;
    sim::SimHidPlatform hid{clock.inner};
    SimNotificationSource notifications{hid};
    MessageBoxScript boxes;
    std::unique_ptr<UpdaterWindow> window;
};

}  // namespace talo::qt::test
