#include "platform/win32/write_gate.h"

#include "ui/control_ids.h"

namespace talo::win32 {

std::intptr_t WriteGate::onInitDialog(HWND window) {
    window_ = window;
    return forward([&] { return inner_.onInitDialog(window); });
}

std::intptr_t WriteGate::onCommand(int controlId) {
    if (writing_) {
        closeHeld_ = closeHeld_ || controlId == kIdQuit;
        return 0;
    }
    const std::intptr_t result = forward([&] { return inner_.onCommand(controlId); });
    closeHeld_ = pump_.takeCloseRequest() || closeHeld_;
    if (running_ == 0 && closeHeld_) {
        closeHeld_ = false;
        forward([&] { return inner_.onCommand(kIdQuit); });
    }
    return result;
}

std::intptr_t WriteGate::onDeviceChange(std::uint32_t eventCode, const DeviceNotification* record) {
    if (!writing_ && held_.empty()) {
        return forward([&] { return inner_.onDeviceChange(eventCode, record); });
    }
    held_.push_back({eventCode, record != nullptr ? std::optional(*record) : std::nullopt});
    if (!writing_) {
        postReplay();  // normally one is on its way already; this retries a post that failed
    }
    return 1;
}

void WriteGate::onReplayDeviceChange() {
    replayPosted_ = false;
    if (writing_ || held_.empty()) {
        return;  // the end of the write posts again
    }
    const HeldNotification next = std::move(held_.front());
    held_.pop_front();
    // The following one waits in the queue meanwhile, so a message box that this one opens
    // handles it from its loop, as it would have from the queue.
    postReplay();
    forward([&] {
        return inner_.onDeviceChange(next.eventCode, next.record ? &*next.record : nullptr);
    });
}

void WriteGate::postReplay() {
    if (!replayPosted_ && !held_.empty()) {
        replayPosted_ = PostMessageW(window_, kReplayDeviceChangeMessage, 0, 0) != FALSE;
    }
}

void WriteGate::onTimer(UINT_PTR timerId) {
    if (!writing_ && running_ == 0) {
        forward([&] {
            inner_.onTimer(timerId);
            return 0;
        });
    }
}

bool WriteGate::onSystemCommand(unsigned command) {
    if (!writing_) {
        return inner_.onSystemCommand(command);
    }
    // Moving, sizing and the system menu would run a modal loop inside the write.
    closeHeld_ = closeHeld_ || command == SC_CLOSE;
    return true;
}

bool WriteGate::onQueryEndSession() {
    return !writing_ && inner_.onQueryEndSession();
}

void WriteGate::writeBegins() {
    writing_ = true;
    pump_.begin(GetDlgItem(window_, kIdQuit));
    ShutdownBlockReasonCreate(window_, wide(reason_));
}

void WriteGate::writeEnds() {
    pump_.end();
    writing_ = false;
    ShutdownBlockReasonDestroy(window_);
    postReplay();
}

}  // namespace talo::win32
