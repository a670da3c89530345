#pragma once

#include "platform/win32/win32_headers.h"

namespace talo::win32 {

// How the program's blocking calls (pauses, HID transfers) wait for a kernel object. The
// contract is WaitForSingleObject's: WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT after at
// least `timeoutMs` (INFINITE: no limit), or WAIT_FAILED with the thread's last error set.
class ObjectWait {
  public:
    virtual ~ObjectWait() = default;
    virtual DWORD waitFor(HANDLE object, DWORD timeoutMs) = 0;
};

// WaitForSingleObject itself.
ObjectWait& plainObjectWait();

}  // namespace talo::win32
