#pragma once

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/dialog_procedure.h"
#include "platform/win32/hid_system_calls.h"
#include "ui/control_ids.h"

namespace talo::win32::testing {

// A scripted HID stack. It hands out numbered fake handles, keeps every list, capability block
// and event in `held` until it is given back, and writes the transfer calls into `trace`:
// w/r a write or read started, c cancelled, W waited for the cancellation.
class FakeHidCalls final : public HidSystemCalls {
  public:
    std::vector<std::wstring> interfaces;  // by path; an empty one has no detail data
    bool listAvailable = true, preparsedSucceeds = true, capsSucceed = true;
    DWORD requestedFlags = 0;
    // How transfers go: started at once when startError is 0, else pending with
    // ERROR_IO_PENDING or failed; the wait's result; how they complete, or end when cancelled.
    struct Transfer {
        DWORD startError = ERROR_IO_PENDING, wait = WAIT_OBJECT_0, completionError = 0;
        BOOL afterCancel = FALSE;
    } transfer;
    std::set<HANDLE> held;
    std::string trace;

    void getHidGuid(GUID& guid) override { guid = GUID{0x4d1e55b2, 0xf16f, 0x11cf, {}}; }
    HDEVINFO getClassDevs(const GUID&, DWORD flags) override {
        requestedFlags = flags;
        return listAvailable ? take() : fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    BOOL enumDeviceInterfaces(HDEVINFO, const GUID&, DWORD index,
                              SP_DEVICE_INTERFACE_DATA& data) override {
        data.Reserved = index;
        return index < interfaces.size() ? TRUE : fail(ERROR_NO_MORE_ITEMS, FALSE);
    }
    BOOL getInterfaceDetail(HDEVINFO, SP_DEVICE_INTERFACE_DATA& data,
                            SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                            DWORD* requiredSize) override {
        const std::wstring& path = interfaces.at(data.Reserved);
        // Like the system's: the size counts the record's header and the path's terminator.
        const auto needed =
            static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                               (path.size() + 1) * sizeof(wchar_t));
        if (path.empty() || detail == nullptr || size < needed) {
            if (!path.empty()) {
                *requiredSize = needed;
            }
            return fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
        }
        std::copy_n(path.c_str(), path.size() + 1, detail->DevicePath);
        return TRUE;
    }
    BOOL destroyDeviceInfoList(HDEVINFO list) override { return giveBack(list); }
    HANDLE openDevice(const wchar_t*) override { return next(); }
    BOOL closeHandle(HANDLE handle) override { return giveBack(handle); }
    BOOLEAN getAttributes(HANDLE, HIDD_ATTRIBUTES& attributes) override {
        attributes.VendorID = 0x1209;
        attributes.ProductID = 0x4711;
        return TRUE;
    }
    BOOLEAN getPreparsedData(HANDLE, PHIDP_PREPARSED_DATA& data) override {
        data = reinterpret_cast<PHIDP_PREPARSED_DATA>(preparsedSucceeds ? take() : nullptr);
        return preparsedSucceeds;
    }
    NTSTATUS getCaps(PHIDP_PREPARSED_DATA, HIDP_CAPS& caps) override {
        caps.InputReportByteLength = 65;
        caps.OutputReportByteLength = 64;
        return capsSucceed ? HIDP_STATUS_SUCCESS : HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    BOOLEAN freePreparsedData(PHIDP_PREPARSED_DATA data) override { return giveBack(data); }
    HANDLE createEvent() override { return take(); }
    BOOL writeFile(HANDLE, const void*, DWORD, OVERLAPPED&) override { return start('w'); }
    BOOL readFile(HANDLE, void*, DWORD, OVERLAPPED&) override { return start('r'); }
    DWORD waitForSingleObject(HANDLE, DWORD) override {
        return transfer.wait == WAIT_FAILED ? fail(ERROR_INVALID_HANDLE, WAIT_FAILED)
                                            : transfer.wait;
    }
    BOOL cancelIoEx(HANDLE, OVERLAPPED&) override {
        trace += 'c';
        return TRUE;
    }
    BOOL getOverlappedResult(HANDLE, OVERLAPPED&, DWORD& transferred, BOOL wait) override {
        const bool cancelled = trace.back() == 'c';
        trace += cancelled && wait ? "W" : "";
        transferred = 10;
        lastError_ = cancelled ? ERROR_OPERATION_ABORTED : transfer.completionError;
        return cancelled ? transfer.afterCancel : transfer.completionError == ERROR_SUCCESS;
    }
    DWORD getLastError() override { return lastError_; }

  private:
    HANDLE next() { return reinterpret_cast<HANDLE>(++counter_ * 16); }
    HANDLE take() { return *held.insert(next()).first; }
    bool giveBack(void* handle) { return held.erase(handle) == 1; }
    template <typename T>
    T fail(DWORD error, T result) {
        lastError_ = error;
        return result;
    }
    BOOL start(char direction) {
        trace += direction;
        return transfer.startError == 0 ? TRUE : fail(transfer.startError, FALSE);
    }

    std::uintptr_t counter_ = 0;
    DWORD lastError_ = 0;
};

// Counts the waits it is asked for and waits plainly.
class CountingWait final : public ObjectWait {
  public:
    DWORD waitFor(HANDLE object, DWORD timeoutMs) override {
        ++waits;
        return WaitForSingleObject(object, timeoutMs);
    }
    int waits = 0;
};

// " TYPE PATH" of a notification record, "" for none.
inline std::string describe(const DeviceNotification* record) {
    std::string text;
    if (record != nullptr) {
        text.append(" ").append(std::to_string(record->deviceType)).append(" ");
        text.append(record->name.begin(), record->name.end());
    }
    return text;
}

// Writes what reaches a dialog handler into `log` and answers with `answer`; of the statics
// only the controller's version gets a brush.
class RecordingHandler final : public DialogHandler {
  public:
    std::intptr_t onInitDialog(HWND) override { return add("init"); }
    std::intptr_t onCommand(int controlId) override {
        add("command " + std::to_string(controlId));
        if (controlId == kIdUpdate && duringUpdate) {
            duringUpdate();
        }
        return answer;
    }
    HBRUSH onCtlColorStatic(int controlId) override {
        add("colour " + std::to_string(controlId));
        return controlId == kIdControllerVersion ? GetSysColorBrush(COLOR_WINDOW) : nullptr;
    }
    void onPaint(HDC) override { add("paint"); }
    std::intptr_t onDeviceChange(std::uint32_t code, const DeviceNotification* record) override {
        add("device " + std::to_string(code) + describe(record));
        std::exchange(duringDeviceChange, [] {})();
        return answer;
    }
    void onTimer(UINT_PTR timerId) override { add("timer " + std::to_string(timerId)); }
    bool onSystemCommand(unsigned command) override {
        return add("system " + std::to_string(command)) != 0;
    }
    bool onQueryEndSession() override { return add("end session") != 0; }

    std::vector<std::string> log;
    std::intptr_t answer = 1;
    std::function<void()> duringUpdate;                // inside each command of "Update"
    std::function<void()> duringDeviceChange = [] {};  // once, inside the next notification

  private:
    std::intptr_t add(std::string entry) {
        log.push_back(std::move(entry));
        return answer;
    }
};

// The main dialog from template 110 with `handler` behind the real dialog procedure.
inline HWND createMainDialog(DialogHandler& handler) {
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kDialogTemplateId),
                              nullptr, mainDialogProcedure, reinterpret_cast<LPARAM>(&handler));
}

// Handles the thread's waiting messages, as the dialog's loop would.
inline void runQueue() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

// A device-interface record as WM_DEVICECHANGE brings it.
struct InterfaceRecord {
    explicit InterfaceRecord(const wchar_t* name) {
        header.dbcc_size = sizeof(*this);
        header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        std::wcscpy(header.dbcc_name, name);
    }
    LPARAM lParam() { return reinterpret_cast<LPARAM>(this); }
    DEV_BROADCAST_DEVICEINTERFACE_W header{};
    wchar_t rest[16]{};
};

}  // namespace talo::win32::testing
