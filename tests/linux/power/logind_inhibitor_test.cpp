#include "platform/linux/power/logind_inhibitor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace talo {
namespace {

// A private message bus, made the system bus, with a stand-in for logind on it. An answering one
// takes the calls on a thread of its own and answers the updater's Inhibit call (any other call
// is refused) with one end of a pipe whose other end it keeps: the pipe hangs up once every copy
// of the handed-out end is closed, which is how logind sees a lock end.
class FakeLogind {
  public:
    explicit FakeLogind(bool answering) {
        FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        serving = std::fscanf(out, "%511s %d", address, &daemon) == 2 &&
                  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address, 1) == 0 &&
                  sd_bus_open_system(&bus_) >= 0 &&
                  sd_bus_add_object(bus_, nullptr, "/org/freedesktop/login1", inhibit, this) >= 0 &&
                  sd_bus_request_name(bus_, "org.freedesktop.login1", 0) >= 0;
        ::pclose(out);
        loop_ = std::thread([this, answering] {
            while (answering && !stop) {
                if (sd_bus_process(bus_, nullptr) == 0) {
                    sd_bus_wait(bus_, 20'000);
                }
            }
        });
    }
    ~FakeLogind() {
        stop = true;
        loop_.join();
        sd_bus_flush_close_unref(bus_);
        ::close(lockEnd);
        if (daemon > 0) {
            ::kill(daemon, SIGTERM);
        }
    }

    // Whether the last lock handed out has ended, waiting up to `waitMs` for it.
    bool lockEnded(int waitMs) {
        pollfd entry{lockEnd, POLLIN, 0};
        return ::poll(&entry, 1, waitMs) == 1 && (entry.revents & POLLHUP) != 0;
    }

    char address[512] = {};
    pid_t daemon = -1;
    bool serving = false;
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    std::atomic<int> lockEnd{-1};

  private:
    static int inhibit(sd_bus_message* message, void* self, sd_bus_error* /*error*/) {
        auto& fake = *static_cast<FakeLogind*>(self);
        const std::vector<std::string> expected = {"sleep:shutdown", "talo-updater",
                                                   keepAwakeReason(), "block"};
        const char* args[4] = {};
        int pipe[2];
        if (!sd_bus_message_is_method_call(message, "org.freedesktop.login1.Manager", "Inhibit") ||
            sd_bus_message_read(message, "ssss", &args[0], &args[1], &args[2], &args[3]) < 0 ||
            std::vector<std::string>(args, args + 4) != expected || ::pipe2(pipe, O_CLOEXEC) != 0) {
            return -EINVAL;
        }
        ::close(fake.lockEnd.exchange(pipe[0]));
        ++fake.calls;
        const int r = sd_bus_reply_method_return(message, "h", pipe[1]);
        ::close(pipe[1]);
        return r;
    }

    sd_bus* bus_ = nullptr;
    std::thread loop_;
};

TEST(LogindInhibitorTest, HoldsASleepAndShutdownLockUntilReleased) {
    FakeLogind logind(true);
    ASSERT_TRUE(logind.serving) << "dbus-daemon did not start";
    EXPECT_EQ(keepAwakeReason().rfind("Die Firmware des Reglers wird geschrieben.", 0), 0u);
    {
        LogindInhibitor inhibitor("talo-updater", keepAwakeReason());
        inhibitor.hold();
        ASSERT_TRUE(inhibitor.isHeld());
        EXPECT_FALSE(logind.lockEnded(50));
        inhibitor.hold();  // already held: no second lock
        EXPECT_EQ(logind.calls, 1);

        inhibitor.release();
        EXPECT_TRUE(logind.lockEnded(2000));
        inhibitor.hold();  // held again, then ended by the destructor
    }
    EXPECT_EQ(logind.calls, 2);
    EXPECT_TRUE(logind.lockEnded(2000));
}

// No system bus, or a logind that never answers: the write goes on without a lock.
TEST(LogindInhibitorTest, WithoutAnAnsweringLogindNothingIsHeldAndLittleTimeIsLost) {
    FakeLogind silent(false);
    ASSERT_TRUE(silent.serving) << "dbus-daemon did not start";
    for (const char* bus : {"unix:path=/nonexistent", static_cast<const char*>(silent.address)}) {
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus, 1);
        LogindInhibitor inhibitor("talo-updater", keepAwakeReason());
        const auto start = std::chrono::steady_clock::now();
        inhibitor.hold();
        EXPECT_FALSE(inhibitor.isHeld()) << bus;
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(LogindInhibitor::kCallTimeoutMs + 500));
    }
}

}  // namespace
}  // namespace talo
