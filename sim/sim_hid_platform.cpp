#include "sim/sim_hid_platform.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "device/commands.h"
#include "sim/sim_errors.h"
#include "sim/virtual_clock.h"

namespace talo::sim {
namespace {

std::u16string interfacePath(std::uint16_t vendorId, std::uint16_t productId, DeviceId id) {
    // The instance part varies with the device so that two identical units differ, as two
    // USB ports do on Windows.
    const auto instance = static_cast<std::uint32_t>(0x1A2B3C4Du + id * 0x9E3779B1u);
    char text[128];
    std::snprintf(
        text, sizeof text,
        "\\\\?\\hid#vid_%04x&pid_%04x#7&%08x&0&%04x#{4d1e55b2-f16f-11cf-88cb-001111000030}",
        static_cast<unsigned>(vendorId), static_cast<unsigned>(productId),
        static_cast<unsigned>(instance), static_cast<unsigned>(id & 0xFFFF));
    std::u16string path;
    for (const char* c = text; *c != '\0'; ++c) {
        path.push_back(static_cast<char16_t>(*c));
    }
    return path;
}

char16_t lowerAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Device paths are opened without regard to letter case, as CreateFileW does.
std::u16string foldedPath(std::u16string path) {
    std::transform(path.begin(), path.end(), path.begin(), lowerAscii);
    return path;
}

}  // namespace

SimHidPlatform::SimHidPlatform(Clock& clock) : clock_(clock) {}

SimHidPlatform::~SimHidPlatform() = default;

DeviceId SimHidPlatform::addDevice(Device device) {
    const DeviceId id = devices_.size();
    device.path = interfacePath(device.vendorId, device.productId, id);
    devicesByPath_.emplace(foldedPath(device.path), id);
    devices_.push_back(std::move(device));
    order_.push_back(id);
    if (listener_) {
        const std::u16string path = devices_[id].path;
        listener_(true, path);
    }
    return id;
}

DeviceId SimHidPlatform::addUnit(SimulatedUnit unit) {
    Device device;
    device.kind = Kind::Unit;
    device.vendorId = unit.vendorId;
    device.productId = unit.productId;
    device.unit = std::make_unique<SimulatedUnit>(std::move(unit));
    return addDevice(std::move(device));
}

DeviceId SimHidPlatform::addForeignDevice(std::uint16_t vendorId, std::uint16_t productId) {
    return addPlainDevice(Kind::Foreign, vendorId, productId);
}

DeviceId SimHidPlatform::addUnopenableDevice(std::uint16_t vendorId, std::uint16_t productId) {
    return addPlainDevice(Kind::Unopenable, vendorId, productId);
}

DeviceId SimHidPlatform::addPlainDevice(Kind kind, std::uint16_t vendorId,
                                        std::uint16_t productId) {
    Device device;
    device.kind = kind;
    device.vendorId = vendorId;
    device.productId = productId;
    return addDevice(std::move(device));
}

DeviceId SimHidPlatform::addDeviceWithoutAttributes() {
    Device device;
    device.kind = Kind::NoAttributes;
    return addDevice(std::move(device));
}

void SimHidPlatform::unplug(DeviceId id) {
    Device& device = devices_.at(id);
    if (!device.plugged) {
        return;
    }
    device.plugged = false;
    device.pending.clear();
    order_.erase(std::find(order_.begin(), order_.end(), id));
    if (listener_) {
        const std::u16string path = device.path;
        listener_(false, path);
    }
}

void SimHidPlatform::plug(DeviceId id) {
    Device& device = devices_.at(id);
    if (device.plugged) {
        return;
    }
    device.plugged = true;
    order_.push_back(id);
    if (listener_) {
        const std::u16string path = device.path;
        listener_(true, path);
    }
}

bool SimHidPlatform::isPlugged(DeviceId id) const {
    return devices_.at(id).plugged;
}

SimulatedUnit& SimHidPlatform::unit(DeviceId id) {
    return *devices_.at(id).unit;
}

const SimulatedUnit& SimHidPlatform::unit(DeviceId id) const {
    return *devices_.at(id).unit;
}

const std::u16string& SimHidPlatform::path(DeviceId id) const {
    return devices_.at(id).path;
}

std::uint32_t SimHidPlatform::openCount(DeviceId id) const {
    return devices_.at(id).opens;
}

std::uint32_t SimHidPlatform::openAttempts(DeviceId id) const {
    return devices_.at(id).openAttempts;
}

std::uint32_t SimHidPlatform::closeCount(DeviceId id) const {
    return devices_.at(id).closes;
}

std::uint32_t SimHidPlatform::openHandles(DeviceId id) const {
    return devices_.at(id).openHandles;
}

std::uint32_t SimHidPlatform::totalOpenHandles() const {
    return static_cast<std::uint32_t>(handles_.size());
}

bool SimHidPlatform::listInterfaces(std::vector<std::u16string>& paths) {
    if (listingFails_) {
        return false;
    }
    paths.clear();
    for (const DeviceId id : order_) {
        paths.push_back(devices_[id].path);
    }
    return true;
}

HidHandle SimHidPlatform::open(const std::u16string& path) {
    const auto found = devicesByPath_.find(foldedPath(path));
    if (found == devicesByPath_.end() || !devices_[found->second].plugged) {
        return kInvalidHidHandle;
    }
    const DeviceId id = found->second;
    Device& device = devices_[id];
    ++device.openAttempts;
    if (device.kind == Kind::Unopenable) {
        return kInvalidHidHandle;
    }
    const HidHandle handle = nextHandle_;
    nextHandle_ += 4;  // distinct, and never the invalid value
    handles_.emplace(handle, id);
    ++device.opens;
    ++device.openHandles;
    return handle;
}

void SimHidPlatform::close(HidHandle handle) {
    const auto it = handles_.find(handle);
    if (it == handles_.end()) {
        ++invalidCloses_;
        return;
    }
    Device& device = devices_[it->second];
    ++device.closes;
    --device.openHandles;
    device.claims.erase(handle);
    handles_.erase(it);
}

bool SimHidPlatform::claim(HidHandle handle, UnitClaim kind) {
    Device* device = deviceOf(handle);
    if (device == nullptr || device->claimedElsewhere) {
        return false;
    }
    for (const auto& [holder, held] : device->claims) {
        if (holder != handle && (kind == UnitClaim::Exclusive || held == UnitClaim::Exclusive)) {
            return false;
        }
    }
    device->claims[handle] = kind;
    return true;
}

void SimHidPlatform::releaseClaim(HidHandle handle) {
    if (Device* device = deviceOf(handle)) {
        device->claims.erase(handle);
    }
}

std::optional<UnitClaim> SimHidPlatform::claimOf(HidHandle handle) const {
    const auto it = handles_.find(handle);
    if (it == handles_.end()) {
        return std::nullopt;
    }
    const auto& claims = devices_[it->second].claims;
    const auto found = claims.find(handle);
    return found == claims.end() ? std::nullopt : std::optional<UnitClaim>(found->second);
}

SimHidPlatform::Device* SimHidPlatform::deviceOf(HidHandle handle, DeviceId* id) {
    const auto it = handles_.find(handle);
    if (it == handles_.end()) {
        return nullptr;
    }
    if (id != nullptr) {
        *id = it->second;
    }
    return &devices_[it->second];
}

bool SimHidPlatform::fail(std::uint32_t error) {
    lastError_ = error;
    return false;
}

bool SimHidPlatform::attributes(HidHandle handle, std::uint16_t& vendorId,
                                std::uint16_t& productId) {
    const Device* device = deviceOf(handle);
    if (device == nullptr || !device->plugged || device->kind == Kind::NoAttributes) {
        return false;
    }
    vendorId = device->vendorId;
    productId = device->productId;
    return true;
}

bool SimHidPlatform::reportLengths(HidHandle handle, std::uint32_t& inputLength,
                                   std::uint32_t& outputLength) {
    const Device* device = deviceOf(handle);
    if (device == nullptr || !device->plugged || device->kind == Kind::NoAttributes) {
        return false;
    }
    if (device->kind == Kind::Unit) {
        inputLength = device->unit->inputReportLength;
        outputLength = device->unit->outputReportLength;
    } else {
        inputLength = 9;  // a keyboard-sized report
        outputLength = 2;
    }
    return true;
}

bool SimHidPlatform::writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) {
    DeviceId id = 0;
    Device* device = deviceOf(handle, &id);
    if (device == nullptr) {
        return fail(kErrorInvalidHandle);
    }
    if (device->kind != Kind::Unit) {
        return fail(device->plugged ? kErrorGenFailure : kErrorDeviceNotConnected);
    }
    SimulatedUnit& unit = *device->unit;
    RequestRecord record;
    record.command = length > 1 ? data[1] : 0;
    record.bytes.assign(data, data + length);
    record.atMicros = clock_.nowMicros();

    if (!device->plugged) {
        unit.requests.push_back(std::move(record));
        return fail(kErrorDeviceNotConnected);
    }
    if (length != unit.outputReportLength) {
        unit.requests.push_back(std::move(record));
        return fail(kErrorInvalidParameter);
    }
    const std::uint8_t command = record.command;
    const Fault* fault = unit.noteRequest(command);
    if (command == kCmdWriteBlock && unit.disconnectAtWriteBlock != 0 &&
        unit.requestCount(command) >= unit.disconnectAtWriteBlock) {
        unit.requests.push_back(std::move(record));
        unplug(id);
        // Set after the listener ran, so the code belongs to this write.
        return fail(kErrorDeviceNotConnected);
    }
    if (fault != nullptr && fault->kind == FaultKind::WriteFails) {
        unit.requests.push_back(std::move(record));
        return fail(kErrorGenFailure);
    }
    record.delivered = true;
    unit.requests.push_back(std::move(record));

    PendingAnswer answer;
    answer.command = command;
    answer.readFails = fault != nullptr && fault->kind == FaultKind::ReadFails;
    if (unit.answer(data, length, fault, answer.bytes)) {
        device->pending.push_back(std::move(answer));
    }
    lastError_ = 0;
    return true;
}

