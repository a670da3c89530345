// Start-up to a known situation (the window's start-up evaluation) with 1, 50 and 500 HID
// devices in the simulated enumeration, the unit last. Prints the time per evaluation and the
// cost of each foreign device in front of the unit.
#include <chrono>
#include <cstdio>

#include "device/session.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "update/readiness.h"

namespace {

constexpr int kRounds = 200;

// The evaluation's outcome is all the benchmark needs; showing it costs nothing here.
class SilentView final : public talo::UpdaterView {
  public:
    void offerUpdate(bool) override {}
    void showGuidance(talo::Guidance) override {}
    void showVersions(const talo::DeviceSession&) override {}
    void noticeIncompatible() override {}
    bool confirmOverwrite() override { return false; }
    void progressBegins() override {}
    void progressAdvanced(unsigned, std::size_t, std::size_t) override {}
    void progressEnds() override {}
    void updateFailed(talo::UpdateStep, std::int32_t, std::uint32_t) override {}
    void updateSucceeded() override {}
};

// Mean microseconds of one start-up evaluation that finds the ready unit behind
// `devices - 1` foreign devices.
double startUpMicros(std::size_t devices) {
    talo::sim::VirtualClock clock;
    talo::sim::SimHidPlatform hid(clock);
    for (std::size_t i = 0; i + 1 < devices; ++i) {
        hid.addForeignDevice(0x046D, static_cast<std::uint16_t>(0xC000 + i));
    }
    hid.addUnit(talo::sim::makeUnit(talo::sim::Situation::Ready));

    SilentView view;
    talo::DeviceSession session;
    talo::DeviceLink link{hid, clock};
    talo::UpdaterContext context{link, session, view, {}};

    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        if (talo::evaluateReadiness(context, talo::EvaluationCaller::StartUp) !=
            talo::Readiness::Ready) {
            std::fprintf(stderr, "the unit was not found ready\n");
        }
        talo::closeSession(link, session);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::micro>(elapsed).count() / kRounds;
}

}  // namespace

int main() {
    const double one = startUpMicros(1);
    const double fifty = startUpMicros(50);
    const double fiveHundred = startUpMicros(500);
    std::printf("startup_1_us=%.1f\nstartup_50_us=%.1f\nstartup_500_us=%.1f\n", one, fifty,
                fiveHundred);
    std::printf("growth_500_over_1=%.1f\nper_foreign_device_us=%.3f\n", fiveHundred / one,
                (fiveHundred - one) / 499.0);
    return 0;
}
