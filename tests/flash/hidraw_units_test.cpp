// talo-flash against units reached through the real hidraw code path: LinuxHidPlatform over
// socket-pair "devices" that answer like the simulated unit.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <deque>
#include <map>
#include <thread>

#include "device/commands.h"
#include "device/session.h"
#include "platform/linux/hid/linux_hid_platform.h"
#include "sim/scenarios.h"
#include "tests/flash/tool_fixture.h"
#include "tests/linux/hid/fake_hidraw_ops.h"

namespace talo::flash {
namespace {

// Output report 1 with 59 data bytes, input report 2 with 43: lengths 60 and 44.
const std::vector<std::uint8_t> kUnitDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x85, 0x01,
    0x95, 0x3B, 0x09, 0x01, 0x91, 0x02, 0x85, 0x02, 0x95, 0x2B, 0x09, 0x01, 0x81, 0x02, 0xC0,
};

// A unit behind a hidraw node: every open of the node gets a thread that answers on the
// device's end of the socket pair with the unit's own answers.
void serve(sim::SimulatedUnit& unit, int peer, const std::atomic<bool>& stop) {
    std::uint8_t request[64];
    while (!stop) {
        pollfd ready{peer, POLLIN, 0};
        if (::poll(&ready, 1, 20) <= 0) {
            continue;
        }
        const ssize_t length = ::recv(peer, request, sizeof request, 0);
        if (length <= 0) {
            return;  // the program closed the node
        }
        std::vector<std::uint8_t> reply;
        if (unit.answer(request, static_cast<std::size_t>(length), unit.noteRequest(request[1]),
                        reply)) {
            ::send(peer, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
    }
}

class HidrawUnitsTest : public ToolFixture {
  protected:
    void SetUp() override {
        ToolFixture::SetUp();
        systemHid = [this] { return std::make_unique<LinuxHidPlatform>(ops, ops); };
        ops.onOpen = [this](const std::string& devnode, int peer) {
            threads.emplace_back(
                [this, &unit = units.at(devnode), peer] { serve(unit, peer, stop); });
        };
    }
    void TearDown() override {
        stop = true;
        for (std::thread& thread : threads) {
            thread.join();
        }
        ToolFixture::TearDown();
    }

    sim::SimulatedUnit& plug(const std::string& serial, sim::SimulatedUnit unit) {
        const std::string devnode = "/dev/hidraw" + std::to_string(units.size());
        ops.add(devnode, {kUnitDescriptor, makerVendorId(), 1, 0, serial});
        unit.outputReportLength = 60;
        unit.inputReportLength = 44;
        return units[devnode] = std::move(unit);
    }

    linuxhid::FakeHidrawOps ops;
    std::map<std::string, sim::SimulatedUnit> units;
    std::atomic<bool> stop{false};
    std::deque<std::thread> threads;
};

// `--unit` picks its unit alone; `--all` writes the others side by side, one failing leaving the
// others written. (How long side-by-side writes take is a benchmark's figure, not a test's.)
TEST_F(HidrawUnitsTest, UnitsAreWrittenAloneOrSideBySide) {
    sim::SimulatedUnit failing = sim::makeUnit(sim::Situation::Ready);
    failing.injectFault(kCmdWriteBlock, sim::FaultKind::ErrorStatus, 600, 0x0E01);
    sim::SimulatedUnit& a = plug("TP-A", sim::makeUnit(sim::Situation::Ready));
    sim::SimulatedUnit& b = plug("TP-B", std::move(failing));
    sim::SimulatedUnit& c = plug("TP-C", sim::makeUnit(sim::Situation::Ready));
    EXPECT_EQ(run("update --unit TP-A --yes"), 0);
    EXPECT_EQ(a.flash.contents, image);
    EXPECT_EQ(b.requestCount(kCmdEraseFirmware) + c.requestCount(kCmdEraseFirmware), 0u);
    EXPECT_EQ(run("update --all --yes"), 1);
    EXPECT_EQ(c.flash.contents, image);
    EXPECT_EQ(b.requestCount(kCmdWriteBlock), 600u);
    EXPECT_TRUE(said("TP-B  failed"));
}

}  // namespace
}  // namespace talo::flash
