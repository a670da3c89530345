#include "history/file_journal.h"

#include <chrono>

#include "history/history_file.h"

namespace talo {

FileJournal::FileJournal(RecordSource source, std::filesystem::path file,
                         std::function<void(const std::string&)> onFailure)
    : source_(std::move(source)), file_(std::move(file)), onFailure_(std::move(onFailure)) {}

void FileJournal::recordAttempt(const UpdateAttempt& attempt) {
    const auto start =
        std::chrono::system_clock::now() - std::chrono::microseconds(attempt.durationMicros);
    std::string error = "no folder for the history file is known (HOME or LOCALAPPDATA unset)";
    if (!file_.empty() && appendHistoryLine(file_, historyLine(attempt, source_, start), error)) {
        return;
    }
    if (!failureReported_.exchange(true) && onFailure_) {
        onFailure_(error);
    }
}

FileJournal windowJournal(const char* program, const FirmwareImage& image) {
    return FileJournal(recordSource(program, image), defaultHistoryPath());
}

}  // namespace talo
