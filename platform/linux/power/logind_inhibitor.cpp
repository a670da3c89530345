#include "platform/linux/power/logind_inhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <utility>

#include "device/utf8_text.h"
#include "resources/messages.h"
#include "ui/message_ids.h"

namespace talo {

namespace {

constexpr char kLogindService[] = "org.freedesktop.login1";
constexpr char kLogindPath[] = "/org/freedesktop/login1";
constexpr char kManagerInterface[] = "org.freedesktop.login1.Manager";

// Returns the inhibitor descriptor (owned by the caller), or -1.
int takeInhibitor(const std::string& who, const std::string& reason) {
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) {
        return -1;
    }
    sd_bus_set_method_call_timeout(bus, std::uint64_t{LogindInhibitor::kCallTimeoutMs} * 1000u);
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int lock = -1;
    if (sd_bus_call_method(bus, kLogindService, kLogindPath, kManagerInterface, "Inhibit", &error,
                           &reply, "ssss", "sleep:shutdown", who.c_str(), reason.c_str(),
                           "block") >= 0) {
        int received = -1;
        // The descriptor belongs to the message: keep a copy of our own.
        if (sd_bus_message_read(reply, "h", &received) >= 0 && received >= 0) {
            lock = ::fcntl(received, F_DUPFD_CLOEXEC, 3);
        }
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    sd_bus_flush_close_unref(bus);
    return lock;
}

}  // namespace

LogindInhibitor::LogindInhibitor(std::string who, std::string reason)
    : who_(std::move(who)), reason_(std::move(reason)) {}

LogindInhibitor::~LogindInhibitor() {
    release();
}

void LogindInhibitor::hold() {
    if (lock_ < 0) {
        lock_ = takeInhibitor(who_, reason_);
    }
}

void LogindInhibitor::release() {
    if (lock_ >= 0) {
        ::close(lock_);
        lock_ = -1;
    }
}

std::string keepAwakeReason() {
    return toUtf8Lossy(catalogueText(kMsgKeepAwakeReason));
}

}  // namespace talo
