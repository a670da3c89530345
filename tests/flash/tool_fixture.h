#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app.h"
#include "history/file_journal.h"
#include "history/history_file.h"
#include "resources/firmware_image.h"
#include "sim/virtual_clock.h"
#include "unit_job.h"

namespace talo::flash {

// Runs talo-flash in process: string streams, a virtual clock for the main thread and one for
// every unit written beside others (all made on the main thread), and a history file of its own.
class ToolFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        image.assign(talo_firmware_image, talo_firmware_image + talo_firmware_image_size);
        folder = std::filesystem::temp_directory_path() /
                 ("talo-flash-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(folder);
        journal = std::make_unique<FileJournal>(
            recordSource("talo-flash", FirmwareImage{image.data(), image.size()}),
            folder / "history.jsonl");
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    Environment environment(Clock& mainClock) {
        return Environment{
            .console = realStreams ? Console{std::cout, std::cerr, in, false, false, false}
                                   : Console{out, err, in, outIsTerminal, false, inIsTerminal},
            .clock = mainClock,
            .image = FirmwareImage{image.data(), image.size()},
            .systemHid = systemHid,
            .noUnitHint = noUnitHint,
            .waitPollMs = 500,
            .unitClock = [this]() -> std::unique_ptr<Clock> {
                return std::make_unique<BorrowedClock>(unitClocks.emplace_back());
            },
            .journal = journal.get(),
            .historyFile = journal->file(),
            .systemAwake = {},
            .simulation = nullptr,
        };
    }

    // The arguments, separated by spaces.
    static std::vector<std::string> words(const std::string& commandLine) {
        std::istringstream words(commandLine);
        return {std::istream_iterator<std::string>(words), {}};
    }
    int run(const std::string& commandLine) { return run(words(commandLine)); }
    int run(std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        Environment env = environment(clock);
        const int code = runTool(arguments, env);
        simulation = std::move(env.simulation);
        if (simulation) {  // whatever the outcome, the tool leaves no unit open
            EXPECT_EQ(simulation->platform().totalOpenHandles(), 0u);
        }
        return code;
    }

    const sim::SimulatedUnit& unit(std::size_t index = 0) const { return simulation->unit(index); }
    bool flashHoldsImage(std::size_t index = 0) const {
        return unit(index).flash.contents == image;
    }
    bool said(const std::string& text) const {
        return out.str().find(text) != std::string::npos ||
               err.str().find(text) != std::string::npos;
    }

    // stdout as JSON values, one per line; fails the test on a line that is no JSON.
    std::vector<nlohmann::json> jsonLines() const {
        std::vector<nlohmann::json> values;
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);) {
            values.push_back(nlohmann::json::parse(line, nullptr, false));
            EXPECT_FALSE(values.back().is_discarded()) << line;
        }
        return values;
    }
    std::vector<std::string> historyLines() const {
        std::vector<std::string> lines;
        EXPECT_TRUE(readHistoryLines(journal->file(), lines));
        return lines;
    }
    std::ptrdiff_t historyLinesWritten() const {
        const std::vector<std::string> lines = historyLines();
        return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find(R"("result":"written")") != std::string::npos;
        });
    }

    std::vector<std::uint8_t> image;
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    bool outIsTerminal = false;
    bool inIsTerminal = false;
    bool realStreams = false;  // the process's stdout and stderr instead of `out` and `err`
    sim::VirtualClock clock;
    std::deque<sim::VirtualClock> unitClocks;
    std::function<std::unique_ptr<HidPlatform>()> systemHid;
    std::function<std::string(HidPlatform&)> noUnitHint;
    std::unique_ptr<SimulatedBus> simulation;
    std::filesystem::path folder;
    std::unique_ptr<FileJournal> journal;
};

}  // namespace talo::flash
