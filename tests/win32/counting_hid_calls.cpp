#include "tests/win32/counting_hid_calls.h"

#include <cstddef>
#include <cstring>

namespace talo::win32::testing {

HDEVINFO CountingHidCalls::getClassDevs(const GUID&, DWORD flags) {
    requestedFlags = flags;
    if (!listAvailable) {
        lastError_ = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    HANDLE list = next();
    heldLists.insert(list);
    return list;
}

BOOL CountingHidCalls::enumDeviceInterfaces(HDEVINFO, const GUID&, DWORD index,
                                            SP_DEVICE_INTERFACE_DATA& data) {
    if (index >= interfaces.size()) {
        lastError_ = ERROR_NO_MORE_ITEMS;
        return FALSE;
    }
    data.Reserved = index;
    return TRUE;
}

BOOL CountingHidCalls::getInterfaceDetail(HDEVINFO, SP_DEVICE_INTERFACE_DATA& data,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                                          DWORD* requiredSize) {
    const std::wstring& path = interfaces.at(data.Reserved);
    if (path.empty()) {
        lastError_ = ERROR_INVALID_USER_BUFFER;
        return FALSE;
    }
    // Like the real call: the size includes the record header and the path's terminator.
    const DWORD needed =
        static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                           (path.size() + 1) * sizeof(wchar_t));
    if (detail == nullptr || size < needed) {
        if (requiredSize != nullptr) {
            *requiredSize = needed;
        }
        lastError_ = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    std::memcpy(detail->DevicePath, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    return TRUE;
}

BOOL CountingHidCalls::destroyDeviceInfoList(HDEVINFO list) {
    return heldLists.erase(list) == 1 ? TRUE : FALSE;
}

BOOL CountingHidCalls::closeHandle(HANDLE handle) {
    heldEvents.erase(handle);
    return TRUE;
}

BOOLEAN CountingHidCalls::getPreparsedData(HANDLE, PHIDP_PREPARSED_DATA& data) {
    if (!preparsedSucceeds) {
        return FALSE;
    }
    data = reinterpret_cast<PHIDP_PREPARSED_DATA>(next());
    heldCapabilities.insert(data);
    return TRUE;
}

NTSTATUS CountingHidCalls::getCaps(PHIDP_PREPARSED_DATA, HIDP_CAPS& caps) {
    if (!capsSucceed) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    caps.InputReportByteLength = 65;
    caps.OutputReportByteLength = 64;
    return HIDP_STATUS_SUCCESS;
}

BOOLEAN CountingHidCalls::freePreparsedData(PHIDP_PREPARSED_DATA data) {
    return heldCapabilities.erase(data) == 1 ? TRUE : FALSE;
}

HANDLE CountingHidCalls::createEvent() {
    HANDLE event = next();
    heldEvents.insert(event);
    return event;
}

BOOL CountingHidCalls::start() {
    cancelled_ = false;
    lastError_ = startResult ? ERROR_SUCCESS : startError;
    return startResult;
}

BOOL CountingHidCalls::cancelIoEx(HANDLE, OVERLAPPED&) {
    ++cancelCalls;
    cancelled_ = true;
    return TRUE;
}

BOOL CountingHidCalls::getOverlappedResult(HANDLE, OVERLAPPED&, DWORD& transferred, BOOL wait) {
    if (cancelled_) {
        waitedForCancellation = wait != FALSE;
        lastError_ = ERROR_OPERATION_ABORTED;
        return resultAfterCancel;
    }
    transferred = completedBytes;
    lastError_ = completionError;
    return completionResult;
}

}  // namespace talo::win32::testing
