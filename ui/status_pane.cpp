#include "ui/status_pane.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/control_ids.h"
#include "ui/version_text.h"

namespace talo {
namespace {

// The version panel's controls, in the order they are enabled and disabled.
constexpr int kPanelControls[] = {kIdUnitVersion, kIdBootloaderVersion, kIdControllerVersion,
                                  kIdUnitLabel,   kIdBootloaderLabel,   kIdControllerLabel};

void enablePanel(WindowOps& window, bool enabled) {
    for (const int id : kPanelControls) {
        window.enableControl(id, enabled);
    }
}

}  // namespace

void setStatusText(WindowOps& window, const char16_t* text, bool append) {
    const std::u16string_view added = text != nullptr ? std::u16string_view(text) : u"";
    if (!append) {
        window.setControlText(kIdStatusPane, std::u16string(added));
        return;
    }
    const int shown = std::max(window.controlTextLength(kIdStatusPane), 0);
    const std::size_t capacity = static_cast<std::size_t>(shown) + added.size() + 1;
    std::vector<char16_t> buffer(capacity, u'\0');
    const int copied =
        window.getControlText(kIdStatusPane, buffer.data(), static_cast<int>(capacity));
    // The pane may report fewer characters than it announced; append right after them.
    const std::size_t start =
        std::clamp<std::size_t>(static_cast<std::size_t>(std::max(copied, 0)), 0, capacity - 1);
    const std::size_t room = capacity - 1 - start;
    const std::size_t length = std::min(added.size(), room);
    std::copy_n(added.data(), length, buffer.data() + start);
    window.setControlText(kIdStatusPane, std::u16string(buffer.data(), start + length));
}

void refreshVersionPanel(WindowOps& window, const DeviceSession& session) {
    if (!session.isOpen()) {
        window.setControlText(kIdUnitVersion, kNoUnitVersionText);
        window.setControlText(kIdBootloaderVersion, kNoUnitVersionText);
        window.setControlText(kIdControllerVersion, kNoUnitVersionText);
        // The unit label keeps naming the unit shown last, greyed.
        enablePanel(window, false);
        return;
    }
    enablePanel(window, true);
    window.setControlText(kIdUnitVersion,
                          versionText32(unitVersionForDisplay(session.unitFirmwareVersion)));
    window.setControlText(kIdBootloaderVersion,
                          versionText32(session.controllerBootloaderVersion()));
    window.setControlText(kIdControllerVersion,
                          controllerFirmwareText(session.controllerFirmwareVersion()));
    window.setControlText(kIdUnitLabel, std::u16string(unitModelName(session.productId)));
}

}  // namespace talo
