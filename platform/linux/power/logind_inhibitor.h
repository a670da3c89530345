#pragma once

#include <string>

#include "update/system_awake.h"

namespace talo {

// Keeps the machine from sleeping and shutting down while the controller is written, with a
// systemd-logind inhibitor lock: Inhibit("sleep:shutdown", who, reason, "block") on the system
// bus. The lock lasts as long as the descriptor logind hands out is open; release() and the
// destructor close it. Where there is no system bus, no logind, or logind refuses (policy),
// hold() gives up within kCallTimeoutMs and the write goes on without a lock, silently.
class LogindInhibitor final : public SystemAwake {
  public:
    static constexpr unsigned kCallTimeoutMs = 500;

    // `who` names the program and `reason` (UTF-8) tells why, both shown by the desktop when
    // it cannot suspend.
    LogindInhibitor(std::string who, std::string reason);
    ~LogindInhibitor() override;
    LogindInhibitor(const LogindInhibitor&) = delete;
    LogindInhibitor& operator=(const LogindInhibitor&) = delete;

    void hold() override;
    void release() override;
    bool isHeld() const { return lock_ >= 0; }

  private:
    std::string who_;
    std::string reason_;
    int lock_ = -1;  // descriptor of the inhibitor lock, -1 when none is held
};

// The reason the updater gives for keeping the system awake: the catalogue's German text.
std::string keepAwakeReason();

}  // namespace talo
