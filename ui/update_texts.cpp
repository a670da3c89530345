#include "ui/update_texts.h"

#include <array>

#include "device/commands.h"
#include "ui/format_text.h"
#include "ui/message_text.h"
#include "update/updater_context.h"

namespace talo {

std::uint16_t guidanceMessage(Guidance guidance) {
    switch (guidance) {
        case Guidance::NoUnit:
            return kMsgNoUnitFound;
        case Guidance::WrongMode:
            return kMsgWrongMode;
        case Guidance::NoController:
            return kMsgNoController;
        case Guidance::Incompatible:
            return kMsgIncompatible;
        case Guidance::ConnectionLost:
            return kMsgConnectionLost;
        case Guidance::UnitBusy:
            return kMsgUnitBusy;
        case Guidance::Ready:
            break;
    }
    return kMsgReady;
}

bool guidanceHasInstructions(Guidance guidance) {
    return guidance != Guidance::Ready && guidance != Guidance::UnitBusy;
}

std::u16string guidanceText(MessageSource& messages, Guidance guidance) {
    std::u16string text = loadMessage(messages, guidanceMessage(guidance));
    if (guidanceHasInstructions(guidance)) {
        text += u"\r\n\r\n";
        text += loadMessage(messages, kMsgInstructions);
    }
    return text;
}

std::u16string incompatibleNoticeText(MessageSource& messages) {
    std::array<char16_t, kMessageCapacity> text{};
    formatText(text.data(), text.size(), loadMessage(messages, kMsgIncompatibleText), {kModelName});
    return text.data();
}

namespace {

std::uint16_t failureMessage(UpdateStep step) {
    switch (step) {
        case UpdateStep::NoUnit:
            return kMsgUnitUnavailable;
        case UpdateStep::NoImage:
            return kMsgNoImage;
        case UpdateStep::Claim:
            return kMsgUnitBusy;
        case UpdateStep::Lock:
            return kMsgLockFailed;
        case UpdateStep::Unprotect:
            return kMsgUnprotectFailed;
        case UpdateStep::Erase:
            return kMsgEraseFailed;
        case UpdateStep::SetWriteAddress:
            return kMsgWriteAddressFailed;
        case UpdateStep::Write:
        case UpdateStep::Restore:
            break;
    }
    return kMsgWriteBlockFailed;
}

}  // namespace

std::u16string failureText(MessageSource& messages, UpdateStep step, std::int32_t result,
                           std::uint32_t systemError) {
    const std::u16string text = loadMessage(messages, failureMessage(step));
    std::array<char16_t, kMessageCapacity> message{};
    // Nothing was sent (no unit, or no image: the same result), so there are no codes.
    if (result == kResultNoUnit) {
        formatText(message.data(), message.size(), u"%s", {std::u16string_view(text)});
    } else {
        std::array<char16_t, kMessageCapacity> codeLine{};
        formatText(codeLine.data(), codeLine.size(), loadMessage(messages, kMsgErrorCodes),
                   {result, systemError});
        formatText(message.data(), message.size(), u"%s\r\n%s",
                   {std::u16string_view(text), std::u16string_view(codeLine.data())});
    }
    return message.data();
}

}  // namespace talo
