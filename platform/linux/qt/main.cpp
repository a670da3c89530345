// talo-updater: the firmware updater's window on Linux, driving units through hidraw.
#include <QApplication>

#include "device/clock.h"
#include "history/file_journal.h"
#include "platform/linux/hid/linux_hid_platform.h"
#include "platform/linux/pacing/timer_slack.h"
#include "platform/linux/qt/application_setup.h"
#include "platform/linux/qt/hotplug_source.h"
#include "platform/linux/qt/updater_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    talo::qt::prepareApplication(app);

    talo::LinuxHidPlatform hid;
    talo::requestFineTimerSlack();
    talo::SteadyClock clock;
    talo::qt::HotplugSource hotplug;
    talo::qt::UpdaterWindow window(hid, clock, hotplug);
    talo::FileJournal journal = talo::windowJournal("talo-updater", talo::qt::carriedImage());
    window.logic().context().journal = &journal;
    window.setPermissionProbe([&hid] { return hid.sawUnitWithoutPermission(); });
    window.run();
    // The dialog's result does not change the exit code.
    return 0;
}
