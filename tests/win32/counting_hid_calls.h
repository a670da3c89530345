#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/win32/hid_system_calls.h"

namespace talo::win32::testing {

// A scripted HID stack that hands out numbered fake handles and records which are still
// held, so tests can check that every list, capability block and event is released.
class CountingHidCalls final : public HidSystemCalls {
  public:
    // Present interfaces; an empty path means that the interface's detail data fails.
    std::vector<std::wstring> interfaces;
    bool listAvailable = true;
    DWORD requestedFlags = 0;

    bool capsSucceed = true;
    bool preparsedSucceeds = true;

    // Transfer script.
    BOOL startResult = FALSE;  // FALSE with startError ERROR_IO_PENDING: pending
    DWORD startError = ERROR_IO_PENDING;
    DWORD waitResult = WAIT_OBJECT_0;
    BOOL completionResult = TRUE;
    DWORD completionError = ERROR_SUCCESS;
    DWORD completedBytes = 0;
    BOOL resultAfterCancel = FALSE;

    // Observations.
    std::set<HANDLE> heldLists, heldEvents;
    std::set<PHIDP_PREPARSED_DATA> heldCapabilities;
    int cancelCalls = 0;
    bool waitedForCancellation = false;

    void getHidGuid(GUID& guid) override { guid = GUID{0x4d1e55b2, 0xf16f, 0x11cf, {}}; }
    HDEVINFO getClassDevs(const GUID&, DWORD flags) override;
    BOOL enumDeviceInterfaces(HDEVINFO list, const GUID&, DWORD index,
                              SP_DEVICE_INTERFACE_DATA& data) override;
    BOOL getInterfaceDetail(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& data,
                            SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                            DWORD* requiredSize) override;
    BOOL destroyDeviceInfoList(HDEVINFO list) override;
    HANDLE openDevice(const wchar_t*) override { return next(); }
    BOOL closeHandle(HANDLE handle) override;
    BOOLEAN getAttributes(HANDLE, HIDD_ATTRIBUTES&) override { return TRUE; }
    BOOLEAN getPreparsedData(HANDLE, PHIDP_PREPARSED_DATA& data) override;
    NTSTATUS getCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS& caps) override;
    BOOLEAN freePreparsedData(PHIDP_PREPARSED_DATA data) override;
    HANDLE createEvent() override;
    BOOL writeFile(HANDLE, const void*, DWORD, OVERLAPPED&) override { return start(); }
    BOOL readFile(HANDLE, void*, DWORD, OVERLAPPED&) override { return start(); }
    DWORD waitForSingleObject(HANDLE, DWORD) override { return waitResult; }
    BOOL cancelIoEx(HANDLE, OVERLAPPED&) override;
    BOOL getOverlappedResult(HANDLE, OVERLAPPED&, DWORD& transferred, BOOL wait) override;
    DWORD getLastError() override { return lastError_; }

  private:
    HANDLE next() { return reinterpret_cast<HANDLE>(++counter_ * 16); }
    BOOL start();

    std::uintptr_t counter_ = 0;
    DWORD lastError_ = 0;
    bool cancelled_ = false;
};

}  // namespace talo::win32::testing
