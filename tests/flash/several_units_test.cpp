#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>

#include "device/commands.h"
#include "tests/flash/tool_fixture.h"

namespace talo::flash {
namespace {

constexpr std::uint64_t kMandatedPausesMs = 30'760;  // for the carried 61,616-byte image

using SeveralUnitsTest = ToolFixture;

TEST_F(SeveralUnitsTest, UnitOptionPicksTheUnitBySerialOrPath) {
    ASSERT_EQ(run({"info", "--json", "--simulate=units:2", "--unit", "SIM0002"}), 0);
    EXPECT_EQ(jsonLines().at(0)["unit"]["id"], "SIM0002");
    const std::string path = jsonLines().at(0)["unit"]["path"];

    ASSERT_EQ(run({"update", "--simulate=units:2", "--unit", path}), 0);
    EXPECT_TRUE(flashHoldsImage(1));
    EXPECT_EQ(unit(0).deliveredCount(kCmdEraseFirmware), 0u);

    EXPECT_EQ(run({"update", "--simulate=units:2", "--unit", "SIM0003"}), 3);
    EXPECT_NE(err.str().find("no programming unit 'SIM0003'; present: SIM0001, SIM0002"),
              std::string::npos);
}

TEST_F(SeveralUnitsTest, AllWritesEachReadyUnitOnItsOwnAndOneFailureStaysItsOwn) {
    EXPECT_EQ(run({"update", "--all", "--yes",
                   "--simulate=units:5,block-fails:200@2,incompatible@4,downgrade@3,"
                   "unplug-at:100@5"}),
              1);
    EXPECT_TRUE(flashHoldsImage(0));
    EXPECT_TRUE(flashHoldsImage(2));  // the downgrade, accepted by --yes
    EXPECT_EQ(unit(1).deliveredCount(kCmdWriteBlock), 200u);
    EXPECT_EQ(unit(3).deliveredCount(kCmdEraseFirmware), 0u);
    EXPECT_EQ(unit(4).deliveredCount(kCmdWriteBlock), 99u);  // unplugged at block 100
    // Each written unit paced on its own clock, exactly as a single update.
    ASSERT_EQ(unitClocks.size(), 5u);
    EXPECT_EQ(unitClocks[0].totalPausedMs(), kMandatedPausesMs);
    EXPECT_EQ(unitClocks[2].totalPausedMs(), kMandatedPausesMs);
    for (const char* line : {"SIM0001  written", "SIM0003  written", "SIM0004  skipped",
                             "SIM0002  failed: Fehler beim Schreiben"}) {
        EXPECT_NE(out.str().find(line), std::string::npos) << line;
    }
    EXPECT_EQ(out.str().find('{'), std::string::npos);  // lines for people only
    const std::vector<std::string> history = historyLines();
    EXPECT_EQ(history.size(), 4u);  // one line per write attempt; the skipped unit has none
    EXPECT_EQ(std::count_if(history.begin(), history.end(),
                            [](const std::string& line) {
                                return line.find(R"("result":"written")") != std::string::npos;
                            }),
              2);
}

TEST_F(SeveralUnitsTest, AllExitCodeSumsUpTheUnits) {
    struct Case {
        const char* plan;
        int exitCode;
    };
    const Case cases[] = {
        {"units:2,downgrade@2", 0},  // one written, the other declined: no terminal, no --yes
        {"units:2,downgrade", 5},
        {"units:2,bootloader", 4},
        {"no-unit", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plan);
        EXPECT_EQ(run({"update", "--all", std::string("--simulate=") + c.plan}), c.exitCode);
    }
}

TEST_F(SeveralUnitsTest, DowngradeQuestionsComeBeforeAnyWrite) {
    inIsTerminal = true;
    in.str("n\ny\n");
    EXPECT_EQ(run({"update", "--all", "--simulate=units:3,downgrade"}), 0);
    const std::string text = out.str();
    EXPECT_LT(text.rfind("[y/N]"), text.find("written"));
    EXPECT_EQ(unit(0).deliveredCount(kCmdEraseFirmware), 0u);
    EXPECT_TRUE(flashHoldsImage(1));
    EXPECT_EQ(unit(2).deliveredCount(kCmdEraseFirmware), 0u);  // no answer left: no
}

TEST_F(SeveralUnitsTest, TerminalShowsOneProgressLinePerUnitRedrawnInPlace) {
    outIsTerminal = true;
    EXPECT_EQ(run({"update", "--all", "--simulate=units:2"}), 0);
    const std::string text = out.str();
    EXPECT_NE(text.find("\x1b[2F"), std::string::npos);  // back up over both lines
    EXPECT_NE(text.find("SIM0002  write   [###############...............]  50%"),
              std::string::npos);
    // The result lines come below the board, once it is finished.
    EXPECT_GT(text.find("SIM0001  written"), text.rfind("\x1b[2F"));
}

TEST_F(SeveralUnitsTest, JsonOutputOfEveryVerbIsJsonLineByLine) {
    const std::vector<std::vector<std::string>> invocations = {
        {"list", "--json", "--simulate=units:2"},
        {"info", "--json", "--simulate=bootloader"},
        {"update", "--json", "--all", "--simulate=units:2,erase-fails@1"},
        {"update", "--json", "--simulate=no-unit"},
        {"history", "--json", "--last", "1"},
        {"--json", "--version"},
        {"--json", "--help"},
        {"--json", "update", "--bogus"},
        {"--json", "--last", "x", "history"},
        {"--json"},
    };
    for (const auto& arguments : invocations) {
        SCOPED_TRACE(arguments.front() + " " + arguments.back());
        const int code = run(arguments);
        const std::vector<nlohmann::json> lines = jsonLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back()["exitCode"], code);
        EXPECT_EQ(err.str().find('{'), std::string::npos);
    }
}

TEST_F(SeveralUnitsTest, UpdateEventsFollowEachUnitFromFoundToFinished) {
    ASSERT_EQ(run({"update", "--json", "--all", "--simulate=units:2"}), 0);
    std::map<std::string, std::vector<std::string>> events;  // per unit, in order
    std::map<std::string, std::vector<unsigned>> percents;
    for (const nlohmann::json& line : jsonLines()) {
        const std::string name = line["event"];
        const std::string id =
            name == "unit" ? line["unit"]["id"].get<std::string>() : line.value("unit", "");
        if (name == "progress") {
            percents[id].push_back(line["percent"]);
        } else {
            events[id].push_back(name);
        }
    }
    std::vector<unsigned> everyPercent(101);
    std::iota(everyPercent.begin(), everyPercent.end(), 0u);
    for (const char* id : {"SIM0001", "SIM0002"}) {
        EXPECT_EQ(events[id], (std::vector<std::string>{"unit", "started", "finished"})) << id;
        EXPECT_EQ(percents[id], everyPercent) << id;
    }
    EXPECT_EQ(events[""], std::vector<std::string>{"summary"});
}

TEST_F(SeveralUnitsTest, HistoryListsTheRecordsNewestLast) {
    ASSERT_EQ(run({"update", "--simulate=units:2", "--unit", "SIM0002"}), 0);
    ASSERT_EQ(run({"update", "--simulate=erase-fails"}), 1);
    ASSERT_EQ(run({"history"}), 0);
    const std::string text = out.str();
    const auto written = text.find("TUNEPUCK SIM0002  controller 1.7 -> 1.8  written  30.");
    const auto failed =
        text.find("TUNEPUCK SIM0001  controller 1.7 -> ?  failed at erase (0x00000e01-0x00000000)");
    ASSERT_NE(written, std::string::npos) << text;
    EXPECT_LT(written, failed);

    ASSERT_EQ(run({"history", "--json", "--last", "1"}), 0);
    const nlohmann::json records = jsonLines().at(0)["records"];
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["failure"]["step"], "erase");
    EXPECT_EQ(records[0]["controller"]["typeCode"], "0e12c078");
}

}  // namespace
}  // namespace talo::flash
