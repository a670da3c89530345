#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <iostream>
#include <thread>

#include "interrupt_guard.h"
#include "tests/flash/tool_fixture.h"
#include "unit_job.h"

namespace talo::flash {
namespace {

// A clock that sends the process `signal` at its n-th pause: the kernel delivers it to the
// installed handler as it would a key press or a closed terminal.
class SignallingClock final : public Clock {
  public:
    SignallingClock(Clock& inner, int signal, std::size_t atPause)
        : inner_(inner), signal_(signal), atPause_(atPause) {}
    void sleepMs(std::uint32_t ms) override {
        if (++pauses_ == atPause_) {
            ::kill(::getpid(), signal_);
        }
        inner_.sleepMs(ms);
    }
    std::uint64_t nowMicros() const override { return inner_.nowMicros(); }

  private:
    Clock& inner_;
    int signal_;
    std::size_t atPause_;
    std::size_t pauses_ = 0;
};

constexpr int kFlashNotWritten = 99;

class SignalTest : public ToolFixture {
  protected:
    // Runs `arguments` in a child process with the real handlers and streams; the child exits
    // with talo-flash's exit code, or kFlashNotWritten when a unit's flash does not hold the
    // image. `prepare` runs in the child first. Returns the wait status.
    int runInChild(const std::vector<std::string>& arguments, Clock& childClock,
                   const std::function<void()>& prepare = {}, bool continueAfterStop = false,
                   std::size_t units = 1) {
        std::cout.flush();
        const pid_t child = fork();
        if (child == 0) {
            // A group of its own, whose parent is in another group of the session: never an
            // orphaned group, in which the system would ignore Ctrl-Z.
            setpgid(0, 0);
            installInterruptHandler();
            if (prepare) {
                prepare();
            } else {
                std::freopen("/dev/null", "w", stdout);  // keep the test's own output readable
                std::freopen("/dev/null", "w", stderr);
            }
            realStreams = true;
            Environment env = environment(childClock);
            if (unitClockOverride) {
                env.unitClock = unitClockOverride;
            }
            const int code = runTool(arguments, env);
            bool written = true;
            for (std::size_t unit = 0; unit < units; ++unit) {
                written = written && env.simulation->unit(unit).flash.contents == image;
            }
            std::cout.flush();
            _exit(written ? code : kFlashNotWritten);
        }
        int status = 0;
        waitpid(child, &status, WUNTRACED);
        if (continueAfterStop && WIFSTOPPED(status)) {
            stopped = true;
            kill(child, SIGCONT);
            waitpid(child, &status, 0);
        }
        return status;
    }

    bool stopped = false;
    std::function<std::unique_ptr<Clock>()> unitClockOverride;
};

TEST_F(SignalTest, EndingSignalsDuringTheWriteAreHonouredAfterTheRestore) {
    struct Case {
        int signal;
        int exitCode;
    };
    const Case cases[] = {{SIGINT, 130}, {SIGHUP, 129}, {SIGTERM, 143}, {SIGQUIT, 131}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal);
        SignallingClock signalling(clock, c.signal, 600);  // well inside the block loop
        const int status = runInChild({"update", "--simulate"}, signalling);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
    }
}

TEST_F(SignalTest, SignalDuringOneOfSeveralWritesWaitsForEveryWrite) {
    std::deque<sim::VirtualClock> clocks;
    std::deque<SignallingClock> signalling;
    unitClockOverride = [&]() -> std::unique_ptr<Clock> {
        // The first unit's clock sends SIGTERM early in its write; the others never do.
        const std::size_t atPause = signalling.empty() ? 10 : 0;
        return std::make_unique<BorrowedClock>(
            signalling.emplace_back(clocks.emplace_back(), SIGTERM, atPause));
    };
    const int status = runInChild({"update", "--all", "--simulate=units:3"}, clock, {}, false, 3);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 143);
}

TEST_F(SignalTest, CtrlZDuringTheWriteStopsTheProcessOnlyAfterIt) {
    SignallingClock signalling(clock, SIGTSTP, 600);
    const int status = runInChild({"update", "--simulate"}, signalling, {}, true);
    EXPECT_TRUE(stopped);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(SignalTest, ClosedStdoutAndStderrDoNotStopTheWrite) {
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    const int status = runInChild({"update", "--simulate"}, clock, [&pipes] {
        ::close(pipes[0]);  // nobody reads: every write to stdout or stderr fails with EPIPE
        dup2(pipes[1], STDOUT_FILENO);
        dup2(pipes[1], STDERR_FILENO);
    });
    ::close(pipes[0]);
    ::close(pipes[1]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Station mode: ends when every unit has come, been written and gone; the interrupt then
// comes (some looks later, once the last write has surely ended) while no write runs, and
// ends the program at once.
TEST_F(SignalTest, StationWritesEachArrivingUnitOnceUntilCtrlC) {
    class StationClock final : public Clock {
      public:
        explicit StationClock(Environment*& environment) : environment_(environment) {}
        void sleepMs(std::uint32_t) override {
            const SimulatedBus* bus = environment_ ? environment_->simulation.get() : nullptr;
            if (bus != nullptr && ++looks_ > 4 && bus->pluggedUnits() == 0 && ++idleLooks_ == 20) {
                ::kill(::getpid(), SIGINT);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::uint64_t nowMicros() const override { return 0; }

      private:
        Environment*& environment_;
        unsigned looks_ = 0;
        unsigned idleLooks_ = 0;
    };
    const pid_t child = fork();
    if (child == 0) {
        installInterruptHandler();
        Environment* current = nullptr;
        StationClock stationClock(current);
        Environment env = environment(stationClock);
        current = &env;
        runTool({"update", "--wait", "--repeat", "--all", "--json",
                 "--simulate=units:3,arrives-after:2@2,arrives-after:4@3,leaves-when-written"},
                env);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    const std::vector<std::string> history = historyLines();
    ASSERT_EQ(history.size(), 3u);
    for (const std::string& line : history) {
        EXPECT_NE(line.find(R"("result":"written")"), std::string::npos);
    }
}

}  // namespace
}  // namespace talo::flash
