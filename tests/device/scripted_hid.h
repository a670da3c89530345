#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/hid_platform.h"

namespace talo::test {

// One open device answering with scripted input reports and capturing every output report.
// For protocol tests that need answers the simulated unit would never give.
class ScriptedHid final : public HidPlatform {
  public:
    static constexpr HidHandle kHandle = 0x42;
    static constexpr std::uint32_t kWriteError = 31;
    static constexpr std::uint32_t kReadError = 1167;

    std::uint32_t outputLength = 65;
    std::uint32_t inputLength = 65;
    bool failWrite = false;
    bool failRead = false;
    std::deque<std::vector<std::uint8_t>> answers;    // answer bytes from byte 0 on
    std::vector<std::vector<std::uint8_t>> requests;  // every report written, whole
    std::vector<std::uint8_t> firstByteBeforeRead;    // buffer byte 0 as each read began
    std::size_t reads = 0;

    // Queues an answer: status byte, byte 3 and data from byte 4 on.
    void answer(std::uint8_t status, std::uint8_t byte3, std::vector<std::uint8_t> data = {});

    bool listInterfaces(std::vector<std::u16string>& paths) override;
    HidHandle open(const std::u16string& path) override;
    void close(HidHandle handle) override;
    bool attributes(HidHandle handle, std::uint16_t& vendorId, std::uint16_t& productId) override;
    bool reportLengths(HidHandle handle, std::uint32_t& input, std::uint32_t& output) override;
    bool writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) override;
    bool readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                    std::uint32_t timeoutMs) override;
    bool claim(HidHandle, UnitClaim) override { return true; }
    void releaseClaim(HidHandle) override {}
    std::uint32_t lastError() const override { return lastError_; }

  private:
    std::uint32_t lastError_ = 0;
};

}  // namespace talo::test
