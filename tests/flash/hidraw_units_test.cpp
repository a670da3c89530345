// talo-flash against units reached through the real hidraw code path: LinuxHidPlatform over
// socket-pair "devices" that answer like the simulated unit.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "device/commands.h"
#include "device/session.h"
#include "platform/linux/hid/linux_hid_platform.h"
#include "platform/linux/hid/sysfs_hidraw_lister.h"
#include "sim/scenarios.h"
#include "tests/flash/tool_fixture.h"
#include "tests/linux/hid/fake_hidraw_ops.h"
#include "tests/linux/hid/fake_sysfs.h"

namespace talo::flash {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Output report 1 with 59 data bytes, input report 2 with 43: lengths 60 and 44.
const Bytes kUnitDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x85, 0x01,
    0x95, 0x3B, 0x09, 0x01, 0x91, 0x02, 0x85, 0x02, 0x95, 0x2B, 0x09, 0x01, 0x81, 0x02, 0xC0,
};

// Simulated units behind hidraw nodes: every open of a node gets a thread that answers on the
// device's end of the socket pair, with the unit's own answers, and notes when each request
// arrived.
class AnsweringUnits {
  public:
    struct Served {
        std::mutex mutex;
        sim::SimulatedUnit unit;
        std::vector<std::uint8_t> commands;  // of every request, in order
        std::vector<std::chrono::steady_clock::time_point> arrivals;
    };

    explicit AnsweringUnits(linuxhid::FakeHidrawOps& ops) {
        ops.onOpen = [this](const std::string& devnode, int peer) {
            const auto found = units_.find(devnode);
            if (found != units_.end()) {
                threads_.emplace_back(
                    [this, &served = found->second, peer] { serve(served, peer); });
            }
        };
    }
    ~AnsweringUnits() {
        stop_ = true;
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }

    Served& add(const std::string& devnode, sim::SimulatedUnit unit) {
        unit.outputReportLength = 60;
        unit.inputReportLength = 44;
        Served& served = units_[devnode];
        served.unit = std::move(unit);
        return served;
    }

  private:
    void serve(Served& served, int peer) {
        std::uint8_t request[64];
        while (!stop_) {
            pollfd ready{peer, POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0) {
                continue;
            }
            const ssize_t length = ::recv(peer, request, sizeof request, 0);
            if (length <= 0) {
                return;  // the program closed the node
            }
            const std::lock_guard lock(served.mutex);
            served.arrivals.push_back(std::chrono::steady_clock::now());
            served.commands.push_back(request[1]);
            const sim::Fault* fault = served.unit.noteRequest(request[1]);
            Bytes reply;
            if (served.unit.answer(request, static_cast<std::size_t>(length), fault, reply)) {
                ::send(peer, reply.data(), reply.size(), MSG_NOSIGNAL);
            }
        }
    }

    std::atomic<bool> stop_{false};
    std::map<std::string, Served> units_;
    std::deque<std::thread> threads_;
};

class HidrawUnitsTest : public ToolFixture {
  protected:
    void SetUp() override {
        ToolFixture::SetUp();
        sysfs.makeEmptySystem();
        systemHid = [this] { return std::make_unique<LinuxHidPlatform>(lister, ops); };
    }

    AnsweringUnits::Served& plug(int number, const std::string& serial,
                                 sim::SimulatedUnit unit = sim::makeUnit(sim::Situation::Ready)) {
        const std::string name = "hidraw" + std::to_string(number);
        char hidId[32];
        std::snprintf(hidId, sizeof hidId, "0003:%08X:00000001", makerVendorId());
        sysfs.addHidraw(name, hidId, serial);
        linuxhid::FakeHidrawOps::Node node;
        node.descriptor = kUnitDescriptor;
        node.vendorId = makerVendorId();
        node.productId = 1;
        ops.add("/dev/" + name, node);
        return units.add("/dev/" + name, std::move(unit));
    }

