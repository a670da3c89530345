#pragma once

namespace talo::flash {

// Signal handling for the whole process. Outside a write, Ctrl-C (SIGINT), SIGHUP, SIGTERM,
// SIGQUIT and Ctrl-Z (SIGTSTP) act as usual. While any write runs (from the lock to the end
// of the restore commands: stopping there leaves the controller locked, unprotected or
// without firmware) they are held back: a warning is printed once on stderr, and the caller
// honours them once every running write has ended. SIGPIPE is ignored for the whole run, so a
// closed stdout or stderr never ends a write. On Windows the console control handler holds
// back Ctrl-C and Ctrl-Break the same way.
void installInterruptHandler();

// Marks the start and end of one write. Writes may overlap (several units at once): signals
// stay held back until the last one has ended.
void beginCriticalStretch();
void endCriticalStretch();

// Forgets signals held back earlier (at the start of a run).
void clearHeldBack();

// True when a signal that ends the program (SIGINT, SIGHUP, SIGTERM, SIGQUIT, Ctrl-C and
// Ctrl-Break on Windows) was held back.
bool interruptHeldBack();

// The exit code that honours the first ending signal held back: 128 + its number (130 for
// Ctrl-C); 0 when none was.
int heldBackExitCode();

// Honours a held-back Ctrl-Z: the process stops now, as Ctrl-Z would have stopped it, and
// carries on from here when it is continued. Call only while no write runs.
void honourHeldStop();

// What the handler does with `signal`; returns true when it was held back. Outside a write it
// does not return: it acts as the signal's default (ending or, for SIGTSTP, stopping the
// process, and returning false once continued).
bool onSignal(int signal);

}  // namespace talo::flash
