#include "platform/linux/qt/permission_hint.h"

#include <string>
#include <vector>

#include "ui/control_ids.h"
#include "ui/message_ids.h"
#include "ui/status_pane.h"

namespace talo::qt {

namespace {
constexpr int kTextCapacity = 2048;
}  // namespace

void appendPermissionHint(WindowOps& window, const DeviceSession& session,
                          bool sawUnitWithoutPermission) {
    if (session.isOpen() || !sawUnitWithoutPermission) {
        return;
    }
    std::vector<char16_t> hint(kTextCapacity);
    const int hintLength = window.loadString(kMsgNoAccessRights, hint.data(), kTextCapacity);
    if (hintLength <= 0) {
        return;
    }
    const int paneLength = window.controlTextLength(kIdStatusPane);
    std::vector<char16_t> pane(static_cast<std::size_t>(paneLength) + 1);
    window.getControlText(kIdStatusPane, pane.data(), paneLength + 1);
    const std::u16string_view shown(pane.data(), static_cast<std::size_t>(paneLength));
    const std::u16string_view text(hint.data(), static_cast<std::size_t>(hintLength));
    if (shown.ends_with(text)) {
        return;
    }
    std::u16string addition = shown.empty() ? std::u16string() : std::u16string(u"\r\n\r\n");
    addition += text;
    setStatusText(window, addition.c_str(), true);
}

}  // namespace talo::qt
