// talo-updater-sim: the updater's window over simulated programming units, with a control
// window to plug and unplug units, choose their situation and inject faults.
//
//   talo-updater-sim [--situation NAME]... [--product 1|2] [--latency-ms N] [--no-control]
//                    [--image-bytes N] [--disconnect-at-block N] [--busy]
//
// NAME is ready, downgrade, bootloader, no-controller or incompatible; each one plugs in a unit
// before the window starts. Without --situation no unit is present at start. --image-bytes
// writes only the first N bytes of the carried image (a short update); --disconnect-at-block
// makes the units plugged in at start drop off at that WriteBlock (a failing update); --busy
// has another program write them (claimed elsewhere) until the control window frees them.
#include <QApplication>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "history/file_journal.h"
#include "platform/linux/pacing/responsive_clock.h"
#include "platform/linux/pacing/timer_slack.h"
#include "platform/linux/power/logind_inhibitor.h"
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
    std::size_t imageBytes = 0;           // 0: the whole image
    std::uint32_t disconnectAtBlock = 0;  // 0: never
    bool busy = false;
};

bool parseCount(const QString& text, unsigned long long& value) {
    bool ok = false;
    value = text.toULongLong(&ok);
    return ok && value > 0;
}

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
        } else if (argument == QStringLiteral("--image-bytes") && hasValue) {
            unsigned long long bytes = 0;
            if (!parseCount(arguments[++i], bytes)) {
                return false;
            }
            options.imageBytes = static_cast<std::size_t>(bytes);
        } else if (argument == QStringLiteral("--disconnect-at-block") && hasValue) {
            unsigned long long block = 0;
            if (!parseCount(arguments[++i], block) || block > UINT32_MAX) {
                return false;
            }
            options.disconnectAtBlock = static_cast<std::uint32_t>(block);
        } else if (argument == QStringLiteral("--busy")) {
            options.busy = true;
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
            "incompatible]... [--product 1|2] [--latency-ms N] [--no-control]\n"
            "                        [--image-bytes N] [--disconnect-at-block N] [--busy]\n",
            stderr);
        return 2;
    }
    talo::qt::prepareApplication(app);

    // A real clock, so the demonstration is paced like a real update.
    talo::requestFineTimerSlack();
    talo::ResponsiveClock clock;
    talo::sim::SimHidPlatform hid(clock);
    talo::qt::SimNotificationSource notifications(hid);
    talo::qt::SimControlWindow control(hid);
    for (const talo::sim::Situation situation : options.situations) {
        const talo::sim::DeviceId id = control.plugUnit(situation, options.productId);
        hid.unit(id).exchangeLatencyMicros = std::uint64_t{options.latencyMs} * 1000u;
        hid.unit(id).disconnectAtWriteBlock = options.disconnectAtBlock;
        hid.setClaimedElsewhere(id, options.busy);
    }
    if (options.controlWindow) {
        control.show();
    }

    talo::FirmwareImage image = talo::qt::carriedImage();
    if (options.imageBytes != 0 && options.imageBytes < image.size) {
        image.size = options.imageBytes;
    }
    talo::LogindInhibitor awake("talo-updater-sim", talo::keepAwakeReason());
    talo::qt::UpdaterWindow window(hid, clock, notifications, image, &awake);
    talo::FileJournal journal = talo::windowJournal("talo-updater-sim", image);
    window.logic().context().journal = &journal;
    // The write runs on the window's thread; its pauses and the simulated units' delays keep
    // the windows alive.
    clock.setService([&window] { window.serviceWindows(); });
    hid.setWaitService([&window] { window.serviceWindows(); });
    window.run();
    return 0;
}
