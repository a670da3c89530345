#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "device/commands.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "tests/flash/tool_fixture.h"

namespace talo::flash {
namespace {

constexpr std::uint64_t kMandatedPausesMs = 30'760;  // for the carried 61,616-byte image

using FlashToolTest = ToolFixture;

// Every outcome: its exit code, what it says, on how many units an erase was started, and the
// same run with --json: JSON lines only on stdout, the last one carrying the exit code. With
// `answers`, stdin is a terminal that types them.
TEST_F(FlashToolTest, EachOutcomeHasItsExitCodeAndMessage) {
    struct Case {
        const char* arguments;
        int exitCode;
        std::size_t erased;
        const char* says;
        const char* jsonSays = "";
        const char* answers = nullptr;
    };
    const Case cases[] = {
        {"history --last 1", 0, 0, "no write recorded in "},  // before any write
        // One unit: no result line between the situation and the status line.
        {"update --simulate", 0, 1, "ready\n\nDas Update der Regler", R"("blocksWritten":1284})"},
        {"--version", 0, 0, "61616 bytes\nsha256 ff868b78", R"(61616,"imageSha256":"ff868b78)"},
        {"info --simulate=ready", 0, 0, "Regler              1.7\nsituation:  ready\n",
         R"("downgradeQuestion":false)"},
        {"info --simulate=downgrade", 0, 0, "ready (the controller's firmware",
         R"("controller":"1.9")"},
        {"info --simulate=bootloader", 4, 0, "TUNEPUCK            1.4\n  Regler-Bootloader   0.0\n",
         R"("situation":"wrong-mode","openResult":0,"unit":{"id":"SIM0001")"},
        // The situation, a blank line and the steps; JSON keeps the text's own CR LF.
        {"info --simulate=no-controller", 4, 0, "durchzuf\xC3\xBChren:\n\ni) Schlie",
         "durchzuf\xC3\xBChren:\\r\\n\\r\\ni) Schlie"},
        {"info --simulate=incompatible", 4, 0, "Regler inkompatibel\n",
         R"("notice":{"caption":"Regler inkompatibel")"},
        {"info --simulate=no-unit", 3, 0, "situation:  no-unit", R"("unit":null)"},
        {"update --simulate=incompatible", 4, 0, "talo-flash: not ready: incompatible"},
        {"update --simulate=no-unit", 3, 0, "talo-flash: no programming unit found"},
        // A failure: the box's caption and text, the closing status line, the tool's line.
        {"update --simulate=erase-fails", 1, 1,
         "Update fehlgeschlagen!\nFehler beim L\xC3\xB6schen",
         R"("failure":{"step":"erase","result":3585,"systemError":0)"},
        {"update --simulate=unplug-at:100", 1, 0, "Service\ntalo-flash: the update failed\n",
         R"("step":"write","result":-2,"systemError":1167)"},  // write failed, device gone
        {"update --simulate=lock-fails", 1, 0, "", R"("step":"lock","result":1627)"},
        {"update --simulate=downgrade", 5, 0, "[y/N] n (no terminal",
         R"("answer":"no"},"blocksWritten":0)"},
        {"update --simulate=downgrade -y", 0, 1, "[y/N] y (--yes)",
         R"("result":"written","question":{"caption":"Neuere Firmware gefunden")"},
        {"update --simulate=downgrade", 5, 0, "[y/N] \n", "", ""},  // no answer: no
        {"update --simulate=downgrade", 5, 0, "", "", " \n"},
        {"update --simulate=downgrade", 0, 1, "", "", " J \n"},
        {"update --simulate=downgrade", 0, 1, "", "", "yes\n"},
        // Every question before the first write; the third finds no answer left.
        {"update --all --simulate=units:3,downgrade", 0, 1,
         "[y/N] \nSIM0003  declined\nSIM0002  written", "", "n\ny\n"},
        {"update --simulate=units:2 --unit SIM3", 3, 0, "'SIM3'; present: SIM0001, SIM0002"},
        {"info --simulate=no-unit --unit X", 3, 0, "'X'; none present"},
        {"update --all --simulate=units:2,downgrade@2", 0, 1, "SIM0002  declined",
         R"("answer":"no"},"blocksWritten":0})"},
        {"update --all --simulate=units:2,downgrade", 5, 0, "downgrade was declined"},
        {"update --all --simulate=units:2,bootloader", 4, 0, "no unit was ready"},
        {"update --all --simulate=no-unit", 3, 0, "no programming unit found"},
        {"update --all --simulate=units:2,erase-fails@1", 1, 2, "1 unit(s) failed",
         R"("summary","written":1,"failed":1,"declined":0)"},
        {"info", 1, 0, "this build has no HID access; use --simulate"},
        {"list --simulate=foreign:2", 0, 0, "SIM0001\n3 HID device(s) examined, 1 programming",
         R"("productId":1,"unit":true,"id":"SIM0001","serial":"SIM0001"}],)"},
        {"list --simulate=no-unit,foreign:1", 3, 0, R"(046d:c000  \\?\hid#vid_046d)"},
        {"--help", 0, 0, "\n  history   the record"},
        {"info --all --help", 0, 0, "usage: talo-flash"},  // help wins over a misuse
        {"", 2, 0, "no verb given"},
        {"flash", 2, 0, "unknown verb 'flash'"},
        {"info list", 2, 0, "more than one verb: 'info' and 'list'"},
        {"update --bogus", 2, 0, "unknown option '--bogus'"},
        {"history --last 0", 2, 0, "--last"},
        {"info --all", 2, 0, "--all works with update only"},
        {"update --all --unit A", 2, 0, "--all and --unit exclude each other"},
        {"update --repeat", 2, 0, "--repeat needs update --wait"},
        {"info --wait --repeat", 2, 0, "--repeat needs update --wait"},
        {"update --wait --repeat --unit A", 2, 0, "--repeat and --unit exclude"},
        {"info --last 1", 2, 0, "--last works with history only"},
        {"list --unit A", 2, 0, "--unit works with info and update only"},
        {"info --simulate=", 2, 0, "--simulate= needs a situation"},
        {"update --simulate=redy", 2, 0, "unknown situation or fault 'redy'"},
        {"info --simulate=ready,bootloader", 2, 0, "more than one situation for a unit"},
        {"info --simulate=units:2,lock-fails@3", 2, 0, "no unit 3 in 'lock-fails@3'"},
        {"info --simulate=units", 2, 0, "'units' needs a count"},
        {"info --simulate=ready,", 2, 0, "unknown situation or fault ''"},
        {"info --simulate=block-fails:", 2, 0, ""},
        {"info --simulate=unplug-at:12x", 2, 0, ""},
        {"info --simulate=units:0", 2, 0, ""},
    };
    for (const Case& c : cases) {
        for (const std::string json : {"", " --json"}) {
            SCOPED_TRACE(c.arguments + json);
            inIsTerminal = c.answers != nullptr;
            in.clear();
            in.str(c.answers != nullptr ? c.answers : "");
            EXPECT_EQ(run(c.arguments + json), c.exitCode);
            std::size_t erased = 0;
            for (std::size_t i = 0; simulation && i < simulation->pluggedUnits(); ++i) {
                erased += unit(i).deliveredCount(kCmdEraseFirmware) > 0 ? 1u : 0u;
            }
            EXPECT_EQ(erased, c.erased);
            if (json.empty()) {
                EXPECT_TRUE(said(c.says)) << out.str() << err.str();
                EXPECT_EQ(err.str().find("talo-flash: ") != std::string::npos, c.exitCode != 0);
                continue;
            }
            EXPECT_EQ(jsonLines().back()["exitCode"], c.exitCode);
            EXPECT_EQ(err.str().find('{'), std::string::npos);
            EXPECT_TRUE(said(c.jsonSays)) << out.str();
        }
    }
}

// One unit: a bar per phase, ended by a newline; several: a line per unit, redrawn in place
// (ESC [2F backs up over both), with the result lines below the finished board. Both redraw
// on change only: far fewer than one line per block.
TEST_F(FlashToolTest, TerminalProgressIsRedrawnInPlace) {
    outIsTerminal = true;
    EXPECT_EQ(run("update --simulate"), 0);
    std::string text = out.str();
    EXPECT_LT(text.find("\rerase   ["), text.find("\rwrite   ["));
    EXPECT_LT(text.find("\rwrite   ["),
              text.find("\rrestore [##############################] 100%  0:00 left\n"));
    EXPECT_LT(std::count(text.begin(), text.end(), '\r'), 400);
    EXPECT_EQ(run("update --all --simulate=units:2"), 0);
    text = out.str();
    EXPECT_TRUE(said("SIM0002  write   [###############...............]  50%"));
    EXPECT_TRUE(said("SIM0001  restore [##############################] 100%"));
    EXPECT_LT(std::count(text.begin(), text.end(), 'F'), 400);
    const std::size_t result = text.find("SIM0001  written\n");
    EXPECT_TRUE(result != std::string::npos && text.rfind("\x1b[2F") < result);
}

// Another unit already present does not end the wait for the one named.
TEST_F(FlashToolTest, WaitPollsUntilTheUnitArrives) {
    for (const char* arguments :
         {"info --wait --simulate=arrives-after:5",
          "info --wait --unit SIM0002 --simulate=units:2,arrives-after:5@2"}) {
        clock.clearPauses();
        EXPECT_EQ(run(arguments), 0);
        EXPECT_EQ(clock.pauses(), (std::vector<std::uint32_t>{500, 500, 500}));
        EXPECT_TRUE(said("waiting for a programming unit"));
    }
}

TEST_F(FlashToolTest, SystemHidProblemsSayWhy) {
    noUnitHint = [](HidPlatform&) { return std::string("install the udev rule"); };
    struct Case {
        std::function<void(sim::SimHidPlatform&)> setup;
        const char* verb;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {[](auto&) {}, "info", 3, "no programming unit found; install the udev rule"},
        {[](auto& hid) { hid.setListingFails(true); }, "list", 1, "list of HID devices cannot"},
        {[](auto& hid) { hid.setClaimedElsewhere(hid.addUnit(sim::makeUnit({})), true); }, "update",
         6, "the unit is being written by another program"},
        {[](auto& hid) { hid.addUnopenableDevice(0x046D, 1); }, "list", 3, "(cannot be opened)\n"},
        {[](auto& hid) { hid.addDeviceWithoutAttributes(); }, "list", 3, "----:----  \\"},
        {[](auto& hid) { hid.addDeviceWithoutAttributes(); }, "list", 3, "(ids cannot be read)\n"},
        // --all: the unit written through a HID stack of its own.
        {[](auto& hid) { hid.addUnit(sim::makeUnit({})); }, "update --all", 0, "  written\n"},
    };
    for (const Case& c : cases) {
        systemHid = [this, &c] {
            auto hid = std::make_unique<sim::SimHidPlatform>(clock);
            c.setup(*hid);
            return hid;
        };
        EXPECT_EQ(run(c.verb), c.exitCode);
        EXPECT_TRUE(said(c.says)) << out.str() << err.str();
    }
}

TEST_F(FlashToolTest, UnitOptionPicksTheUnitBySerialOrPath) {
    ASSERT_EQ(run("info --json --simulate=units:2 --unit SIM0002"), 0);
    const std::string path = jsonLines().at(0)["unit"]["path"];
    clock.clearPauses();
    ASSERT_EQ(run("update --simulate=units:2 --unit " + path), 0);
    EXPECT_TRUE(flashHoldsImage(1));
    EXPECT_EQ(unit(0).deliveredCount(kCmdEraseFirmware), 0u);
    EXPECT_EQ(clock.totalPausedMs(), kMandatedPausesMs);
}

TEST_F(FlashToolTest, AllWritesEachReadyUnitOnItsOwnAndOneFailureStaysItsOwn) {
    EXPECT_EQ(
        run("update --all --yes "
            "--simulate=units:5,block-fails:200@2,incompatible@4,downgrade@3,unplug-at:100@5"),
        1);
    EXPECT_TRUE(flashHoldsImage(0));
    EXPECT_TRUE(flashHoldsImage(2));  // the downgrade, accepted by --yes
    EXPECT_EQ(unit(3).deliveredCount(kCmdEraseFirmware), 0u);
    // Each written unit paced on its own clock, exactly as a single update.
    EXPECT_EQ(unitClocks.at(2).totalPausedMs(), kMandatedPausesMs);
    for (const char* line : {"SIM0001  written\n", "SIM0003  written\n", "SIM0004  skipped\n",
                             "SIM0002  failed: Fehler beim Schreiben"}) {
        EXPECT_TRUE(said(line)) << line;
    }
    EXPECT_EQ(out.str().find('{'), std::string::npos);  // lines for people only
    // One history line per write attempt; the skipped unit has none.
    EXPECT_EQ(historyLines().size(), 4u);
    EXPECT_EQ(historyLinesWritten(), 2);
}

// Per unit, in order: found, started, every percent once, finished; then one summary.
TEST_F(FlashToolTest, UpdateEventsFollowEachUnitFromFoundToFinished) {
    ASSERT_EQ(run("update --json --all --simulate=units:2"), 0);
    std::map<std::string, std::string> events;
    for (const nlohmann::json& line : jsonLines()) {
        const std::string name = line["event"];
        events[name == "unit" ? line["unit"]["id"].get<std::string>() : line.value("unit", "")] +=
            name == "progress" ? std::to_string(line["percent"].get<int>()) + " " : name + " ";
    }
    std::string expected = "unit started ";
    for (int percent = 0; percent <= 100; ++percent) {
        expected += std::to_string(percent) + " ";
    }
    EXPECT_EQ(events["SIM0001"], expected + "finished ");
    EXPECT_EQ(events["SIM0002"], expected + "finished ");
    EXPECT_EQ(events[""], "summary ");
}

TEST_F(FlashToolTest, HistoryListsTheRecordsNewestLast) {
    std::ofstream(journal->file(), std::ios::binary)
        << "not json\n\r\n{\"unit\":{\"serial\":null,\"path\":\"/p\"},\"failure\":{}}\n";
    ASSERT_EQ(run("update --simulate=units:2 --unit SIM0002"), 0);
    ASSERT_EQ(run("update --simulate=erase-fails"), 1);
    ASSERT_EQ(run("history"), 0);
    // A unit without serial, a failure without its codes.
    EXPECT_TRUE(said("?  ?  ? /p  controller ? -> ?  ? at ? (0x00000000-0x00000000)  0.0 s\n"));
    EXPECT_LT(out.str().find("TUNEPUCK SIM0002  controller 1.7 -> 1.8  written  30."),
              out.str().find("TUNEPUCK SIM0001  controller 1.7 -> ?  failed at erase "
                             "(0x00000e01-0x00000000)"));
    EXPECT_TRUE(said("1 unreadable line(s) in "));
    ASSERT_EQ(run("history --json --last 1"), 0);
    const nlohmann::json records = jsonLines().at(0)["records"];
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["failure"]["step"], "erase");
    EXPECT_EQ(records[0]["controller"]["typeCode"], "0e12c078");
    EXPECT_EQ(jsonLines().at(0)["unreadableLines"], 1);
}

}  // namespace
}  // namespace talo::flash
