#include "platform/linux/power/logind_inhibitor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace talo {
namespace {

namespace fs = std::filesystem;

// A private message bus (dbus-daemon) and, on request, a stand-in for systemd-logind on it
// that answers Inhibit with one end of a pipe and keeps the other: the pipe hangs up once
// every copy of the handed-out end is closed, which is how logind sees a lock end.
class FakeLogind {
  public:
    struct Call {
        std::string what, who, why, mode;
    };

    explicit FakeLogind(const fs::path& directory) {
        socket_ = directory / "bus";
        const fs::path config = directory / "bus.conf";
        std::ofstream(config) << "<busconfig><type>custom</type><listen>unix:path="
                              << socket_.string()
                              << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                 "<allow user=\"*\"/><allow own=\"*\"/>"
                                 "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                                 "</policy></busconfig>";
        std::string configArgument = "--config-file=" + config.string();
        std::vector<char*> argv{const_cast<char*>("dbus-daemon"), configArgument.data(),
                                const_cast<char*>("--nofork"), const_cast<char*>("--nopidfile"),
                                nullptr};
        // Its notices (it cannot raise the descriptor limit in a container) are noise here.
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned =
            ::posix_spawnp(&daemon_, "dbus-daemon", &quiet, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) {
            daemon_ = -1;
            return;
        }
        for (int i = 0; i < 250 && !fs::exists(socket_); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    ~FakeLogind() {
        stop_ = true;
        if (loop_.joinable()) {
            loop_.join();
        }
        sd_bus_slot_unref(slot_);
        sd_bus_flush_close_unref(bus_);
        if (lockEnd_ >= 0) {
            ::close(lockEnd_);
        }
        if (daemon_ > 0) {
            ::kill(daemon_, SIGTERM);
            ::waitpid(daemon_, nullptr, 0);
        }
    }

    std::string address() const { return "unix:path=" + socket_.string(); }
    bool busRuns() const { return daemon_ > 0 && fs::exists(socket_); }

    // Takes the logind name on the bus and answers its calls from a thread of its own.
    bool serve() {
        static const sd_bus_vtable kManager[] = {
            SD_BUS_VTABLE_START(0),
            SD_BUS_METHOD("Inhibit", "ssss", "h", &FakeLogind::inhibit, SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_VTABLE_END};
        if (sd_bus_new(&bus_) < 0 || sd_bus_set_address(bus_, address().c_str()) < 0 ||
            sd_bus_set_bus_client(bus_, 1) < 0 || sd_bus_start(bus_) < 0 ||
            sd_bus_add_object_vtable(bus_, &slot_, "/org/freedesktop/login1",
                                     "org.freedesktop.login1.Manager", kManager, this) < 0 ||
            sd_bus_request_name(bus_, "org.freedesktop.login1", 0) < 0) {
            return false;
        }
        loop_ = std::thread([this] {
            while (!stop_) {
                if (sd_bus_process(bus_, nullptr) == 0) {
                    sd_bus_wait(bus_, 20'000);
                }
            }
        });
        return true;
    }

    std::vector<Call> calls() {
        const std::lock_guard lock(mutex_);
        return calls_;
    }

    // Whether the last lock handed out has ended, waiting up to `waitMs` for it.
    bool lockEnded(int waitMs) {
        pollfd entry{lockEnd_, POLLIN, 0};
        return ::poll(&entry, 1, waitMs) == 1 && (entry.revents & POLLHUP) != 0;
    }

  private:
    static int inhibit(sd_bus_message* message, void* self, sd_bus_error* /*error*/) {
        auto& fake = *static_cast<FakeLogind*>(self);
        const char* fields[4] = {};
        int r =
            sd_bus_message_read(message, "ssss", &fields[0], &fields[1], &fields[2], &fields[3]);
        if (r < 0) {
            return r;
        }
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0) {
            return -errno;
        }
        {
            const std::lock_guard lock(fake.mutex_);
            fake.calls_.push_back({fields[0], fields[1], fields[2], fields[3]});
            if (fake.lockEnd_ >= 0) {
                ::close(fake.lockEnd_);
            }
            fake.lockEnd_ = pipe[0];
        }
        r = sd_bus_reply_method_return(message, "h", pipe[1]);
        ::close(pipe[1]);
        return r;
    }

    fs::path socket_;
    pid_t daemon_ = -1;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* slot_ = nullptr;
    std::thread loop_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Call> calls_;
    int lockEnd_ = -1;
};

class LogindInhibitorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string directory = (fs::temp_directory_path() / "talo-logind-XXXXXX").string();
        ASSERT_NE(::mkdtemp(directory.data()), nullptr);
        directory_ = directory;
        fake_ = std::make_unique<FakeLogind>(directory_);
        ASSERT_TRUE(fake_->busRuns()) << "dbus-daemon did not start";
    }
    void TearDown() override {
        fake_.reset();
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        fs::remove_all(directory_);
    }
    static void useSystemBus(const std::string& address) {
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    }

    fs::path directory_;
    std::unique_ptr<FakeLogind> fake_;
};

TEST_F(LogindInhibitorTest, HoldsASleepAndShutdownLockUntilReleased) {
    ASSERT_TRUE(fake_->serve());
    useSystemBus(fake_->address());
    {
        LogindInhibitor inhibitor("talo-updater", keepAwakeReason());
        inhibitor.hold();

        ASSERT_TRUE(inhibitor.isHeld());
        const std::vector<FakeLogind::Call> calls = fake_->calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].what, "sleep:shutdown");
        EXPECT_EQ(calls[0].who, "talo-updater");
        EXPECT_EQ(calls[0].why,
                  "Die Firmware des Reglers wird geschrieben. Eine Unterbrechung kann den Regler "
                  "unbrauchbar machen.");
        EXPECT_EQ(calls[0].mode, "block");
        EXPECT_FALSE(fake_->lockEnded(50));

        inhibitor.release();
        EXPECT_FALSE(inhibitor.isHeld());
        EXPECT_TRUE(fake_->lockEnded(2000));

        inhibitor.hold();  // held again, then ended by the destructor
    }
    EXPECT_EQ(fake_->calls().size(), 2u);
    EXPECT_TRUE(fake_->lockEnded(2000));
}

TEST_F(LogindInhibitorTest, WithoutLogindNothingIsHeldAndNothingWaits) {
    for (const std::string& address :
         {fake_->address(), "unix:path=" + (directory_ / "no-bus").string()}) {
        SCOPED_TRACE(address);
        useSystemBus(address);
        LogindInhibitor inhibitor("talo-updater", keepAwakeReason());
        const auto start = std::chrono::steady_clock::now();

        inhibitor.hold();

        EXPECT_FALSE(inhibitor.isHeld());
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(LogindInhibitor::kCallTimeoutMs + 500));
        inhibitor.release();
    }
}

}  // namespace
}  // namespace talo
