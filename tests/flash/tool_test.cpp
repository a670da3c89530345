#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <numeric>

#include "device/commands.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "tests/flash/tool_fixture.h"

namespace talo::flash {
namespace {

constexpr std::uint64_t kMandatedPausesMs = 30'760;  // for the carried 61,616-byte image

using FlashToolTest = ToolFixture;

TEST_F(FlashToolTest, UpdateWritesTheImageWithTheMandatedPauses) {
    EXPECT_EQ(run({"update", "--simulate"}), 0);
    EXPECT_TRUE(flashHoldsImage());
    EXPECT_EQ(unit().deliveredCount(kCmdWriteBlock), 1284u);
    EXPECT_EQ(clock.totalPausedMs(), kMandatedPausesMs);
    EXPECT_TRUE(unit().flash.writeProtect);
    EXPECT_FALSE(unit().flash.systemLock);
    EXPECT_TRUE(said("Das Update der Regler-Software wurde erfolgreich"));
}

// Every outcome: its exit code, what it says, on how many units an erase was started, and the
// same run with --json: JSON lines only on stdout, the last one carrying the exit code.
TEST_F(FlashToolTest, EachOutcomeHasItsExitCodeAndMessage) {
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        const char* says;
        std::size_t erased;
        const char* jsonSays = "";
    };
    const Case cases[] = {
        {{"history", "--last", "1"}, 0, "no write recorded in ", 0},  // before any write
        {{"info", "--simulate=ready"}, 0, "situation:  ready\n", 0, R"("downgradeQuestion":false)"},
        {{"info", "--simulate=downgrade"},
         0,
         "situation:  ready (the controller's firmware is not",
         0,
         R"("versions":{"unit":"1.5","controllerBootloader":"1.2.10","controller":"1.9"})"},
        {{"info", "--simulate=bootloader"},
         4,
         "SIM0001\nversions:\n  TUNEPUCK            1.4\n  Regler-Bootloader   0.0\n  Regler       "
         "       0.0\nsituation:  wrong-mode\n",
         0,
         R"("situation":"wrong-mode","openResult":0,"unit":{"id":"SIM0001","serial":"SIM0001")"},
        // The situation, a blank line and the steps; JSON keeps the text's own CR LF.
        {{"info", "--simulate=no-controller"},
         4,
         "durchzuf\xC3\xBChren:\n\ni) Schlie",
         0,
         "durchzuf\xC3\xBChren:\\r\\n\\r\\ni) Schlie"},
        {{"info", "--simulate=incompatible"},
         4,
         "Regler inkompatibel\n",
         0,
         R"("notice":{"caption":"Regler inkompatibel")"},
        {{"info", "--simulate=no-unit"}, 3, "situation:  no-unit", 0, R"("unit":null)"},
        {{"update", "--simulate=incompatible"}, 4, "talo-flash: not ready: incompatible", 0},
        {{"update", "--simulate=no-unit"}, 3, "talo-flash: no programming unit found", 0},
        {{"update", "--simulate=downgrade"}, 5, "[y/N] n (no terminal", 0},
        {{"update", "--simulate=downgrade", "-y"}, 0, "[y/N] y (--yes)", 1},
        {{"update", "--simulate=units:2", "--unit", "SIM0003"},
         3,
         "no programming unit 'SIM0003'; present: SIM0001, SIM0002",
         0},
        {{"info", "--simulate=no-unit", "--unit", "X"}, 3, "'X'; none present", 0},
        {{"update", "--all", "--simulate=units:2,downgrade@2"}, 0, "SIM0002  declined", 1},
        {{"update", "--all", "--simulate=units:2,downgrade"}, 5, "downgrade was declined", 0},
        {{"update", "--all", "--simulate=units:2,bootloader"}, 4, "no unit was ready", 0},
        {{"update", "--all", "--simulate=no-unit"}, 3, "no programming unit found", 0},
        {{"update", "--all", "--simulate=units:2,erase-fails@1"}, 1, "1 unit(s) failed", 2},
        {{"info"}, 1, "this build has no HID access; use --simulate", 0},
        {{"list", "--simulate=foreign:2"}, 0, "046d:c001  ", 0},
        {{"list", "--simulate=foreign:2"},
         0,
         "programming unit, id SIM0001\n3 HID device(s) examined, 1 programming unit(s)\n",
         0,
         R"("productId":1,"unit":true,"id":"SIM0001","serial":"SIM0001"}],)"},
        {{"list", "--simulate=no-unit,foreign:1"}, 3, "1 HID device(s) examined, 0 progr", 0},
        {{"--help"}, 0, "\n  history   the record", 0},
        {{}, 2, "no verb given", 0},
        {{"flash"}, 2, "unknown verb 'flash'", 0},
        {{"info", "list"}, 2, "more than one verb: 'info' and 'list'", 0},
        {{"update", "--bogus"}, 2, "unknown option '--bogus'", 0},
        {{"update", "extra", "--simulate"}, 2, "unknown verb 'extra'", 0},
        {{"history", "--last", "0"}, 2, "--last", 0},
        {{"info", "--all"}, 2, "--all works with update only", 0},
        {{"update", "--all", "--unit", "A"}, 2, "--all and --unit exclude each other", 0},
        {{"update", "--repeat"}, 2, "--repeat needs update --wait", 0},
        {{"info", "--wait", "--repeat"}, 2, "--repeat needs update --wait", 0},
        {{"update", "--wait", "--repeat", "--unit", "A"}, 2, "--repeat and --unit exclude", 0},
        {{"info", "--last", "1"}, 2, "--last works with history only", 0},
        {{"list", "--unit", "A"}, 2, "--unit works with info and update only", 0},
        {{"info", "--simulate="}, 2, "--simulate= needs a situation", 0},
        {{"info", "--simulate=ready,bootloader"}, 2, "more than one situation for a unit", 0},
        {{"info", "--simulate=units:2,lock-fails@3"}, 2, "no unit 3 in 'lock-fails@3'", 0},
        {{"info", "--simulate=units"}, 2, "'units' needs a count", 0},
        {{"info", "--simulate=ready,"}, 2, "unknown situation or fault ''", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        EXPECT_EQ(run(c.arguments), c.exitCode);
        EXPECT_TRUE(said(c.says)) << out.str() << err.str();
        std::size_t erased = 0;
        for (std::size_t i = 0; simulation && i < simulation->pluggedUnits(); ++i) {
            erased += unit(i).deliveredCount(kCmdEraseFirmware) > 0 ? 1u : 0u;
        }
        EXPECT_EQ(erased, c.erased);
        std::vector<std::string> json = c.arguments;
        json.push_back("--json");
        EXPECT_EQ(run(json), c.exitCode);
        const std::vector<nlohmann::json> lines = jsonLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back()["exitCode"], c.exitCode);
        EXPECT_EQ(err.str().find('{'), std::string::npos);
        EXPECT_TRUE(said(c.jsonSays)) << out.str();
    }
    for (const char* plan : {"block-fails:", "block-fails:-1", "unplug-at:12x", "units:0",
                             "ready@0", "lock-fails@x"}) {
        EXPECT_EQ(run({"info", std::string("--simulate=") + plan}), 2) << plan;
    }
}

TEST_F(FlashToolTest, DowngradeNeedsAYesFromTheTerminal) {
    inIsTerminal = true;
    for (const auto& [answer, exitCode] :
         std::map<std::string, int>{{"", 5}, {"nein\n", 5}, {" J \n", 0}, {"yes\n", 0}}) {
        in.clear();
        in.str(answer);
        EXPECT_EQ(run({"update", "--simulate=downgrade"}), exitCode) << answer;
        EXPECT_EQ(flashHoldsImage(), exitCode == 0) << answer;
        EXPECT_TRUE(said("Neuere Firmware gefunden\n"));
    }
    EXPECT_EQ(run({"update", "--json", "--simulate=downgrade"}), 5);
    const nlohmann::json finished = event("finished");
    EXPECT_EQ(finished["result"], "declined");
    EXPECT_EQ(finished["question"]["caption"], "Neuere Firmware gefunden");
    EXPECT_EQ(finished["question"]["answer"], "no");
}

TEST_F(FlashToolTest, FailedWritesReportStepResultAndSystemCode) {
    struct Case {
        const char* plan;
        const char* step;
        std::int64_t result;
        std::uint32_t systemError;
        std::size_t blocks;
    };
    const Case cases[] = {
        {"erase-fails", "erase", 0x0E01, 0, 0},
        {"block-fails:13", "write", 0x0E01, 0, 12},
        {"unplug-at:100", "write", -2, 0x48F, 99},  // write failed, device gone
        {"lock-fails", "lock", 1627, 0, 0},         // the lock answers with its echo only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plan);
        EXPECT_EQ(run({"update", "--json", std::string("--simulate=") + c.plan}), 1);
        const nlohmann::json finished = event("finished");
        EXPECT_EQ(finished["result"], "failed");
        EXPECT_EQ(finished["failure"]["step"], c.step);
        EXPECT_EQ(finished["failure"]["result"], c.result);
        EXPECT_EQ(finished["failure"]["systemError"], c.systemError);
        EXPECT_EQ(finished["blocksWritten"], c.blocks);
    }
    EXPECT_EQ(run({"update", "--simulate=erase-fails"}), 1);
    // The box's caption, text and code line, then the window's closing status line.
    EXPECT_EQ(err.str().find("Update fehlgeschlagen!\nFehler beim L\xC3\xB6schen der alten "
                             "Firmware. Neue Daten k\xC3\xB6nnen nicht geschrieben werden. Das "
                             "Update wird abgebrochen.\nDas System meldet Fehlercode "
                             "0x00000e01-0x00000000\nDer Updatevorgang wurd auf Grund"),
              0u);
    EXPECT_TRUE(err.str().ends_with("Service\ntalo-flash: the update failed\n"));
}

TEST_F(FlashToolTest, ProgressOnATerminalShowsEachPhaseAndEndsItsLine) {
    outIsTerminal = true;
    EXPECT_EQ(run({"update", "--simulate"}), 0);
    const std::string text = out.str();
    const auto erase = text.find("\rerase   [");
    const auto write = text.find("\rwrite   [");
    const auto restore = text.find("\rrestore [##############################] 100%  0:00 left\n");
    EXPECT_LT(erase, write);
    EXPECT_LT(write, restore);
    EXPECT_NE(restore, std::string::npos);
    // Redrawn on change only: far fewer lines than blocks.
    EXPECT_LT(std::count(text.begin(), text.end(), '\r'), 400);
}

TEST_F(FlashToolTest, WaitPollsUntilTheUnitArrives) {
    struct Case {
        std::vector<std::string> arguments;
        const char* unitLine;
    };
    const Case cases[] = {
        {{"info", "--wait", "--simulate=arrives-after:5"}, "(product 1)  SIM0001"},
        // Another unit already present does not end the wait for the one named.
        {{"info", "--wait", "--unit", "SIM0002", "--simulate=units:2,arrives-after:5@2"},
         "(product 1)  SIM0002"},
    };
    for (const Case& c : cases) {
        clock.clearPauses();
        EXPECT_EQ(run(c.arguments), 0);
        EXPECT_EQ(clock.pauses(), (std::vector<std::uint32_t>{500, 500, 500}));
        EXPECT_TRUE(said("waiting for a programming unit"));
        EXPECT_TRUE(said(c.unitLine));
    }
}

TEST_F(FlashToolTest, VersionNamesTheImageAndItsDigest) {
    image = {'a', 'b', 'c'};
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_TRUE(
        said("firmware image 1.8, 3 bytes\nsha256 ba7816bf8f01cfea414140de5dae2223b00361a3"));
}

TEST_F(FlashToolTest, SystemHidProblemsSayWhy) {
    systemHid = [this] { return std::make_unique<sim::SimHidPlatform>(clock); };
    noUnitHint = [](HidPlatform&) { return std::string("install the udev rule"); };
    EXPECT_EQ(run({"info"}), 3);
    EXPECT_TRUE(said("no programming unit found; install the udev rule"));
    systemHid = [this] {
        auto failing = std::make_unique<sim::SimHidPlatform>(clock);
        failing->setListingFails(true);
        return failing;
    };
    EXPECT_EQ(run({"list"}), 1);
    EXPECT_TRUE(said("the list of HID devices cannot be had"));
    systemHid = [this] {
        auto busy = std::make_unique<sim::SimHidPlatform>(clock);
        busy->setClaimedElsewhere(busy->addUnit(sim::makeUnit(sim::Situation::Ready)), true);
        return busy;
    };
    EXPECT_EQ(run({"update"}), 6);
    EXPECT_TRUE(said("the unit is being written by another program"));
    systemHid = [this] {
        auto odd = std::make_unique<sim::SimHidPlatform>(clock);
        odd->addUnopenableDevice(0x046D, 1);
        odd->addDeviceWithoutAttributes();
        return odd;
    };
    EXPECT_EQ(run({"list"}), 3);
    EXPECT_TRUE(said("  (cannot be opened)\n----:----  "));
    EXPECT_TRUE(said("  (ids cannot be read)\n2 HID device(s) examined, 0 programming unit(s)"));
}

TEST_F(FlashToolTest, UnitOptionPicksTheUnitBySerialOrPath) {
    ASSERT_EQ(run({"info", "--json", "--simulate=units:2", "--unit", "SIM0002"}), 0);
    EXPECT_EQ(jsonLines().at(0)["unit"]["id"], "SIM0002");
    const std::string path = jsonLines().at(0)["unit"]["path"];
    ASSERT_EQ(run({"update", "--simulate=units:2", "--unit", path}), 0);
    EXPECT_TRUE(flashHoldsImage(1));
    EXPECT_EQ(unit(0).deliveredCount(kCmdEraseFirmware), 0u);
}

TEST_F(FlashToolTest, AllWritesEachReadyUnitOnItsOwnAndOneFailureStaysItsOwn) {
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
    for (const char* line : {"SIM0001  written\n", "SIM0003  written\n", "SIM0004  skipped\n",
                             "SIM0002  failed: Fehler beim Schreiben"}) {
        EXPECT_TRUE(said(line)) << line;
    }
    EXPECT_EQ(out.str().find('{'), std::string::npos);  // lines for people only
    // One history line per write attempt; the skipped unit has none.
    std::vector<std::string> written;
    for (const std::string& line : historyLines()) {
        written.push_back(line.substr(line.find(R"("result":)"), 18));
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written,
              (std::vector<std::string>{R"("result":"failed",)", R"("result":"failed",)",
                                        R"("result":"written")", R"("result":"written")"}));
}

TEST_F(FlashToolTest, DowngradeQuestionsComeBeforeAnyWrite) {
    inIsTerminal = true;
    in.str("n\ny\n");
    EXPECT_EQ(run({"update", "--all", "--simulate=units:3,downgrade"}), 0);
    EXPECT_LT(out.str().rfind("SIM0003:\nNeuere Firmware"), out.str().find("written"));
    EXPECT_EQ(unit(0).deliveredCount(kCmdEraseFirmware), 0u);
    EXPECT_TRUE(flashHoldsImage(1));
    EXPECT_EQ(unit(2).deliveredCount(kCmdEraseFirmware), 0u);  // no answer left: no
}

TEST_F(FlashToolTest, TerminalShowsOneProgressLinePerUnitRedrawnInPlace) {
    outIsTerminal = true;
    EXPECT_EQ(run({"update", "--all", "--simulate=units:2"}), 0);
    const std::string text = out.str();
    EXPECT_TRUE(said("SIM0002  write   [###############...............]  50%"));
    EXPECT_TRUE(said("SIM0001  restore [##############################] 100%"));
    // Redrawn on change only (each redraw backs up with ESC [2F): far fewer than blocks.
    EXPECT_LT(std::count(text.begin(), text.end(), 'F'), 400);
    // Back up over both lines; the result lines come below the board, once it is finished.
    EXPECT_GT(text.find("SIM0001  written"), text.rfind("\x1b[2F"));
    EXPECT_NE(text.rfind("\x1b[2F"), std::string::npos);
}

TEST_F(FlashToolTest, UpdateEventsFollowEachUnitFromFoundToFinished) {
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
    EXPECT_EQ(event("summary")["written"], 2);
}

TEST_F(FlashToolTest, HistoryListsTheRecordsNewestLast) {
    ASSERT_EQ(run({"update", "--simulate=units:2", "--unit", "SIM0002"}), 0);
    ASSERT_EQ(run({"update", "--simulate=erase-fails"}), 1);
    std::ofstream(journal->file(), std::ios::app) << "not json\n";
    ASSERT_EQ(run({"history"}), 0);
    const auto written = out.str().find("TUNEPUCK SIM0002  controller 1.7 -> 1.8  written  30.");
    const auto failed = out.str().find(
        "TUNEPUCK SIM0001  controller 1.7 -> ?  failed at erase (0x00000e01-0x00000000)");
    ASSERT_NE(written, std::string::npos) << out.str();
    EXPECT_LT(written, failed);
    EXPECT_TRUE(said("1 unreadable line(s) in "));

    ASSERT_EQ(run({"history", "--json", "--last", "1"}), 0);
    const nlohmann::json records = jsonLines().at(0)["records"];
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["failure"]["step"], "erase");
    EXPECT_EQ(records[0]["controller"]["typeCode"], "0e12c078");
    EXPECT_EQ(jsonLines().at(0)["unreadableLines"], 1);
}

}  // namespace
}  // namespace talo::flash
