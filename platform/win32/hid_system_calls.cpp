#include "platform/win32/hid_system_calls.h"

namespace talo::win32 {
namespace {

class RealHidSystemCalls final : public HidSystemCalls {
  public:
    explicit RealHidSystemCalls(ObjectWait& wait) : wait_(wait) {}

    void getHidGuid(GUID& guid) override { HidD_GetHidGuid(&guid); }

    HDEVINFO getClassDevs(const GUID& guid, DWORD flags) override {
        return SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags);
    }

    BOOL enumDeviceInterfaces(HDEVINFO list, const GUID& guid, DWORD index,
                              SP_DEVICE_INTERFACE_DATA& data) override {
        return SetupDiEnumDeviceInterfaces(list, nullptr, &guid, index, &data);
    }

    BOOL getInterfaceDetail(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& data,
                            SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                            DWORD* requiredSize) override {
        return SetupDiGetDeviceInterfaceDetailW(list, &data, detail, size, requiredSize, nullptr);
    }

    BOOL destroyDeviceInfoList(HDEVINFO list) override {
        return SetupDiDestroyDeviceInfoList(list);
    }

    HANDLE openDevice(const wchar_t* path) override {
        return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED,
                           nullptr);
    }

    BOOL closeHandle(HANDLE handle) override { return CloseHandle(handle); }

    BOOLEAN getSerialNumberString(HANDLE device, wchar_t* buffer, ULONG bytes) override {
        return HidD_GetSerialNumberString(device, buffer, bytes);
    }

    BOOLEAN getAttributes(HANDLE device, HIDD_ATTRIBUTES& attributes) override {
        attributes.Size = sizeof(attributes);
        return HidD_GetAttributes(device, &attributes);
    }

    BOOLEAN getPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA& data) override {
        return HidD_GetPreparsedData(device, &data);
    }

    NTSTATUS getCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS& caps) override {
        return HidP_GetCaps(data, &caps);
    }

    BOOLEAN freePreparsedData(PHIDP_PREPARSED_DATA data) override {
        return HidD_FreePreparsedData(data);
    }

    HANDLE createEvent() override { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

    BOOL writeFile(HANDLE device, const void* data, DWORD length, OVERLAPPED& io) override {
        return WriteFile(device, data, length, nullptr, &io);
    }

    BOOL readFile(HANDLE device, void* data, DWORD length, OVERLAPPED& io) override {
        return ReadFile(device, data, length, nullptr, &io);
    }

    DWORD waitForSingleObject(HANDLE object, DWORD timeoutMs) override {
        return wait_.waitFor(object, timeoutMs);
    }

    BOOL cancelIoEx(HANDLE device, OVERLAPPED& io) override { return CancelIoEx(device, &io); }

    BOOL getOverlappedResult(HANDLE device, OVERLAPPED& io, DWORD& transferred,
                             BOOL wait) override {
        return GetOverlappedResult(device, &io, &transferred, wait);
    }

    DWORD getLastError() override { return GetLastError(); }

  private:
    ObjectWait& wait_;
};

}  // namespace

HidSystemCalls& systemHidCalls() {
    static RealHidSystemCalls calls(plainObjectWait());
    return calls;
}

std::unique_ptr<HidSystemCalls> makeSystemHidCalls(ObjectWait& wait) {
    return std::make_unique<RealHidSystemCalls>(wait);
}

}  // namespace talo::win32
