// talo-updater-sim: the updater's window over simulated programming units, with a control
// window to plug and unplug units, choose their situation and inject faults.
//
//   talo-updater-sim [--situation NAME]... [--product 1|2] [--latency-ms N] [--no-control]
//
// NAME is ready, downgrade, bootloader, no-controller or incompatible; each one plugs in a unit
// before the window starts. Without --situation no unit is present at start.
#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <vector>

#include "device/clock.h"
#include "history/file_journal.h"
#include "platform/linux/pacing/timer_slack.h"
#include "platform/linux/qt/application_setup.h"
#include "platform/linux/qt/sim_control_window.h"
#include "platform/linux/qt/sim_notification_source.h"
#include "platform/linux/qt/updater_window.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"

namespace {

struct Options {
    std::vector<talo::sim::Situation> situations;
    std::uint16_t productId = 1;
    unsigned latencyMs = 0;
    bool controlWindow = true;
};

bool parseOptions(const QStringList& arguments, Options& options) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QStringLiteral("--situation") && hasValue) {
            talo::sim::Situation situation{};
            if (!talo::sim::parseSituation(arguments[++i].toStdString(), situation)) {
                return false;
            }
            options.situations.push_back(situation);
        } else if (argument == QStringLiteral("--product") && hasValue) {
            options.productId = static_cast<std::uint16_t>(arguments[++i].toUInt());
        } else if (argument == QStringLiteral("--latency-ms") && hasValue) {
            options.latencyMs = arguments[++i].toUInt();
        } else if (argument == QStringLiteral("--no-control")) {
            options.controlWindow = false;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Options options;
    if (!parseOptions(QApplication::arguments(), options)) {
        std::fputs(
            "usage: talo-updater-sim [--situation ready|downgrade|bootloader|no-controller|"
            "incompatible]... [--product 1|2] [--latency-ms N] [--no-control]\n",
            stderr);
        return 2;
    }
    talo::qt::prepareApplication(app);

    // A real clock, so the demonstration is paced like a real update.
    talo::requestFineTimerSlack();
    talo::SteadyClock clock;
    talo::sim::SimHidPlatform hid(clock);
    talo::qt::SimNotificationSource notifications(hid);
    talo::qt::SimControlWindow control(hid);
    for (const talo::sim::Situation situation : options.situations) {
        const talo::sim::DeviceId id = control.plugUnit(situation, options.productId);
        hid.unit(id).exchangeLatencyMicros = std::uint64_t{options.latencyMs} * 1000u;
    }
    if (options.controlWindow) {
        control.show();
    }

    talo::qt::UpdaterWindow window(hid, clock, notifications);
    talo::FileJournal journal = talo::windowJournal("talo-updater-sim", talo::qt::carriedImage());
    window.logic().context().journal = &journal;
    window.run();
    return 0;
}
