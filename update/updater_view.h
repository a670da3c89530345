#pragma once

#include <cstddef>
#include <cstdint>

#include "device/device_session.h"

namespace talo {

// The outcome of one readiness evaluation. The first five are the situations of the window;
// UnitBusy is a unit that another program is writing: it is treated like no unit at all, and
// evaluated again once the writer lets go of it.
enum class Readiness { NoDevice, WrongMode, NoController, IncompatibleController, Ready, UnitBusy };

// What the user is told to do next.
enum class Guidance {
    NoUnit,          // nothing found at start-up
    WrongMode,       // unit in its bootloader
    NoController,    // no update-capable controller behind the unit
    Incompatible,    // a controller of another model
    Ready,           // ready to update
    ConnectionLost,  // the open unit was unplugged
    UnitBusy,        // another program is writing the unit
};

// The steps of one update that can fail, in the order they run.
enum class UpdateStep {
    NoUnit,           // "Update" without an open unit
    NoImage,          // the program carries no image
    Claim,            // another program claimed the unit for writing
    Lock,             // SetSystemLock(1)
    Unprotect,        // SetWriteProtect(0)
    Erase,            // EraseFirmware and its pause
    SetWriteAddress,  // SetWriteAddress
    Write,            // the block loop
    Restore,          // SetWriteProtect(1), SetSystemLock(0): never fails the update
};

// Whoever shows the readiness evaluation and the update: the window logic (ui/) over the
// window operations, or the command-line tool directly. Calls come synchronously from the
// evaluation and the update, in the order the user must see them. The calls marked modal
// wait for the user and may let device events run nested evaluations meanwhile.
class UpdaterView {
  public:
    virtual ~UpdaterView() = default;

    // --- Readiness and hot-plug
    // Right after openSession, with its result and the session as found (not yet closed for
    // an outcome that closes it). For displays that describe the unit; the window shows nothing.
    virtual void situationFound(Readiness outcome, std::int32_t openResult,
                                const DeviceSession& session) {
        (void)outcome;
        (void)openResult;
        (void)session;
    }
    // Whether the update may be started now (the window's "Update" button).
    virtual void offerUpdate(bool offered) = 0;
    // What to do next.
    virtual void showGuidance(Guidance guidance) = 0;
    // The versions of the session's unit and controller; a closed session has none.
    virtual void showVersions(const DeviceSession& session) = 0;
    // Modal: the controller is of another model. The session is already closed.
    virtual void noticeIncompatible() = 0;

    // --- Update
    // Modal: the controller already holds the carried version or a newer one. True: write.
    virtual bool confirmOverwrite() = 0;
    // The span in which an interruption can leave the controller without firmware: from the
    // lock to the end of the restore, or to the failing step. Nothing the user or the system
    // does may interrupt it; programs keep their windows alive and hold input back.
    virtual void writeBegins() {}
    virtual void writeEnds() {}
    // Each step as it begins (Lock to Restore).
    virtual void stepBegins(UpdateStep step) { (void)step; }
    // The progress of the block loop: begun before the first block, advanced after every block
    // the unit accepted (`percent` in whole percent of the image), ended after the last block
    // or at the failing one.
    virtual void progressBegins() = 0;
    virtual void progressAdvanced(unsigned percent, std::size_t bytesWritten,
                                  std::size_t totalBytes) = 0;
    virtual void progressEnds() = 0;
    // Modal: the update failed at `step` with the command's result and the system's error code
    // (a result of -1 has no code to show). The session is already closed.
    virtual void updateFailed(UpdateStep step, std::int32_t result, std::uint32_t systemError) = 0;
    // The image is written and the new version recorded in the session.
    virtual void updateSucceeded() = 0;
};

}  // namespace talo
