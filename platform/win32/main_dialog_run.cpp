#include "platform/win32/main_dialog_run.h"

#include "device/device_session.h"
#include "device/session.h"
#include "platform/win32/dialog_procedure.h"
#include "platform/win32/execution_state_awake.h"
#include "platform/win32/main_window_dialog.h"
#include "platform/win32/win32_window_ops.h"
#include "platform/win32/write_gate.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"
#include "ui/message_ids.h"
#include "ui/message_text.h"

namespace talo::win32 {

INT_PTR runMainDialog(HINSTANCE instance, DeviceLink link, WriteMessagePump& pump,
                      FirmwareImage image, UpdateJournal* journal) {
    DeviceSession session;
    resetSession(session);
    Win32WindowOps ops(instance);
    ExecutionStateAwake awake;
    MainWindow logic(ops, link, session, image, &awake);
    logic.context().journal = journal;
    MainWindowDialog dialog(ops, logic);
    WriteGate gate(dialog, pump, loadMessage(ops, kMsgKeepAwakeReason));
    ops.setProtectedWriteHooks(&gate);

    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(kDialogTemplateId), nullptr,
                                           mainDialogProcedure, reinterpret_cast<LPARAM>(&gate));
    // Whatever ended the dialog, the unit is let go.
    closeSession(link, session);
    return result;
}

}  // namespace talo::win32