    bool holdsImage(const AnsweringUnits::Served& served) const {
        return served.unit.flash.contents == image;
    }

    // Every pause after a request was kept: the next request came no earlier.
    static void expectPausesNeverShort(const AnsweringUnits::Served& served) {
        const std::vector<std::uint8_t>& commands = served.commands;
        for (std::size_t i = 0; i + 1 < commands.size(); ++i) {
            const std::uint8_t command = commands[i];
            if (command == kCmdIdentify || command == kCmdReadControllerInfo ||
                command == kCmdReadControllerIdentity || commands[i + 1] == kCmdSetSystemLock ||
                commands[i + 1] == kCmdIdentify) {
                // Identification has no pauses, nor the restore pair, nor the gap between runs.
                continue;
            }
            const auto pause = command == kCmdEraseFirmware
                                   ? std::chrono::milliseconds(1000 + 4000 + 20)
                                   : std::chrono::milliseconds(20);
            ASSERT_GE(served.arrivals[i + 1] - served.arrivals[i], pause) << "request " << i;
        }
    }

    linuxhid::FakeSysfs sysfs;
    linuxhid::FakeHidrawOps ops;
    linuxhid::SysfsHidrawLister lister{sysfs.root(), "/dev"};
    AnsweringUnits units{ops};
};

TEST_F(HidrawUnitsTest, UnitOptionPicksTheRightOneOfTwo) {
    const AnsweringUnits::Served& first = plug(0, "TP-A");
    const AnsweringUnits::Served& second = plug(1, "TP-B");
    ASSERT_EQ(run({"update", "--unit", "TP-B"}), 0);
    EXPECT_TRUE(holdsImage(second));
    EXPECT_EQ(first.unit.requestCount(kCmdEraseFirmware), 0u);
}

TEST_F(HidrawUnitsTest, OneUnitFailingMidWriteLeavesTheOthersWritten) {
    const AnsweringUnits::Served& a = plug(0, "TP-A");
    sim::SimulatedUnit failing = sim::makeUnit(sim::Situation::Ready);
    failing.injectFault(kCmdWriteBlock, sim::FaultKind::ErrorStatus, 600, 0x0E01);
    const AnsweringUnits::Served& b = plug(1, "TP-B", std::move(failing));
    const AnsweringUnits::Served& c = plug(2, "TP-C");
    EXPECT_EQ(run({"update", "--all", "--yes"}), 1);
    EXPECT_TRUE(holdsImage(a));
    EXPECT_TRUE(holdsImage(c));
    EXPECT_EQ(b.unit.requestCount(kCmdWriteBlock), 600u);
    EXPECT_NE(out.str().find("TP-B  failed"), std::string::npos);
}

// Real clocks: about a minute. Three units side by side take no longer than one alone.
TEST_F(HidrawUnitsTest, ThreeUnitsInParallelTakeTheTimeOfOne) {
    const AnsweringUnits::Served& a = plug(0, "TP-A");
    const AnsweringUnits::Served& b = plug(1, "TP-B");
    const AnsweringUnits::Served& c = plug(2, "TP-C");
    SteadyClock mainClock;
    std::vector<std::unique_ptr<SteadyClock>> clocks;
    const auto timed = [&](std::vector<std::string> arguments) {
        out.str("");
        Environment env = environment(mainClock);
        env.unitClock = [] { return std::make_unique<SteadyClock>(); };
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(runTool(arguments, env), 0);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    const double single = timed({"update", "--unit", "TP-A", "--yes"});
    const double parallel = timed({"update", "--all", "--yes"});
    std::printf("single unit %.3f s, three units %.3f s (%.2f %%)\n", single, parallel,
                (parallel / single - 1.0) * 100.0);
    EXPECT_LE(parallel, single * 1.02);
    for (const AnsweringUnits::Served* served : {&a, &b, &c}) {
        EXPECT_TRUE(holdsImage(*served));
        expectPausesNeverShort(*served);
    }
}

}  // namespace
}  // namespace talo::flash
