// talo-updater: the firmware updater's window on Linux, driving units through hidraw.
#include <QApplication>

#include "history/file_journal.h"
#include "platform/linux/hid/linux_hid_platform.h"
#include "platform/linux/pacing/responsive_clock.h"
#include "platform/linux/pacing/timer_slack.h"
#include "platform/linux/power/logind_inhibitor.h"
#include "platform/linux/qt/application_setup.h"
#include "platform/linux/qt/hotplug_source.h"
#include "platform/linux/qt/updater_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Lets the desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TALO_APP_ID));
    talo::qt::prepareApplication(app);

    talo::LinuxHidPlatform hid;
    talo::requestFineTimerSlack();
    talo::ResponsiveClock clock;
    talo::qt::HotplugSource hotplug;
    talo::LogindInhibitor awake("talo-updater", talo::keepAwakeReason());
    talo::qt::UpdaterWindow window(hid, clock, hotplug, talo::qt::carriedImage(), &awake);
    talo::FileJournal journal = talo::windowJournal("talo-updater", talo::qt::carriedImage());
    window.logic().context().journal = &journal;
    window.setPermissionProbe([&hid] { return hid.sawUnitWithoutPermission(); });
    // The write runs on the window's thread; its pauses and reads keep the window alive.
    clock.setService([&window] { window.serviceWindows(); });
    hid.setWaitService([&window] { window.serviceWindows(); });
    window.run();
    // The dialog's result does not change the exit code.
    return 0;
}
