#pragma once

namespace talo {

// Keeps the machine from suspending or shutting down while the controller is being written.
// The update holds it from the lock to the end of the restore. Where the system offers no way
// (no service to ask), hold() does nothing and the write goes on unchanged.
class SystemAwake {
  public:
    virtual ~SystemAwake() = default;
    virtual void hold() = 0;
    virtual void release() = 0;
};

}  // namespace talo
