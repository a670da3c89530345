#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <deque>
#include <thread>

#include "interrupt_guard.h"
#include "tests/flash/tool_fixture.h"

namespace talo::flash {
namespace {

// A clock that sends the process `signal` at its n-th pause (never when n is 0): the kernel
// delivers it to the installed handler as it would a key press or a closed terminal.
class SignallingClock final : public Clock {
  public:
    SignallingClock(Clock& inner, int signal, std::size_t atPause)
        : inner_(inner), signal_(signal), atPause_(atPause) {}
    void sleepMs(std::uint32_t ms) override {
        if (++pauses_ == atPause_) {
            ::kill(::getpid(), signal_);
            // A signal sent to the process may be taken by another thread, later: wait until
            // it has been taken, so that it surely arrives during this write.
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (signal_ != SIGTSTP && !interruptHeldBack() &&
                   std::chrono::steady_clock::now() < limit) {
                std::this_thread::yield();
            }
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
    // Runs `arguments` in a child process with the real handlers, its stdout and stderr a pipe
    // nobody reads (every write to them fails with EPIPE). The child exits with talo-flash's exit
    // code, or kFlashNotWritten when a unit's flash does not hold the image. A stopped child is
    // continued (and `stopped` set). Returns the exit code, or minus the signal that ended it.
    int runInChild(const std::vector<std::string>& arguments, Clock& childClock) {
        int pipes[2];
        EXPECT_EQ(pipe(pipes), 0);
        std::cout.flush();
        const pid_t child = fork();
        if (child == 0) {
            // A group of its own, whose parent is in another group of the session: never an
            // orphaned group, in which the system would ignore Ctrl-Z.
            setpgid(0, 0);
            installInterruptHandler();
            ::close(pipes[0]);
            dup2(pipes[1], STDOUT_FILENO);
            dup2(pipes[1], STDERR_FILENO);
            realStreams = true;
            Environment env = environment(childClock);
            running = &env;
            if (unitClockOverride) {
                env.unitClock = unitClockOverride;
            }
            const int code = runTool(arguments, env);
            bool written = true;
            for (std::size_t unit = 0; unit < env.simulation->pluggedUnits(); ++unit) {
                written = written && env.simulation->unit(unit).flash.contents == image;
            }
            _exit(written ? code : kFlashNotWritten);
        }
        ::close(pipes[0]);
        ::close(pipes[1]);
        int status = 0;
        waitpid(child, &status, WUNTRACED);
        stopped = WIFSTOPPED(status);
        if (stopped) {
            kill(child, SIGCONT);
            waitpid(child, &status, 0);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }

    bool stopped = false;
    Environment* running = nullptr;  // in the child: its environment
    std::function<std::unique_ptr<Clock>()> unitClockOverride;
};

// Ending signals become the exit code once every write has been restored; Ctrl-Z stops the
// process only after it. The signal comes from the only unit's clock, or the first of several.
TEST_F(SignalTest, SignalsDuringTheWriteAreHonouredAfterIt) {
    struct Case {
        const char* arguments;
        int signal;
        int exitCode;
    };
    const Case cases[] = {
        {"update --simulate", SIGINT, 130},  {"update --simulate", SIGHUP, 129},
        {"update --simulate", SIGTERM, 143}, {"update --simulate", SIGQUIT, 131},
        {"update --simulate", SIGTSTP, 0},   {"update --all --simulate=units:3", SIGTERM, 143}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments + std::to_string(c.signal));
        std::deque<sim::VirtualClock> clocks;
        std::deque<SignallingClock> signalling;
        unitClockOverride = [&]() -> std::unique_ptr<Clock> {
            return std::make_unique<BorrowedClock>(signalling.emplace_back(
                clocks.emplace_back(), c.signal, signalling.empty() ? 600 : 0));
        };
        SignallingClock mainClock(clock, c.signal, 600);  // well inside the block loop
        EXPECT_EQ(runInChild(words(c.arguments), mainClock), c.exitCode);
        EXPECT_EQ(stopped, c.signal == SIGTSTP);
    }
}

// Station mode: every unit comes, is written once and goes; Ctrl-C, pressed (by the main
// clock, some looks after the bus is empty) while no write runs, ends the program at once.
TEST_F(SignalTest, StationWritesEachArrivingUnitOnceUntilCtrlC) {
    class StationClock final : public Clock {
      public:
        explicit StationClock(Environment*& running) : running_(running) {}
        void sleepMs(std::uint32_t) override {
            const bool empty = running_ && running_->simulation->pluggedUnits() == 0;
            if (++looks_ > 4 && (empty || looks_ > 3000) && ++idleLooks_ == 20) {
                ::kill(::getpid(), SIGINT);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::uint64_t nowMicros() const override { return 0; }

      private:
        Environment*& running_;
        unsigned looks_ = 0;
        unsigned idleLooks_ = 0;
    };
    StationClock stationClock(running);
    EXPECT_EQ(runInChild({"update", "--wait", "--repeat", "--json",
                          "--simulate=units:3,arrives-after:2@2,arrives-after:4@3,"
                          "leaves-when-written"},
                         stationClock),
              -SIGINT);
    EXPECT_EQ(historyLines().size(), 3u);
    EXPECT_EQ(historyLinesWritten(), 3);
}

}  // namespace
}  // namespace talo::flash
