#pragma once

namespace talo::flash {

// Ctrl-C handling for the whole process. Outside a critical stretch Ctrl-C ends the program as
// usual. Inside one (the update from its first command to its end: stopping there leaves the
// controller locked, unprotected or without firmware) it is held back: a warning is printed
// once on stderr, and the caller honours it once the stretch has ended.
void installInterruptHandler();

// Marks the start and end of the critical stretch. Starting one clears an earlier hold-back.
void beginCriticalStretch();
void endCriticalStretch();

// True when a Ctrl-C arrived during the last critical stretch.
bool interruptHeldBack();

// What the handler does on Ctrl-C; returns true when the interrupt was held back. Outside a
// critical stretch it does not return: it ends the process the default way.
bool onInterrupt();

}  // namespace talo::flash
