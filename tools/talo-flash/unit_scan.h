#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/hid_platform.h"

namespace talo::flash {

// One present HID device as `list` examined it.
struct ExaminedDevice {
    std::u16string path;
    bool opened = false;         // false: it could not be opened (busy, no permission)
    bool hasAttributes = false;  // false: its vendor and product ids could not be read
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool isUnit = false;    // the maker's vendor id with product 1 or 2
    std::u16string serial;  // a unit's USB serial number; empty when it has none
};

// Opens every present HID device in enumeration order, reads its ids (and a unit's serial
// number) and closes it again. Returns false when the platform cannot list its devices.
bool scanDevices(HidPlatform& hid, std::vector<ExaminedDevice>& devices);

// The programming units among the present devices, in enumeration order.
std::vector<ExaminedDevice> presentUnits(HidPlatform& hid);

// The id a unit goes by: its serial number when it has one, else its platform path (UTF-8).
std::string unitId(const ExaminedDevice& unit);

// The unit whose serial number or path is exactly `id`; null when none is.
const ExaminedDevice* findUnit(const std::vector<ExaminedDevice>& units, std::string_view id);

// "no programming unit 'X'; present: A, B" (or "...; none present").
std::string unknownUnitMessage(std::string_view id, const std::vector<ExaminedDevice>& units);

// The HID stack of one unit: lists only the device at `path`, when it is present (without a
// path, every device), and passes every other call on. So openSession, unchanged, opens
// exactly that unit.
class SelectedUnitHid final : public HidPlatform {
  public:
    SelectedUnitHid(HidPlatform& inner, std::optional<std::u16string> path)
        : inner_(inner), path_(std::move(path)) {}
    SelectedUnitHid(std::unique_ptr<HidPlatform> owned, std::optional<std::u16string> path)
        : owned_(std::move(owned)), inner_(*owned_), path_(std::move(path)) {}

    bool listInterfaces(std::vector<std::u16string>& paths) override;
    HidHandle open(const std::u16string& path) override { return inner_.open(path); }
    void close(HidHandle handle) override { inner_.close(handle); }
    bool attributes(HidHandle handle, std::uint16_t& vendorId, std::uint16_t& productId) override {
        return inner_.attributes(handle, vendorId, productId);
    }
    bool reportLengths(HidHandle handle, std::uint32_t& inputLength,
                       std::uint32_t& outputLength) override {
        return inner_.reportLengths(handle, inputLength, outputLength);
    }
    bool writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) override {
        return inner_.writeReport(handle, data, length);
    }
    bool readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                    std::uint32_t timeoutMs) override {
        return inner_.readReport(handle, data, length, timeoutMs);
    }
    bool claim(HidHandle handle, UnitClaim kind) override { return inner_.claim(handle, kind); }
    void releaseClaim(HidHandle handle) override { inner_.releaseClaim(handle); }
    bool serialNumber(HidHandle handle, std::u16string& serial) override {
        return inner_.serialNumber(handle, serial);
    }
    std::uint32_t lastError() const override { return inner_.lastError(); }

  private:
    std::unique_ptr<HidPlatform> owned_;
    HidPlatform& inner_;
    std::optional<std::u16string> path_;
};

}  // namespace talo::flash
