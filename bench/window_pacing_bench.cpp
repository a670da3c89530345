// Runs one update through the Linux window over the simulated unit twice: once on a virtual
// clock to take the floor of mandated pauses, once on the window program's own clock (pauses
// that keep the window serviced) to take wall and CPU time. Prints key=value lines.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "bench/measured.h"
#include "platform/linux/pacing/responsive_clock.h"
#include "platform/linux/pacing/timer_slack.h"
#include "platform/linux/qt/sim_notification_source.h"
#include "platform/linux/qt/updater_window.h"
#include "resources/messages.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace {

// One update from the click on "Update" to its end; true when it succeeded.
bool runUpdate(talo::Clock& clock, talo::ResponsiveClock* responsive) {
    talo::sim::SimHidPlatform hid(clock);
    talo::qt::SimNotificationSource notifications(hid);
    hid.addUnit(talo::sim::makeUnit(talo::sim::Situation::Ready));
    talo::qt::UpdaterWindow window(hid, clock, notifications);
    if (responsive != nullptr) {
        responsive->setService([&window] { window.serviceWindows(); });
        hid.setWaitService([&window] { window.serviceWindows(); });
    }
    if (!window.dialog().initialise()) {
        return false;
    }
    window.dialog().show();
    QCoreApplication::processEvents();
    window.logic().onCommand(talo::kIdUpdate);
    if (responsive != nullptr) {
        responsive->setService({});
    }
    return window.ops().controlText(talo::kIdStatusPane) ==
           talo::catalogueText(talo::kMsgUpdateSucceeded);
}

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    talo::sim::VirtualClock virtualClock;
    if (!runUpdate(virtualClock, nullptr)) {
        std::fputs("the update on the virtual clock failed\n", stderr);
        return 1;
    }
    const double floorSeconds = static_cast<double>(virtualClock.totalPausedMs()) / 1000.0;

    talo::requestFineTimerSlack();
    talo::ResponsiveClock clock;
    // --unserviced: the same clock without servicing, for the cost of the servicing itself.
    const bool serviced = !(argc > 1 && std::string_view(argv[1]) == "--unserviced");
    bool succeeded = false;
    const talo::bench::Measured run =
        talo::bench::measure([&] { succeeded = runUpdate(clock, serviced ? &clock : nullptr); });
    if (!succeeded) {
        std::fputs("the update on the real clock failed\n", stderr);
        return 1;
    }
    std::printf("floor_s=%.3f\nwall_s=%.3f\nwall_over_floor=%.5f\ncpu_share_pct=%.3f\n",
                floorSeconds, run.wallSeconds, run.wallSeconds / floorSeconds,
                100.0 * run.cpuSeconds / run.wallSeconds);
    return 0;
}
