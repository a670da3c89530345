#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

#include "history/history_record.h"
#include "update/update_journal.h"

namespace talo {

// Keeps every write attempt as one line of the history file. A line that cannot be written
// never disturbs the update: the first failure is handed to `onFailure` (may be empty), later
// ones are dropped silently. Safe to use from several threads at once.
class FileJournal final : public UpdateJournal {
  public:
    FileJournal(RecordSource source, std::filesystem::path file,
                std::function<void(const std::string& reason)> onFailure = {});

    void recordAttempt(const UpdateAttempt& attempt) override;

    const std::filesystem::path& file() const { return file_; }

  private:
    RecordSource source_;
    std::filesystem::path file_;
    std::function<void(const std::string&)> onFailure_;
    std::atomic<bool> failureReported_{false};
};

// The journal of a window program: the default history file, failures ignored.
FileJournal windowJournal(const char* program, const FirmwareImage& image);

}  // namespace talo
