#include "update/readiness.h"

#include <array>

#include "device/session.h"
#include "ui/control_ids.h"
#include "ui/format_text.h"
#include "ui/message_text.h"
#include "ui/status_pane.h"

namespace talo {

namespace {

constexpr std::uint16_t kAttachedController = 3;

// Situation, blank line, then the numbered instructions appended.
void showSituation(WindowOps& window, std::uint16_t messageId) {
    const std::u16string situation = loadMessage(window, messageId) + u"\r\n\r\n";
    setStatusText(window, situation.c_str(), 0);
    setStatusText(window, loadMessage(window, kMsgInstructions).c_str(), 1);
}

void showReady(WindowOps& window) {
    setStatusText(window, loadMessage(window, kMsgReady).c_str(), 0);
}

// Modal: device notifications delivered while it is open may run a nested evaluation.
void showIncompatibleBox(WindowOps& window) {
    std::array<char16_t, kMessageCapacity> text{};
    formatText(text.data(), text.size(), loadMessage(window, kMsgIncompatibleText), {kModelName});
    window.messageBox(text.data(), loadMessage(window, kMsgIncompatibleCaption),
                      MessageBoxKind::Information);
}

char16_t foldAsciiLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

void onRemoval(UpdaterContext& context, const DeviceNotification& record) {
    const DeviceSession& session = context.session;
    if (!session.isOpen() || !session.devicePath ||
        !sameDevicePath(record.name, *session.devicePath)) {
        return;
    }
    closeSession(context.link, context.session);
    context.window.enableControl(kIdUpdate, false);
    refreshVersionPanel(context.window, context.session);
    showSituation(context.window, kMsgConnectionLost);
}

}  // namespace

std::uint16_t guidanceMessage(Readiness outcome) {
    switch (outcome) {
        case Readiness::NoDevice:
            return kMsgNoUnitFound;
        case Readiness::WrongMode:
            return kMsgWrongMode;
        case Readiness::NoController:
            return kMsgNoController;
        case Readiness::IncompatibleController:
            return kMsgIncompatible;
        case Readiness::Ready:
            break;
    }
    return kMsgReady;
}

Readiness readinessOf(std::int32_t openResult, const DeviceSession& session) {
    if (openResult != 0) {
        return Readiness::NoDevice;
    }
    if (session.unitMode != 0) {
        return Readiness::WrongMode;
    }
    if (session.attachedType != kAttachedController) {
        return Readiness::NoController;
    }
    if (session.controllerTypeCode() != kSupportedControllerType) {
        return Readiness::IncompatibleController;
    }
    return Readiness::Ready;
}

// Every step works on this call's own outcome, so an evaluation nested inside the
// information box cannot change what the interrupted one still has to show.
void evaluateReadiness(UpdaterContext& context, EvaluationCaller caller) {
    WindowOps& window = context.window;
    const std::int32_t openResult = openSession(context.link, context.session);
    const Readiness outcome = readinessOf(openResult, context.session);
    const bool startUp = caller == EvaluationCaller::StartUp;

    if (outcome == Readiness::NoDevice && !startUp) {
        return;  // an unrelated device arrived; leave the window (and the session) as it is
    }
    if (outcome == Readiness::Ready) {
        showReady(window);
        if (startUp) {
            window.enableControl(kIdUpdate, true);
            refreshVersionPanel(window, context.session);
        } else {
            refreshVersionPanel(window, context.session);
            window.enableControl(kIdUpdate, true);
        }
        return;
    }

    window.enableControl(kIdUpdate, false);
    closeSession(context.link, context.session);
    if (outcome == Readiness::IncompatibleController) {
        showIncompatibleBox(window);
    }
    showSituation(window, guidanceMessage(outcome));
    if (startUp) {
        refreshVersionPanel(window, context.session);
    }
}

bool sameDevicePath(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAsciiLetter(a[i]) != foldAsciiLetter(b[i])) {
            return false;
        }
    }
    return true;
}

bool onDeviceChange(UpdaterContext& context, std::uint32_t eventCode,
                    const DeviceNotification* record) {
    if (eventCode != kDeviceArrival && eventCode != kDeviceRemoveComplete) {
        return false;
    }
    if (record == nullptr || record->deviceType != kDeviceTypeInterface) {
        return true;
    }
    if (eventCode == kDeviceArrival) {
        if (!context.session.isOpen()) {
            evaluateReadiness(context, EvaluationCaller::Arrival);
        }
    } else {
        onRemoval(context, *record);
    }
    return true;
}

}  // namespace talo
