#include "platform/win32/win32_hid_platform.h"

#include <cstddef>
#include <cstring>
#include <cwchar>

#include "platform/win32/unit_claim.h"

namespace talo::win32 {
namespace {

HANDLE toHandle(HidHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The path of one interface, or an empty string when its detail data cannot be had.
std::u16string interfacePath(HidSystemCalls& calls, HDEVINFO list,
                             SP_DEVICE_INTERFACE_DATA& interfaceData) {
    DWORD required = 0;
    calls.getInterfaceDetail(list, interfaceData, nullptr, 0, &required);
    constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    if (required <= kPathOffset) {
        return {};
    }
    // DWORD elements keep the record aligned; the vector releases it on every path out.
    std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!calls.getInterfaceDetail(list, interfaceData, detail, required, nullptr)) {
        return {};
    }
    const std::size_t capacity = (required - kPathOffset) / sizeof(wchar_t);
    const std::size_t length = wcsnlen(detail->DevicePath, capacity);
    return std::u16string(detail->DevicePath, detail->DevicePath + length);
}

}  // namespace

bool Win32HidPlatform::listInterfaces(std::vector<std::u16string>& paths) {
    paths.clear();
    GUID hidClass{};
    calls_.getHidGuid(hidClass);
    HDEVINFO list = calls_.getClassDevs(hidClass, kPresentInterfaces);
    if (list == INVALID_HANDLE_VALUE) {
        return false;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof(interfaceData);
        if (!calls_.enumDeviceInterfaces(list, hidClass, index, interfaceData)) {
            break;
        }
        std::u16string path = interfacePath(calls_, list, interfaceData);
        if (!path.empty()) {
            paths.push_back(std::move(path));
        }
    }
    calls_.destroyDeviceInfoList(list);
    return true;
}

HidHandle Win32HidPlatform::open(const std::u16string& path) {
    const std::wstring widePath(path.begin(), path.end());
    HANDLE device = calls_.openDevice(widePath.c_str());
    if (device == INVALID_HANDLE_VALUE) {
        return kInvalidHidHandle;
    }
    const auto handle = reinterpret_cast<HidHandle>(device);
    paths_[handle] = path;
    return handle;
}

void Win32HidPlatform::close(HidHandle handle) {
    releaseClaim(handle);
    paths_.erase(handle);
    calls_.closeHandle(toHandle(handle));
}

namespace {

void releaseClaimObjects(HANDLE mutex, HANDLE writeMarker) {
    if (writeMarker != nullptr) {
        CloseHandle(writeMarker);
    }
    releaseUnitClaim(mutex);
}

}  // namespace

Win32HidPlatform::~Win32HidPlatform() {
    for (const auto& [handle, claim] : claims_) {
        releaseClaimObjects(claim.mutex, claim.writeMarker);
    }
}

bool Win32HidPlatform::conflictsWithOwnClaim(HidHandle handle, const std::wstring& name,
                                             UnitClaim kind) const {
    for (const auto& [other, claim] : claims_) {
        if (other != handle && claim.name == name &&
            (kind == UnitClaim::Exclusive || claim.kind == UnitClaim::Exclusive)) {
            return true;
        }
    }
    return false;
}

bool Win32HidPlatform::claim(HidHandle handle, UnitClaim kind) {
    const auto path = paths_.find(handle);
    if (path == paths_.end()) {
        return false;
    }
    std::wstring name = unitClaimMutexName(path->second);
    if (conflictsWithOwnClaim(handle, name, kind)) {
        return false;
    }
    const auto held = claims_.find(handle);
    if (held != claims_.end()) {
        // The mutex is this handle's already; no other program can hold the unit.
        if (kind == UnitClaim::Exclusive && held->second.kind == UnitClaim::Shared) {
            held->second.kind = kind;
            held->second.writeMarker = markUnitWritten(path->second);
        }
        return true;
    }
    if (kind == UnitClaim::Shared && unitIsWritten(path->second)) {
        return false;  // another program writes: waiting would only hold this one up
    }
    constexpr DWORD kSharedWaitMs = 500;
    HANDLE mutex = acquireUnitClaim(path->second, kind == UnitClaim::Shared ? kSharedWaitMs : 0);
    if (mutex == nullptr) {
        return false;
    }
    HANDLE marker = kind == UnitClaim::Exclusive ? markUnitWritten(path->second) : nullptr;
    claims_[handle] = Claim{mutex, marker, std::move(name), kind};
    return true;
}

void Win32HidPlatform::releaseClaim(HidHandle handle) {
    const auto found = claims_.find(handle);
    if (found != claims_.end()) {
        releaseClaimObjects(found->second.mutex, found->second.writeMarker);
        claims_.erase(found);
    }
}

bool Win32HidPlatform::serialNumber(HidHandle handle, std::u16string& serial) {
    if (paths_.count(handle) == 0) {
        return false;
    }
    // A USB string descriptor holds at most 126 UTF-16 units; the call adds the terminator.
    wchar_t buffer[128] = {};
    if (!calls_.getSerialNumberString(toHandle(handle), buffer, sizeof buffer - sizeof buffer[0]) ||
        buffer[0] == L'\0') {
        return false;
    }
    serial.clear();
    for (const wchar_t* c = buffer; *c != L'\0'; ++c) {
        serial.push_back(static_cast<char16_t>(*c));
    }
    return true;
}

bool Win32HidPlatform::attributes(HidHandle handle, std::uint16_t& vendorId,
                                  std::uint16_t& productId) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    if (!calls_.getAttributes(toHandle(handle), attributes)) {
        return false;
    }
    vendorId = attributes.VendorID;
    productId = attributes.ProductID;
    return true;
}

