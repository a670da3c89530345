#pragma once

#include "platform/win32/dialog_procedure.h"
#include "platform/win32/object_wait.h"
#include "ui/control_ids.h"

namespace talo::win32::testing {

// Counts the waits it is asked for and waits plainly.
class CountingWait final : public ObjectWait {
  public:
    DWORD waitFor(HANDLE object, DWORD timeoutMs) override {
        ++waits;
        return WaitForSingleObject(object, timeoutMs);
    }
    int waits = 0;
};

// The main dialog from template 110 behind the real dialog procedure; without a handler it
// keeps the template's starting state.
inline HWND createMainDialog(DialogHandler* handler) {
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kDialogTemplateId),
                              nullptr, mainDialogProcedure, reinterpret_cast<LPARAM>(handler));
}

}  // namespace talo::win32::testing
