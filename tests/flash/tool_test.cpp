#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "device/commands.h"
#include "tests/flash/tool_fixture.h"

namespace talo::flash {
namespace {

constexpr std::uint64_t kMandatedPausesMs = 30'760;  // for the carried 61,616-byte image
constexpr std::size_t kBlocks = 1284;

class FlashToolTest : public ToolFixture {
  protected:
    void expectFlashHoldsImage() const { EXPECT_TRUE(flashHoldsImage()); }

    void expectNothingErased() const {
        EXPECT_EQ(unit().deliveredCount(kCmdEraseFirmware), 0u);
        EXPECT_EQ(unit().deliveredCount(kCmdWriteBlock), 0u);
    }

    // One JSON object on one line, carrying `member`.
    void expectJsonWith(const std::string& member) const {
        const std::string text = out.str();
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.front(), '{');
        EXPECT_EQ(text.substr(text.size() - 2), "}\n");
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
        EXPECT_NE(text.find(member), std::string::npos) << text;
    }

    // The update's JSON Lines event `name` (the last one of that name).
    nlohmann::json event(const std::string& name) const {
        nlohmann::json found;
        for (const nlohmann::json& line : jsonLines()) {
            if (line.value("event", "") == name) {
                found = line;
            }
        }
        return found;
    }
};

TEST_F(FlashToolTest, UpdateWritesTheImageWithTheMandatedPauses) {
    EXPECT_EQ(run({"update", "--simulate"}), 0);
    expectFlashHoldsImage();
    EXPECT_EQ(unit().deliveredCount(kCmdWriteBlock), kBlocks);
    EXPECT_EQ(clock.totalPausedMs(), kMandatedPausesMs);
    EXPECT_TRUE(unit().flash.writeProtect);
    EXPECT_FALSE(unit().flash.systemLock);
    EXPECT_NE(out.str().find("Das Update der Regler-Software wurde erfolgreich"),
              std::string::npos);
}

TEST_F(FlashToolTest, InfoJsonNamesEachSituationWithItsExitCode) {
    struct Case {
        const char* plan;
        const char* situation;
        int exitCode;
    };
    const Case cases[] = {
        {"ready", "ready", 0},
        {"downgrade", "ready", 0},
        {"bootloader", "wrong-mode", 4},
        {"no-controller", "no-controller", 4},
        {"incompatible", "incompatible", 4},
        {"no-unit", "no-unit", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plan);
        EXPECT_EQ(run({"info", "--json", std::string("--simulate=") + c.plan}), c.exitCode);
        expectJsonWith(std::string("\"situation\":\"") + c.situation + "\"");
        expectJsonWith("\"exitCode\":" + std::to_string(c.exitCode) + "}");
    }
}

TEST_F(FlashToolTest, InfoJsonCarriesVersionsAndGuidance) {
    run({"info", "--json", "--simulate=downgrade"});
    expectJsonWith(
        R"("versions":{"unit":"1.5","controllerBootloader":"1.2.10","controller":"1.9"})");
    expectJsonWith(R"("downgradeQuestion":true)");

    run({"info", "--json", "--simulate=no-controller"});
    // The situation, a blank line and the numbered steps, with the text's own CR LF.
    expectJsonWith(
        "angeschlossen wurde. Gehen Sie folgenderma\xC3\x9F"
        "en vor, um ein Update der Regler Software durchzuf\xC3\xBChren:"
        R"(\r\n\r\ni) Schlie)");

    run({"info", "--json", "--simulate=incompatible"});
    expectJsonWith(R"("notice":{"caption":"Regler inkompatibel")");
    expectJsonWith("des Typs 'TALO Max 150' aktualisieren");

    run({"info", "--json", "--simulate=no-unit"});
    expectJsonWith(R"("unit":null)");
}

TEST_F(FlashToolTest, InfoPrintsThePanelAndGuidanceWithPlainNewlines) {
    EXPECT_EQ(run({"info", "--simulate=bootloader"}), 4);
    const std::string text = out.str();
    EXPECT_NE(text.find("situation:  wrong-mode"), std::string::npos);
    EXPECT_NE(text.find("durchzuf\xC3\xBChren:\n\ni) Schlie"), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(FlashToolTest, DowngradeIsRefusedWhenNoTerminalAnswers) {
    EXPECT_EQ(run({"update", "--simulate=downgrade"}), 5);
    expectNothingErased();
    EXPECT_NE(out.str().find("Neuere Firmware gefunden"), std::string::npos);
    EXPECT_NE(out.str().find("[y/N] n"), std::string::npos);
}

TEST_F(FlashToolTest, DowngradeAcceptedByYesOptionOrTerminalAnswer) {
    EXPECT_EQ(run({"update", "--simulate=downgrade", "--yes"}), 0);
    expectFlashHoldsImage();

    inIsTerminal = true;
    in.str("nein\n");
    EXPECT_EQ(run({"update", "--simulate=downgrade"}), 5);
    expectNothingErased();

    in.clear();
    in.str("j\n");
    EXPECT_EQ(run({"update", "--simulate=downgrade"}), 0);
    expectFlashHoldsImage();
}

TEST_F(FlashToolTest, UpdateJsonReportsTheDeclinedQuestion) {
    EXPECT_EQ(run({"update", "--json", "--simulate=downgrade"}), 5);
    const nlohmann::json finished = event("finished");
    EXPECT_EQ(finished["result"], "declined");
    EXPECT_EQ(finished["question"]["caption"], "Neuere Firmware gefunden");
    EXPECT_EQ(finished["question"]["answer"], "no");
    EXPECT_EQ(event("summary")["exitCode"], 5);
}

TEST_F(FlashToolTest, FailedEraseShowsCaptionTextAndCodeLine) {
    EXPECT_EQ(run({"update", "--simulate=erase-fails"}), 1);
    EXPECT_NE(err.str().find("Update fehlgeschlagen!\nFehler beim L\xC3\xB6schen der alten "
                             "Firmware. Neue Daten k\xC3\xB6nnen nicht geschrieben werden. Das "
                             "Update wird abgebrochen.\nDas System meldet Fehlercode "
                             "0x00000e01-0x00000000\n"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(unit().deliveredCount(kCmdWriteBlock), 0u);
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
}

TEST_F(FlashToolTest, NotReadyUnitIsNotTouched) {
    EXPECT_EQ(run({"update", "--simulate=incompatible"}), 4);
    expectNothingErased();
    EXPECT_EQ(run({"update", "--simulate=no-unit"}), 3);
}

TEST_F(FlashToolTest, ProgressOnATerminalShowsEachPhaseAndEndsItsLine) {
    outIsTerminal = true;
    EXPECT_EQ(run({"update", "--simulate"}), 0);
    const std::string text = out.str();
    const auto erase = text.find("\rerase ");
    const auto write = text.find("\rwrite ");
    const auto restore = text.find("\rrestore ");
    ASSERT_NE(erase, std::string::npos);
    ASSERT_NE(write, std::string::npos);
    ASSERT_NE(restore, std::string::npos);
    EXPECT_LT(erase, write);
    EXPECT_LT(write, restore);
    EXPECT_NE(text.find("100%  0:00 left\n"), std::string::npos);
    // Redrawn on change only: far fewer lines than blocks.
    EXPECT_LT(std::count(text.begin(), text.end(), '\r'), 400);
}

TEST_F(FlashToolTest, ListMarksTheUnitAmongForeignDevices) {
    EXPECT_EQ(run({"list", "--simulate=foreign:2"}), 0);
    EXPECT_NE(out.str().find("046d:c000  "), std::string::npos);
    EXPECT_NE(out.str().find("1209:0001  "), std::string::npos);
    EXPECT_NE(out.str().find("programming unit, id SIM0001"), std::string::npos);
    EXPECT_NE(out.str().find("3 HID device(s) examined, 1 programming unit(s)"), std::string::npos);

    EXPECT_EQ(run({"list", "--json", "--simulate=no-unit,foreign:1"}), 3);
    expectJsonWith(R"("unit":false}])");
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
        EXPECT_NE(err.str().find("waiting for a programming unit"), std::string::npos);
        EXPECT_NE(out.str().find(c.unitLine), std::string::npos) << out.str();
    }
}

TEST_F(FlashToolTest, VersionPrintsImageVersionAndDigest) {
    const std::string abc = "abc";
    image.assign(abc.begin(), abc.end());
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_NE(out.str().find("firmware image 1.8, 3 bytes"), std::string::npos);
    EXPECT_NE(out.str().find("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"),
              std::string::npos);
}

TEST_F(FlashToolTest, UsageErrorsExitWithTwo) {
    EXPECT_EQ(run({"flash"}), 2);
    EXPECT_NE(err.str().find("unknown verb 'flash'"), std::string::npos);
    EXPECT_EQ(run({"info", "list"}), 2);
    EXPECT_NE(err.str().find("more than one verb: 'info' and 'list'"), std::string::npos);
    EXPECT_EQ(run({"info", "--simulate=block-fails:0"}), 2);
    EXPECT_EQ(run({"info", "--simulate=ready,bootloader"}), 2);
    EXPECT_EQ(run({"--json", "update", "--bogus"}), 2);
    expectJsonWith(R"({"error":"unknown option '--bogus'","exitCode":2})");
}

TEST_F(FlashToolTest, WithoutSystemHidOnlySimulationWorks) {
    EXPECT_EQ(run({"info"}), 1);
    EXPECT_NE(err.str().find("use --simulate"), std::string::npos);
}

TEST_F(FlashToolTest, SystemHidProblemsSayWhy) {
    systemHid = [this] { return std::make_unique<sim::SimHidPlatform>(clock); };
    noUnitHint = [](HidPlatform&) { return std::string("install the udev rule"); };
    EXPECT_EQ(run({"info"}), 3);
    EXPECT_NE(err.str().find("no programming unit found; install the udev rule"),
              std::string::npos);
    systemHid = [this] {
        auto failing = std::make_unique<sim::SimHidPlatform>(clock);
        failing->setListingFails(true);
        return failing;
    };
    EXPECT_EQ(run({"list"}), 1);
    EXPECT_NE(err.str().find("the list of HID devices cannot be had"), std::string::npos);
}

TEST_F(FlashToolTest, HelpListsVerbsAndExitCodes) {
    EXPECT_EQ(run({"--help"}), 0);
    for (const char* word : {"list", "info", "update", "history", "130", "--yes", "--unit", "--all",
                             "--repeat", "units:N", "unplug-at:N"}) {
        EXPECT_NE(out.str().find(word), std::string::npos) << word;
    }
}

}  // namespace
}  // namespace talo::flash
