// Cost of one command exchange (request report out, answer report in) with a simulated unit
// that answers without latency, through the device link's command code.
#include <benchmark/benchmark.h>

#include <array>

#include "device/commands.h"
#include "device/session.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"

namespace {

class ReadyUnit {
  public:
    ReadyUnit() : hid_(clock_), link_{hid_, clock_} {
        unit_ = hid_.addUnit(talo::sim::makeUnit(talo::sim::Situation::Ready));
        talo::openSession(link_, session_);
    }
    talo::DeviceLink& link() { return link_; }
    const talo::DeviceSession& session() const { return session_; }
    // The unit logs every exchange; keep the log from growing through millions of rounds.
    void clearLog() { hid_.unit(unit_).clearLog(); }

  private:
    talo::sim::VirtualClock clock_;
    talo::sim::SimHidPlatform hid_;
    talo::DeviceLink link_;
    talo::DeviceSession session_;
    talo::sim::DeviceId unit_ = 0;
};

void BM_SetSystemLockExchange(benchmark::State& state) {
    ReadyUnit unit;
    bool lock = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(talo::SetSystemLock(unit.link(), unit.session(), lock));
        lock = !lock;
        if ((state.iterations() & 0xFFF) == 0) {
            unit.clearLog();
        }
    }
}
BENCHMARK(BM_SetSystemLockExchange);

void BM_ReadControllerIdentityExchange(benchmark::State& state) {
    ReadyUnit unit;
    talo::ControllerIdentityBlock block{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(talo::ReadControllerIdentity(unit.link(), unit.session(), block));
        if ((state.iterations() & 0xFFF) == 0) {
            unit.clearLog();
        }
    }
}
BENCHMARK(BM_ReadControllerIdentityExchange);

}  // namespace

BENCHMARK_MAIN();
