#pragma once

#include <cstdint>
#include <string>

#include "ui/message_source.h"
#include "update/updater_view.h"

namespace talo {

// The message the status pane opens with for `guidance`.
std::uint16_t guidanceMessage(Guidance guidance);

// Whether the connection instructions (40001) follow the guidance message after a blank line.
// The ready and busy texts stand alone.
bool guidanceHasInstructions(Guidance guidance);

// The whole status pane text for `guidance`, line breaks CR LF.
std::u16string guidanceText(MessageSource& messages, Guidance guidance);

// The incompatible-model notice: message 40034 with the model name.
std::u16string incompatibleNoticeText(MessageSource& messages);

// The text of the failure box: the step's message and, unless the result is -1, a line with
// the result and the system error code as eight hexadecimal digits each.
std::u16string failureText(MessageSource& messages, UpdateStep step, std::int32_t result,
                           std::uint32_t systemError);

}  // namespace talo
