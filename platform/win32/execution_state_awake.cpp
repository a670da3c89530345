#include "platform/win32/execution_state_awake.h"

namespace talo::win32 {

ExecutionStateAwake::~ExecutionStateAwake() {
    release();
}

void ExecutionStateAwake::hold() {
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    held_ = true;
}

void ExecutionStateAwake::release() {
    if (held_) {
        SetThreadExecutionState(ES_CONTINUOUS);
        held_ = false;
    }
}

}  // namespace talo::win32
