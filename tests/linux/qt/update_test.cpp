#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "device/commands.h"
#include "resources/firmware_image.h"
#include "sim/sim_errors.h"
#include "tests/linux/qt/updater_window_fixture.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo::qt::test {
namespace {

// What the progress window showed at each pause of the update.
struct ProgressSighting {
    bool visible = false;
    int value = 0;
    QString title;
};

// Forwards to the virtual clock and looks at the progress window at every pause, while the
// update runs without an event loop.
class WatchingClock final : public Clock {
  public:
    WatchingClock(sim::VirtualClock& inner, const QtWindowOps*& ops) : inner_(inner), ops_(ops) {}
    void sleepMs(std::uint32_t ms) override {
        if (ops_ != nullptr && ops_->progressWindow() != nullptr) {
            const QProgressBar* bar = ops_->progressWindow();
            sightings.push_back({bar->isVisible(), bar->value(), bar->windowTitle()});
            if (duringBlocks) {
                std::exchange(duringBlocks, nullptr)();
            }
        }
        inner_.sleepMs(ms);
    }
    std::uint64_t nowMicros() const override { return inner_.nowMicros(); }

    std::vector<ProgressSighting> sightings;
    std::function<void()> duringBlocks;  // runs once, at the first pause after a block

  private:
    sim::VirtualClock& inner_;
    const QtWindowOps*& ops_;
};

class UpdateTest : public UpdaterWindowTest {
  protected:
    void startWatched() {
        window = std::make_unique<UpdaterWindow>(*hid, watching, *notifications);
        watchedOps = &window->ops();
        boxes->setOwner(&window->dialog());
        ASSERT_TRUE(dialog().initialise());
        dialog().show();
    }

    const QtWindowOps* watchedOps = nullptr;
    WatchingClock watching{clock, watchedOps};
};

// The progress window shows every position while the blocks are written, then the image is
// in the flash and the window shows success.
TEST_F(UpdateTest, ClickOnUpdateWritesTheImageWithProgressAndShowsSuccess) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    startWatched();

    clickUpdate();

    const auto& seen = watching.sightings;
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](const ProgressSighting& s) {
        return s.visible && s.title == boxText(kMsgProgressTitle);
    }));
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(),
                               [](const auto& a, const auto& b) { return a.value < b.value; }));
    EXPECT_EQ(seen.back().value, 100);
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(),
                            [](const ProgressSighting& s) { return s.value == 50; }));
    const sim::FlashModel& flash = hid->unit(unit).flash;
    ASSERT_GE(flash.contents.size(), talo_firmware_image_size);
    EXPECT_TRUE(std::equal(talo_firmware_image, talo_firmware_image + talo_firmware_image_size,
                           flash.contents.begin()));
    EXPECT_TRUE(showsMessageAlone(ops(), kMsgUpdateSucceeded));
    EXPECT_EQ(ops().controlText(kIdControllerVersion), u"1.8");
    EXPECT_FALSE(dialog().button(kIdUpdate)->isEnabled());
    EXPECT_EQ(ops().progressWindow(), nullptr);
    EXPECT_TRUE(boxes->shown().empty());
    saveScreenshot(QStringLiteral("update-succeeded"));
}

// Posts a press and release of the left button in the middle of `widget`.
void postClick(QWidget* widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(centre);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QCoreApplication::postEvent(widget, new QMouseEvent(type, centre, global, Qt::LeftButton,
                                                            Qt::LeftButton, Qt::NoModifier));
    }
}

void postEscape(QWidget* widget) {
    QCoreApplication::postEvent(widget,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
}

enum class CloseBy { CloseBox, Escape };

class CloseRequestTest : public UpdateTest, public ::testing::WithParamInterface<CloseBy> {
  protected:
    void requestClose() {
        if (GetParam() == CloseBy::CloseBox) {
            dialog().close();
        } else {
            postEscape(dialog().button(kIdQuit));
            window->serviceWindows();
        }
    }
};

TEST_P(CloseRequestTest, DuringTheBlocksItEndsTheWindowOnlyAfterTheUpdate) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    startWatched();
    bool endedDuringBlocks = true;
    watching.duringBlocks = [this, &endedDuringBlocks] {
        requestClose();
        endedDuringBlocks = dialog().hasEnded();
    };

    clickUpdate();

    EXPECT_FALSE(endedDuringBlocks);
    EXPECT_EQ(hid->unit(unit).flash.bytesWritten, talo_firmware_image_size);
    EXPECT_TRUE(dialog().hasEnded());
    EXPECT_EQ(dialog().result(), 2);
    EXPECT_FALSE(window->session().isOpen());
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseRequestTest,
                         ::testing::Values(CloseBy::CloseBox, CloseBy::Escape),
                         [](const ::testing::TestParamInfo<CloseBy>& way) {
                             return way.param == CloseBy::CloseBox ? "CloseBox" : "Escape";
                         });

