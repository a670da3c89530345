#pragma once

#include "platform/win32/win32_headers.h"
#include "update/system_awake.h"

namespace talo::win32 {

// Keeps Windows from sleeping on idle while held: the calling thread's execution state asks for
// the system (not the display) until release() or destruction. Hold and release on the same
// thread; the state is not counted, one release ends any number of holds.
class ExecutionStateAwake final : public SystemAwake {
  public:
    ExecutionStateAwake() = default;
    ~ExecutionStateAwake() override;
    ExecutionStateAwake(const ExecutionStateAwake&) = delete;
    ExecutionStateAwake& operator=(const ExecutionStateAwake&) = delete;

    void hold() override;
    void release() override;

  private:
    bool held_ = false;
};

}  // namespace talo::win32
