#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "device/byte_order.h"
#include "device/commands.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"

namespace talo::sim::test {

// An answer report that the unit marked as an error with `code` in bytes 4-7.
inline ::testing::AssertionResult IsUnitError(const std::vector<std::uint8_t>& answer,
                                              std::uint32_t code) {
    if (answer.size() < 8) {
        return ::testing::AssertionFailure() << "no answer (" << answer.size() << " bytes)";
    }
    if (answer[1] != kStatusError) {
        return ::testing::AssertionFailure() << "status 0x" << std::hex << int{answer[1]};
    }
    if (readLe32(&answer[4]) != code) {
        return ::testing::AssertionFailure()
               << "error code 0x" << std::hex << readLe32(&answer[4]) << ", expected 0x" << code;
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult IsAccepted(const std::vector<std::uint8_t>& answer) {
    if (answer.size() < 8) {
        return ::testing::AssertionFailure() << "no answer (" << answer.size() << " bytes)";
    }
    if (answer[1] == kStatusError) {
        return ::testing::AssertionFailure()
               << "refused with code 0x" << std::hex << readLe32(&answer[4]);
    }
    return ::testing::AssertionSuccess();
}

// One simulated unit, open, driven with raw reports so that the unit is checked on its own.
class SimUnitTest : public ::testing::Test {
  protected:
    void SetUp() override { plugUnit(makeUnit(Situation::Ready)); }

    void plugUnit(SimulatedUnit newUnit) {
        id = hid.addUnit(std::move(newUnit));
        handle = hid.open(hid.path(id));
        ASSERT_NE(handle, kInvalidHidHandle);
    }

    SimulatedUnit& unit() { return hid.unit(id); }

    // A full output report: report id, code, length byte, byte 3, then `params` from byte 4.
    std::vector<std::uint8_t> request(std::uint8_t code, std::uint8_t lengthByte,
                                      std::uint8_t byte3 = 0,
                                      const std::vector<std::uint8_t>& params = {}) const {
        std::vector<std::uint8_t> report(hid.unit(id).outputReportLength, 0);
        report[0] = kOutputReportId;
        report[1] = code;
        report[2] = lengthByte;
        report[3] = byte3;
        std::copy(params.begin(), params.end(), report.begin() + 4);
        return report;
    }

    // Writes `report` and reads the answer; empty when either transfer failed.
    std::vector<std::uint8_t> exchange(const std::vector<std::uint8_t>& report) {
        if (!hid.writeReport(handle, report.data(), report.size())) {
            return {};
        }
        std::vector<std::uint8_t> answer(unit().inputReportLength, 0);
        if (!hid.readReport(handle, answer.data(), answer.size(), kReadTimeoutMs)) {
            return {};
        }
        return answer;
    }

    static std::vector<std::uint8_t> le32(std::uint32_t value, std::uint32_t second = 0) {
        std::vector<std::uint8_t> bytes(8);
        writeLe32(bytes.data(), value);
        writeLe32(bytes.data() + 4, second);
        return bytes;
    }

    std::vector<std::uint8_t> lock(bool on) {
        return exchange(request(kCmdSetSystemLock, 1, on ? 1 : 0));
    }
    std::vector<std::uint8_t> protect(bool on) {
        return exchange(request(kCmdSetWriteProtect, 1, on ? 1 : 0));
    }
    std::vector<std::uint8_t> erase(std::uint32_t word = kConfirmationWord) {
        return exchange(request(kCmdEraseFirmware, 4, 0, le32(word)));
    }
    std::vector<std::uint8_t> setAddress(std::uint32_t word = kConfirmationWord) {
        return exchange(request(kCmdSetWriteAddress, 9, 1, le32(0, word)));
    }
    std::vector<std::uint8_t> writeBlock(const std::vector<std::uint8_t>& data) {
        return exchange(request(kCmdWriteBlock, static_cast<std::uint8_t>(data.size()), 0, data));
    }

    // Lock set, protection cleared, flash erased, address 0 set.
    void prepareForWriting() {
        ASSERT_TRUE(IsAccepted(lock(true)));
        ASSERT_TRUE(IsAccepted(protect(false)));
        ASSERT_TRUE(IsAccepted(erase()));
        ASSERT_TRUE(IsAccepted(setAddress()));
    }

    static std::vector<std::uint8_t> block(std::size_t size, std::uint8_t first) {
        std::vector<std::uint8_t> data(size);
        for (std::size_t i = 0; i < size; ++i) {
            data[i] = static_cast<std::uint8_t>(first + i * 7);
        }
        return data;
    }

    VirtualClock clock;
    SimHidPlatform hid{clock};
    DeviceId id = 0;
    HidHandle handle = kInvalidHidHandle;
};

}  // namespace talo::sim::test
