#pragma once

#include <memory>

#include "platform/win32/object_wait.h"
#include "platform/win32/win32_headers.h"

namespace talo::win32 {

// The SetupAPI, hid.dll and file calls of the HID layer, one method per system call with the
// call's own arguments. The layer goes through this seam so that tests can count that every
// list, capability block and event it obtains is released again.
class HidSystemCalls {
  public:
    virtual ~HidSystemCalls() = default;

    virtual void getHidGuid(GUID& guid) = 0;                           // HidD_GetHidGuid
    virtual HDEVINFO getClassDevs(const GUID& guid, DWORD flags) = 0;  // SetupDiGetClassDevsW
    virtual BOOL enumDeviceInterfaces(
        HDEVINFO list, const GUID& guid, DWORD index,
        SP_DEVICE_INTERFACE_DATA& data) = 0;  // SetupDiEnumDeviceInterfaces
    virtual BOOL getInterfaceDetail(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& data,
                                    SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                                    DWORD* requiredSize) = 0;  // SetupDiGetDeviceInterfaceDetailW
    virtual BOOL destroyDeviceInfoList(HDEVINFO list) = 0;     // SetupDiDestroyDeviceInfoList

    // CreateFileW for shared read/write with overlapped transfers.
    virtual HANDLE openDevice(const wchar_t* path) = 0;
    virtual BOOL closeHandle(HANDLE handle) = 0;  // CloseHandle

    virtual BOOLEAN getAttributes(HANDLE device, HIDD_ATTRIBUTES& attributes) = 0;
    virtual BOOLEAN getPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA& data) = 0;
    virtual NTSTATUS getCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS& caps) = 0;
    virtual BOOLEAN freePreparsedData(PHIDP_PREPARSED_DATA data) = 0;

    virtual HANDLE createEvent() = 0;  // CreateEventW: manual reset, not signalled
    virtual BOOL writeFile(HANDLE device, const void* data, DWORD length, OVERLAPPED& io) = 0;
    virtual BOOL readFile(HANDLE device, void* data, DWORD length, OVERLAPPED& io) = 0;
    virtual DWORD waitForSingleObject(HANDLE object, DWORD timeoutMs) = 0;
    virtual BOOL cancelIoEx(HANDLE device, OVERLAPPED& io) = 0;
    virtual BOOL getOverlappedResult(HANDLE device, OVERLAPPED& io, DWORD& transferred,
                                     BOOL wait) = 0;
    virtual DWORD getLastError() = 0;
    // HidD_GetSerialNumberString; `bytes` is the buffer's size in bytes.
    virtual BOOLEAN getSerialNumberString(HANDLE device, wchar_t* buffer, ULONG bytes) {
        (void)device;
        (void)buffer;
        (void)bytes;
        return FALSE;
    }
};

// The real calls, waiting with WaitForSingleObject.
HidSystemCalls& systemHidCalls();

// The real calls with transfers waiting through `wait`, which must outlive them.
std::unique_ptr<HidSystemCalls> makeSystemHidCalls(ObjectWait& wait);

}  // namespace talo::win32
