#pragma once

#include <map>
#include <string>

#include "device/hid_platform.h"
#include "platform/win32/hid_system_calls.h"

namespace talo::win32 {

// HidPlatform on SetupAPI and hid.dll. Devices are opened for overlapped I/O so that a read
// can be given a time limit; each transfer waits for its own completion, so callers see
// synchronous transfers. Every device list, detail buffer, capability block and event that a
// call obtains is released before the call returns, in every outcome.
class Win32HidPlatform final : public HidPlatform {
  public:
    explicit Win32HidPlatform(HidSystemCalls& calls = systemHidCalls()) : calls_(calls) {}
    ~Win32HidPlatform() override;  // lets go of every claim still held
    Win32HidPlatform(const Win32HidPlatform&) = delete;
    Win32HidPlatform& operator=(const Win32HidPlatform&) = delete;

    bool listInterfaces(std::vector<std::u16string>& paths) override;
    HidHandle open(const std::u16string& path) override;
    void close(HidHandle handle) override;
    bool attributes(HidHandle handle, std::uint16_t& vendorId, std::uint16_t& productId) override;
    bool reportLengths(HidHandle handle, std::uint32_t& inputLength,
                       std::uint32_t& outputLength) override;
    bool writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) override;
    bool readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                    std::uint32_t timeoutMs) override;
    // A claim is a named mutex per device path (unit_claim.h). A mutex cannot be shared, so a
    // shared claim holds it too, waiting briefly for another program's identification, but not
    // for another program's write. The thread that owns a mutex may take it again, so claims
    // through this program's own handles are checked against each other here.
    bool claim(HidHandle handle, UnitClaim kind) override;
    void releaseClaim(HidHandle handle) override;
    // HidD_GetSerialNumberString; a device with an empty serial number has none.
    bool serialNumber(HidHandle handle, std::u16string& serial) override;
    std::uint32_t lastError() const override { return lastError_; }

  private:
    enum class Direction { Write, Read };
    bool transfer(Direction direction, HANDLE device, void* data, std::size_t length,
                  std::uint32_t timeoutMs, DWORD& transferred);
    bool failTransfer(DWORD code);
    struct Claim {
        HANDLE mutex = nullptr;
        HANDLE writeMarker = nullptr;  // held with an exclusive claim (unit_claim.h)
        std::wstring name;             // the mutex name: equal for paths that name one device
        UnitClaim kind = UnitClaim::Shared;
    };
    bool conflictsWithOwnClaim(HidHandle handle, const std::wstring& name, UnitClaim kind) const;

    HidSystemCalls& calls_;
    std::map<HidHandle, std::u16string> paths_;  // open handles and their paths
    std::map<HidHandle, Claim> claims_;          // claimed handles
    std::uint32_t lastError_ = 0;
};

// SetupDiGetClassDevsW flags: present devices, device interfaces.
inline constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;

// Time limit of a report write; a unit that takes no report fails the command.
inline constexpr std::uint32_t kWriteTimeoutMs = 5000;

}  // namespace talo::win32