bool SimHidPlatform::readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                                std::uint32_t timeoutMs) {
    Device* device = deviceOf(handle);
    if (device == nullptr) {
        return fail(kErrorInvalidHandle);
    }
    if (device->kind != Kind::Unit) {
        return fail(device->plugged ? kErrorGenFailure : kErrorDeviceNotConnected);
    }
    SimulatedUnit& unit = *device->unit;
    ReadRecord record;
    record.atMicros = clock_.nowMicros();
    if (!device->plugged) {
        unit.reads.push_back(record);
        return fail(kErrorDeviceNotConnected);
    }
    if (length != unit.inputReportLength) {
        unit.reads.push_back(record);
        return fail(kErrorInvalidParameter);
    }
    const std::uint64_t limitMicros = std::uint64_t{timeoutMs} * 1000;
    if (device->pending.empty()) {
        unit.reads.push_back(record);
        passTime(clock_, limitMicros, waitService_);
        return fail(kErrorTimeout);
    }
    PendingAnswer answer = std::move(device->pending.front());
    device->pending.pop_front();
    record.command = answer.command;
    if (unit.exchangeLatencyMicros > limitMicros) {
        // The answer comes too late; the read is cancelled and its answer dropped.
        unit.reads.push_back(record);
        passTime(clock_, limitMicros, waitService_);
        return fail(kErrorTimeout);
    }
    passTime(clock_, unit.exchangeLatencyMicros, waitService_);
    if (answer.readFails) {
        unit.reads.push_back(record);
        return fail(kErrorGenFailure);
    }
    std::copy_n(answer.bytes.begin(), std::min(length, answer.bytes.size()), data);
    record.ok = true;
    unit.reads.push_back(record);
    lastError_ = 0;
    return true;
}

bool SimHidPlatform::serialNumber(HidHandle handle, std::u16string& serial) {
    const Device* device = deviceOf(handle);
    if (device == nullptr || !device->unit || device->unit->serialNumber.empty()) {
        return false;
    }
    serial = device->unit->serialNumber;
    return true;
}

}  // namespace talo::sim
