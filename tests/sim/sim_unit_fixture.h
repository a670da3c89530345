#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "device/byte_order.h"
#include "device/commands.h"
#include "sim/scenarios.h"
#include "sim/sim_errors.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"

namespace talo::sim::test {

using Bytes = std::vector<std::uint8_t>;

// What the unit answered: 0 accepted, the code of a refusal, kNoAnswer after a failed transfer.
inline constexpr std::uint32_t kNoAnswer = 0xFFFFFFFF;
inline std::uint32_t refusal(const Bytes& answer) {
    if (answer.empty()) {
        return kNoAnswer;
    }
    return answer[1] == kStatusError ? readLe32(&answer[4]) : 0;
}

// Two little-endian words, for request parameters.
inline Bytes le32(std::uint32_t first, std::uint32_t second = 0) {
    Bytes bytes(8);
    writeLe32(bytes.data(), first);
    writeLe32(bytes.data() + 4, second);
    return bytes;
}

// One simulated unit, open, driven with raw reports so that the unit is checked on its own.
class SimUnitTest : public ::testing::Test {
  protected:
    void SetUp() override { plugUnit(makeUnit(Situation::Ready)); }
    void plugUnit(SimulatedUnit newUnit) {
        id = hid.addUnit(std::move(newUnit));
        handle = hid.open(hid.path(id));
    }
    SimulatedUnit& unit() { return hid.unit(id); }

    // A whole output report: report id, code, length byte, byte 3, then `params` from byte 4.
    Bytes request(std::uint8_t code, std::uint8_t lengthByte, std::uint8_t byte3 = 0,
                  const Bytes& params = {}) {
        Bytes report(unit().outputReportLength, 0);
        report[0] = kOutputReportId;
        report[1] = code;
        report[2] = lengthByte;
        report[3] = byte3;
        std::copy(params.begin(), params.end(), report.begin() + 4);
        return report;
    }
    // Writes `report` and reads the answer; empty when either transfer failed.
    Bytes exchange(const Bytes& report) {
        Bytes answer(unit().inputReportLength, 0);
        const bool ok = hid.writeReport(handle, report.data(), report.size()) &&
                        hid.readReport(handle, answer.data(), answer.size(), kReadTimeoutMs);
        return ok ? answer : Bytes{};
    }
    Bytes lock(bool on) { return exchange(request(kCmdSetSystemLock, 1, on ? 1 : 0)); }
    Bytes protect(bool on) { return exchange(request(kCmdSetWriteProtect, 1, on ? 1 : 0)); }
    Bytes erase(std::uint32_t word = kConfirmationWord) {
        return exchange(request(kCmdEraseFirmware, 4, 0, le32(word)));
    }
    Bytes setAddress(std::uint32_t address = 0, std::uint32_t word = kConfirmationWord) {
        return exchange(request(kCmdSetWriteAddress, 9, 1, le32(address, word)));
    }
    Bytes writeBlock(const Bytes& data) {
        return exchange(request(kCmdWriteBlock, static_cast<std::uint8_t>(data.size()), 0, data));
    }

    VirtualClock clock;
    SimHidPlatform hid{clock};
    DeviceId id = 0;
    HidHandle handle = kInvalidHidHandle;
};

}  // namespace talo::sim::test