bool Win32HidPlatform::reportLengths(HidHandle handle, std::uint32_t& inputLength,
                                     std::uint32_t& outputLength) {
    PHIDP_PREPARSED_DATA data = nullptr;
    if (!calls_.getPreparsedData(toHandle(handle), data)) {
        return false;
    }
    HIDP_CAPS caps{};
    const NTSTATUS status = calls_.getCaps(data, caps);
    calls_.freePreparsedData(data);
    if (status != HIDP_STATUS_SUCCESS) {
        return false;
    }
    inputLength = caps.InputReportByteLength;
    outputLength = caps.OutputReportByteLength;
    return true;
}

bool Win32HidPlatform::writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) {
    DWORD transferred = 0;
    // Only a failed call counts: some HID stacks report one byte less than the length of a
    // numbered report although the device received all of it.
    return transfer(Direction::Write, toHandle(handle), const_cast<std::uint8_t*>(data), length,
                    kWriteTimeoutMs, transferred);
}

bool Win32HidPlatform::readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                                  std::uint32_t timeoutMs) {
    DWORD transferred = 0;
    if (!transfer(Direction::Read, toHandle(handle), data, length, timeoutMs, transferred)) {
        return false;
    }
    if (transferred < length) {
        // A short report must not leave an earlier answer's bytes behind it.
        std::memset(data + transferred, 0, length - transferred);
    }
    return true;
}

bool Win32HidPlatform::failTransfer(DWORD code) {
    lastError_ = code;
    return false;
}

bool Win32HidPlatform::transfer(Direction direction, HANDLE device, void* data, std::size_t length,
                                std::uint32_t timeoutMs, DWORD& transferred) {
    transferred = 0;
    if (length > MAXDWORD) {
        return failTransfer(ERROR_INVALID_PARAMETER);
    }
    OVERLAPPED io{};
    io.hEvent = calls_.createEvent();
    if (io.hEvent == nullptr) {
        return failTransfer(calls_.getLastError());
    }
    const auto byteCount = static_cast<DWORD>(length);
    const BOOL started = direction == Direction::Write
                             ? calls_.writeFile(device, data, byteCount, io)
                             : calls_.readFile(device, data, byteCount, io);
    DWORD error = ERROR_SUCCESS;
    if (!started) {
        error = calls_.getLastError();
    }
    if (started || error == ERROR_IO_PENDING) {
        error = ERROR_SUCCESS;
        const DWORD waited = calls_.waitForSingleObject(io.hEvent, timeoutMs);
        if (waited == WAIT_OBJECT_0) {
            if (!calls_.getOverlappedResult(device, io, transferred, FALSE)) {
                error = calls_.getLastError();
            }
        } else {
            // Cancel and wait for the cancellation, so the device no longer writes into the
            // caller's buffer and no late answer is waiting for the next read. An answer that
            // completed just before the cancel still belongs to this request.
            error = waited == WAIT_TIMEOUT ? WAIT_TIMEOUT : calls_.getLastError();
            calls_.cancelIoEx(device, io);
            if (calls_.getOverlappedResult(device, io, transferred, TRUE)) {
                error = ERROR_SUCCESS;
            }
        }
    }
    calls_.closeHandle(io.hEvent);
    if (error != ERROR_SUCCESS) {
        transferred = 0;
        return failTransfer(error);
    }
    lastError_ = 0;
    return true;
}

}  // namespace talo::win32
