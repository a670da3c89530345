#pragma once

#include "platform/win32/object_wait.h"

namespace talo::win32::testing {

// Counts the waits it is asked for and waits plainly.
class CountingWait final : public ObjectWait {
  public:
    DWORD waitFor(HANDLE object, DWORD timeoutMs) override {
        ++waits;
        return WaitForSingleObject(object, timeoutMs);
    }
    int waits = 0;
};

}  // namespace talo::win32::testing
