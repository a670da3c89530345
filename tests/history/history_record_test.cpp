#include "history/history_record.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "device/commands.h"

namespace talo {
namespace {

constexpr std::uint8_t kImage[] = {'a', 'b', 'c'};

UpdateAttempt readyUnitAttempt() {
    UpdateAttempt attempt;
    resetSession(attempt.unit);
    attempt.unit.productId = kProductTuneCard;
    attempt.unit.devicePath = u"/dev/hidraw3";
    attempt.unit.unitFirmwareVersion = 0x00000105;
    attempt.unit.controllerIdentity[0] = 0x78;  // type code 0x0E12C078, little-endian
    attempt.unit.controllerIdentity[1] = 0xC0;
    attempt.unit.controllerIdentity[2] = 0x12;
    attempt.unit.controllerIdentity[3] = 0x0E;
    attempt.unit.setControllerFirmwareVersion(0x0107);
    attempt.durationMicros = 30'812'345;
    return attempt;
}

nlohmann::json recordOf(const UpdateAttempt& attempt) {
    const RecordSource source = recordSource("talo-flash", FirmwareImage{kImage, sizeof kImage});
    const auto start = std::chrono::system_clock::time_point(std::chrono::seconds(1714566896));
    return nlohmann::json::parse(historyLine(attempt, source, start));
}

TEST(HistoryRecordTest, WrittenAttemptCarriesUnitVersionsImageAndDuration) {
    UpdateAttempt attempt = readyUnitAttempt();
    attempt.written = true;
    const nlohmann::json record = recordOf(attempt);
    EXPECT_EQ(record["time"], "2024-05-01T12:34:56Z");
    EXPECT_EQ(record["unit"], nlohmann::json::parse(
                                  R"({"model":"TUNE-CARD","productId":2,"serial":null,
                                      "path":"/dev/hidraw3"})"));
    EXPECT_EQ(record["controller"]["identity"], "78c0120e" + std::string(72, '0'));
    EXPECT_EQ(record["controller"]["typeCode"], "0e12c078");
    EXPECT_EQ(record["before"]["controller"], "1.7");
    EXPECT_EQ(record["after"]["controller"], "1.8");
    EXPECT_EQ(record["image"]["sha256"],
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(record["result"], "written");
    EXPECT_FALSE(record.contains("failure"));
    EXPECT_EQ(record["durationMs"], 30'812);
}

TEST(HistoryRecordTest, FailedAttemptNamesStepResultAndSystemErrorAndNoAfter) {
    UpdateAttempt attempt = readyUnitAttempt();
    attempt.serialNumber = u"SN-7";
    attempt.failedStep = UpdateStep::Erase;
    attempt.result = kResultWriteFailed;
    attempt.systemError = 0x48F;
    const nlohmann::json record = recordOf(attempt);
    EXPECT_EQ(record["unit"]["serial"], "SN-7");
    EXPECT_TRUE(record["after"].is_null());
    EXPECT_EQ(record["result"], "failed");
    EXPECT_EQ(record["failure"],
              nlohmann::json::parse(R"({"step":"erase","result":-2,"systemError":1167})"));
}

}  // namespace
}  // namespace talo
