#include "update/readiness.h"

#include "device/commands.h"
#include "device/session.h"

namespace talo {

namespace {

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
    context.view.offerUpdate(false);
    context.view.showVersions(context.session);
    context.view.showGuidance(Guidance::ConnectionLost);
}

}  // namespace

Guidance guidanceFor(Readiness outcome) {
    switch (outcome) {
        case Readiness::NoDevice:
            return Guidance::NoUnit;
        case Readiness::WrongMode:
            return Guidance::WrongMode;
        case Readiness::NoController:
            return Guidance::NoController;
        case Readiness::IncompatibleController:
            return Guidance::Incompatible;
        case Readiness::UnitBusy:
            return Guidance::UnitBusy;
        case Readiness::Ready:
            break;
    }
    return Guidance::Ready;
}

Readiness readinessOf(std::int32_t openResult, const DeviceSession& session) {
    if (openResult == kResultUnitBusy) {
        return Readiness::UnitBusy;
    }
    if (openResult != kResultOk) {
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
Readiness evaluateReadiness(UpdaterContext& context, EvaluationCaller caller) {
    UpdaterView& view = context.view;
    const std::int32_t openResult = openSession(context.link, context.session);
    const Readiness outcome = readinessOf(openResult, context.session);
    const bool startUp = caller == EvaluationCaller::StartUp;
    view.situationFound(outcome, openResult, context.session);

    if (outcome == Readiness::NoDevice && !startUp) {
        return outcome;  // an unrelated device arrived; leave the window (and the session) as is
    }
    if (outcome == Readiness::Ready) {
        view.showGuidance(Guidance::Ready);
        if (startUp) {
            view.offerUpdate(true);
            view.showVersions(context.session);
        } else {
            view.showVersions(context.session);
            view.offerUpdate(true);
        }
        return outcome;
    }

    view.offerUpdate(false);
    closeSession(context.link, context.session);
    if (outcome == Readiness::IncompatibleController) {
        view.noticeIncompatible();
    }
    view.showGuidance(guidanceFor(outcome));
    if (startUp) {
        view.showVersions(context.session);
    }
    return outcome;
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
