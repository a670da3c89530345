#include "history/history_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "history/file_journal.h"

namespace talo {
namespace {

class HistoryFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("talo-history-" + std::to_string(std::random_device()()));
        file = folder / "state" / "talo-updater" / "history.jsonl";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
    std::filesystem::path file;
};

// A long line per writer and count, so that a torn or interleaved append cannot go unseen.
std::string lineOf(int writer, int count) {
    return "{\"writer\":" + std::to_string(writer) + ",\"count\":" + std::to_string(count) +
           ",\"pad\":\"" + std::string(4000, static_cast<char>('a' + writer)) + "\"}";
}

void appendMany(const std::filesystem::path& file, int writer, int lines) {
    std::string error;
    for (int count = 0; count < lines; ++count) {
        ASSERT_TRUE(appendHistoryLine(file, lineOf(writer, count), error)) << error;
    }
}

TEST_F(HistoryFileTest, ParallelThreadsAndProcessesNeverTearOrLoseALine) {
    constexpr int kWriters = 8;  // of each kind
    constexpr int kLines = 40;
#ifndef _WIN32
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            appendMany(file, writer, kLines);
            _exit(::testing::Test::HasFailure() ? 1 : 0);
        }
        children.push_back(child);
    }
#endif
    std::vector<std::thread> threads;
    for (int writer = kWriters; writer < 2 * kWriters; ++writer) {
        threads.emplace_back([this, writer] { appendMany(file, writer, kLines); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
#ifndef _WIN32
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
#endif

    std::vector<std::string> lines;
    ASSERT_TRUE(readHistoryLines(file, lines));
#ifdef _WIN32
    constexpr int kWriterKinds = 1;  // threads only: no fork
#else
    constexpr int kWriterKinds = 2;
#endif
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kWriterKinds * kWriters * kLines));
    std::map<int, int> nextCount;  // each writer's lines arrive whole and in its own order
    for (const std::string& line : lines) {
        const int writer = std::stoi(line.substr(line.find(':') + 1));
        ASSERT_EQ(line, lineOf(writer, nextCount[writer]++));
    }
}

#ifndef _WIN32
TEST(HistoryAppendTest, AFullDeviceFailsTheAppendWithTheSystemsReason) {
    std::string error;
    EXPECT_FALSE(appendHistoryLine("/dev/full", "{}", error));
    EXPECT_EQ(error, "/dev/full: " + std::string(std::strerror(ENOSPC)));
}
#endif

TEST_F(HistoryFileTest, UnwritableHistoryIsReportedOnceAndNothingElse) {
    std::filesystem::create_directories(folder / "blocked");
    const std::filesystem::path blocked = folder / "blocked" / "history.jsonl";
    std::filesystem::create_directory(blocked);  // a folder where the file should be
    std::vector<std::string> reports;
    FileJournal journal(RecordSource{"talo-flash", "1.8", "00"}, blocked,
                        [&reports](const std::string& reason) { reports.push_back(reason); });
    UpdateAttempt attempt;
    journal.recordAttempt(attempt);
    journal.recordAttempt(attempt);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("history.jsonl"), std::string::npos);
}

#ifndef _WIN32
TEST(HistoryLocationTest, FollowsXdgStateHomeElseHome) {
    const char* savedState = std::getenv("XDG_STATE_HOME");
    const std::string state = savedState != nullptr ? savedState : "";
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    setenv("XDG_STATE_HOME", "/srv/state", 1);
    EXPECT_EQ(defaultHistoryPath(), "/srv/state/talo-updater/history.jsonl");
    setenv("XDG_STATE_HOME", "relative", 1);  // not absolute: ignored
    setenv("HOME", "/home/mech", 1);
    EXPECT_EQ(defaultHistoryPath(), "/home/mech/.local/state/talo-updater/history.jsonl");
    setenv("HOME", "", 1);
    EXPECT_EQ(defaultHistoryPath(), "");  // nowhere to keep it
    setenv("HOME", home.c_str(), 1);
    if (savedState != nullptr) {
        setenv("XDG_STATE_HOME", state.c_str(), 1);
    } else {
        unsetenv("XDG_STATE_HOME");
    }
}
#endif

}  // namespace
}  // namespace talo