TEST_F(UpdateTest, DeviceEventsDuringTheWriteAreDeliveredAfterIt) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    hid->unit(unit).disconnectAtWriteBlock = 5;
    startWatched();
    sim::DeviceId second = 0;
    std::uint32_t opensDuringWrite = 1;
    watching.duringBlocks = [this, &second, &opensDuringWrite] {
        second = plug(sim::Situation::Ready);
        window->serviceWindows();
        opensDuringWrite = hid->openAttempts(second);
    };

    clickUpdate();
    settle();

    EXPECT_EQ(opensDuringWrite, 0u);
    // Delivered in the failure box's loop: the arrival finds no unit open and evaluates.
    EXPECT_GT(hid->openAttempts(second), 0u);
    EXPECT_TRUE(dialog().button(kIdUpdate)->isEnabled());
}

// "Update" clicked during the write starts nothing; "Beenden" ends the window, but only once
// the update has ended.
TEST_F(UpdateTest, ClicksDuringTheWriteStartNothingAndBeendenEndsAfterwards) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    startWatched();
    watching.duringBlocks = [this] {
        postClick(dialog().button(kIdUpdate));
        postClick(dialog().button(kIdQuit));
        window->serviceWindows();
    };

    clickUpdate();
    settle();

    const std::vector<std::uint8_t> commands = hid->unit(unit).deliveredCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), kCmdEraseFirmware), 1);
    EXPECT_EQ(commands.back(), kCmdSetSystemLock);  // the restore ran to its end
    EXPECT_TRUE(dialog().hasEnded());
    EXPECT_TRUE(showsMessageAlone(ops(), kMsgUpdateSucceeded));
}

TEST_F(UpdateTest, DowngradeQuestionInGermanSendsNothingUntilAnsweredYes) {
    const sim::DeviceId unit = plug(sim::Situation::Downgrade);
    start();
    hid->unit(unit).clearLog();
    boxes->answer(QMessageBox::No);

    clickUpdate();

    ASSERT_EQ(boxes->shown().size(), 1u);
    const ShownBox& question = boxes->shown().front();
    EXPECT_EQ(question.caption, boxText(kMsgDowngradeCaption));
    EXPECT_EQ(question.text, boxText(kMsgDowngradeText));
    EXPECT_EQ(question.icon, QMessageBox::Warning);
    EXPECT_TRUE(question.buttons.contains(QStringLiteral("&Ja")) ||
                question.buttons.contains(QStringLiteral("Ja")))
        << question.buttons.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(hid->unit(unit).requests.empty());
    EXPECT_TRUE(showsMessageAlone(ops(), kMsgReady));

    boxes->answer(QMessageBox::Yes);
    clickUpdate();

    EXPECT_EQ(hid->unit(unit).flash.bytesWritten, talo_firmware_image_size);
    EXPECT_TRUE(showsMessageAlone(ops(), kMsgUpdateSucceeded));
}

// The failure box names the step and the codes, and comes once the progress window is gone.
TEST_F(UpdateTest, FailureBoxNamesTheStepAndTheCodesAfterTheProgressWindowIsGone) {
    const struct {
        const char* name;
        std::function<void(sim::SimulatedUnit&)> fault;
        std::uint16_t step;
        QString codes;
    } cases[] = {{"failure-unprotect",
                  [](sim::SimulatedUnit& u) {
                      u.injectFault(kCmdSetWriteProtect, sim::FaultKind::WrongEcho);
                  },
                  kMsgUnprotectFailed, QStringLiteral("0x0000065b-0x00000000")},
                 {"failure-block", [](sim::SimulatedUnit& u) { u.disconnectAtWriteBlock = 5; },
                  kMsgWriteBlockFailed,
                  QStringLiteral("0xfffffffe-0x%1")
                      .arg(sim::kErrorDeviceNotConnected, 8, 16, QLatin1Char('0'))}};
    for (const auto& c : cases) {
        const sim::DeviceId unit = plug(sim::Situation::Ready);
        c.fault(hid->unit(unit));
        start();
        boxes->saveImages(QStringLiteral(TALO_QT_SCREENSHOT_DIR), QString::fromLatin1(c.name));
        bool progressGoneDuringBox = false;
        boxes->answer(QMessageBox::Ok, [this, &progressGoneDuringBox] {
            progressGoneDuringBox = ops().progressWindow() == nullptr;
        });

        clickUpdate();
        settle();

        ASSERT_EQ(boxes->shown().size(), 1u) << c.name;
        const ShownBox& failure = boxes->shown().front();
        EXPECT_EQ(failure.caption, QStringLiteral("Update fehlgeschlagen!"));
        EXPECT_EQ(failure.text,
                  boxText(c.step) + QStringLiteral("\nDas System meldet Fehlercode ") + c.codes);
        EXPECT_EQ(failure.icon, QMessageBox::Critical);
        EXPECT_TRUE(progressGoneDuringBox);
        // A removal delivered once the update had ended finds no unit open and changes nothing.
        EXPECT_TRUE(showsMessageAlone(ops(), kMsgUpdateAborted));
        EXPECT_FALSE(dialog().button(kIdUpdate)->isEnabled());
        EXPECT_FALSE(window->session().isOpen());
        saveScreenshot(QStringLiteral("update-%1").arg(QString::fromLatin1(c.name)));
        window.reset();
        hid->unplug(unit);
        boxes = std::make_unique<MessageBoxScript>();
    }
}

}  // namespace
}  // namespace talo::qt::test
