#include <gtest/gtest.h>
#include <stdlib.h>
#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <thread>

#include "history/file_journal.h"
#include "history/history_file.h"
#include "history/history_record.h"
#include "history/sha256.h"

namespace talo {
namespace {

// A long line per writer and count, so that a torn or interleaved append cannot go unseen.
std::string lineOf(int writer, int count) {
    return "{\"writer\":" + std::to_string(writer) + ",\"count\":" + std::to_string(count) +
           ",\"pad\":\"" + std::string(4000, static_cast<char>('a' + writer)) + "\"}";
}

// Each append opens the file anew, as another program would: threads stand for processes too.
TEST(HistoryFileTest, ParallelWritersNeverTearOrLoseALine) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("talo-history-" + std::to_string(std::random_device()()));
    const std::filesystem::path file = folder / "state" / "talo-updater" / "history.jsonl";
    std::vector<std::thread> threads;
    for (int writer = 0; writer < 8; ++writer) {
        threads.emplace_back([&file, writer] {
            std::string error;
            for (int count = 0; count < 40; ++count) {
                ASSERT_TRUE(appendHistoryLine(file, lineOf(writer, count), error)) << error;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::vector<std::string> lines;
    ASSERT_TRUE(readHistoryLines(file, lines));
    ASSERT_EQ(lines.size(), 8u * 40u);
    std::map<int, int> nextCount;  // each writer's lines arrive whole and in its own order
    for (const std::string& line : lines) {
        const int writer = std::stoi(line.substr(line.find(':') + 1));
        ASSERT_EQ(line, lineOf(writer, nextCount[writer]++));
    }
    std::filesystem::remove_all(folder);
}

// The first failure is reported, with the system's reason; later ones are not.
TEST(HistoryFileTest, UnwritableHistoryIsReportedOnce) {
    const std::pair<std::filesystem::path, std::string> cases[] = {
        // A folder where the file should be.
        {std::filesystem::temp_directory_path(), std::filesystem::temp_directory_path().string()},
        {"", "no folder for the history file is known"},
#ifndef _WIN32
        {"/dev/full", "/dev/full: " + std::string(std::strerror(ENOSPC))},
#endif
    };
    for (const auto& [file, reason] : cases) {
        std::vector<std::string> reports;
        FileJournal journal(RecordSource{"talo-flash", "1.8", "00"}, file,
                            [&reports](const std::string& report) { reports.push_back(report); });
        journal.recordAttempt(UpdateAttempt{});
        journal.recordAttempt(UpdateAttempt{});
        ASSERT_EQ(reports.size(), 1u) << file;
        EXPECT_NE(reports[0].find(reason), std::string::npos) << reports[0];
    }
}

#ifndef _WIN32
TEST(HistoryFileTest, LivesUnderXdgStateHomeElseHome) {
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    setenv("XDG_STATE_HOME", "/srv/state", 1);
    EXPECT_EQ(defaultHistoryPath(), "/srv/state/talo-updater/history.jsonl");
    const std::uint8_t image[] = {0};
    EXPECT_EQ(windowJournal("talo-updater", FirmwareImage{image, 1}).file(), defaultHistoryPath());
    setenv("XDG_STATE_HOME", "relative", 1);  // not absolute: ignored
    setenv("HOME", "/home/mech", 1);
    EXPECT_EQ(defaultHistoryPath(), "/home/mech/.local/state/talo-updater/history.jsonl");
    setenv("HOME", "", 1);
    EXPECT_EQ(defaultHistoryPath(), "");  // nowhere to keep it
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_STATE_HOME");
}

// A history that is there but cannot be read is no empty one: a folder, a socket.
TEST(HistoryFileTest, UnreadableHistoryIsNotTakenForAnEmptyOne) {
    const std::string socketFile = "/tmp/talo-socket-" + std::to_string(::getpid());  // per run
    sockaddr_un address{AF_UNIX, {}};
    socketFile.copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    for (const char* file : {"/tmp", socketFile.c_str()}) {
        std::vector<std::string> lines = {"stale"};
        EXPECT_FALSE(readHistoryLines(file, lines)) << file;
        EXPECT_TRUE(lines.empty()) << file;
    }
    ::close(fd);
    ::unlink(socketFile.c_str());
}
#endif

// Each text hashed whole and fed in pieces of 7 bytes, which straddle the 64-byte blocks.
TEST(Sha256Test, MatchesTheStandardVectorsWholeAndInPieces) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 55 bytes fit the length into the last block, 56 need one more block.
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
    };
    for (const auto& [text, digest] : cases) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
        EXPECT_EQ(toHex(sha256(bytes, text.size())), digest) << text.size();
        Sha256 pieces;
        for (std::size_t at = 0; at < text.size(); at += 7) {
            pieces.update(bytes + at, std::min<std::size_t>(7, text.size() - at));
        }
        EXPECT_EQ(toHex(pieces.finish()), digest) << text.size();
    }
}

// A TUNE-CARD with controller 1.7 (type code 0x0E12C078) and the image "abc", as a record.
nlohmann::json recordOf(UpdateAttempt attempt) {
    resetSession(attempt.unit);
    attempt.unit.productId = kProductTuneCard;
    attempt.unit.devicePath = u"/dev/hidraw3";
    attempt.unit.unitFirmwareVersion = 0x00000105;
    attempt.unit.controllerIdentity = {0x78, 0xC0, 0x12, 0x0E};
    attempt.unit.setControllerFirmwareVersion(0x0107);
    attempt.durationMicros = 30'812'345;
    constexpr std::uint8_t kImage[] = {'a', 'b', 'c'};
    const RecordSource source = recordSource("talo-flash", FirmwareImage{kImage, sizeof kImage});
    const auto start = std::chrono::system_clock::time_point(std::chrono::seconds(1714566896));
    return nlohmann::json::parse(historyLine(attempt, source, start));
}

TEST(HistoryRecordTest, WrittenAttemptCarriesUnitVersionsImageAndDuration) {
    UpdateAttempt attempt;
    attempt.written = true;
    EXPECT_EQ(recordOf(attempt), nlohmann::json::parse(R"({"time":"2024-05-01T12:34:56Z",
        "program":"talo-flash",
        "unit":{"model":"TUNE-CARD","productId":2,"serial":null,"path":"/dev/hidraw3"},
        "controller":{"identity":"78c0120e)" + std::string(72, '0') +
                                                       R"(","typeCode":"0e12c078"},
        "before":{"unit":"1.5","bootloader":"0.0","controller":"1.7"},
        "after":{"unit":"1.5","bootloader":"0.0","controller":"1.8"},
        "image":{"version":"1.8",
                 "sha256":"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        "result":"written","durationMs":30812})"));
}

}  // namespace
}  // namespace talo
