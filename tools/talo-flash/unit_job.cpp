#include "unit_job.h"

#include "device/session.h"
#include "text_output.h"
#include "ticking_clock.h"
#include "update/update_sequence.h"

namespace talo::flash {
namespace {

// Long pauses are cut into slices this long, so the bar counts down through the erase.
constexpr std::uint32_t kTickMs = 200;

}  // namespace

UnitJob::UnitJob(const UpdateSettings& settings, std::unique_ptr<HidPlatform> hid,
                 std::unique_ptr<Clock> clock, bool quiet)
    : settings_(settings),
      hid_(std::move(hid)),
      clock_(std::move(clock)),
      view_(settings.console, settings.yes, quiet) {
    resetSession(session_);
}

const UnitReport& UnitJob::examine(const std::vector<ExaminedDevice>& present) {
    DeviceLink link{*hid_, *clock_};
    UpdaterContext context{link, session_, view_, settings_.image};
    report_ = examineUnit(context, view_, present);
    settings_.output.unitFound(report_);
    return report_;
}

bool UnitJob::askNow() {
    answer_ = view_.confirmOverwrite();
    view_.presetAnswer(*answer_);
    return *answer_;
}

void UnitJob::answerByOption() {
    view_.presetAnswer(settings_.yes);
}

void UnitJob::skip(UnitResult result) {
    DeviceLink link{*hid_, *clock_};
    closeSession(link, session_);
    result_ = result;
    settings_.output.finished(report_.id, result, &view_, 0);
}

void UnitJob::write(const ProgressPlace& place) {
    const std::size_t blocks = (settings_.image.size + kBlockBytes - 1) / kBlockBytes;
    std::optional<UpdateMonitor> monitor;
    if (place.board != nullptr) {
        monitor.emplace(*clock_, *place.board, place.row, blocks);
    } else {
        monitor.emplace(*clock_, place.line, blocks);
    }
    TickingClock clock(*clock_, kTickMs, [&monitor] { monitor->tick(); });
    DeviceLink link{*hid_, clock};
    const std::unique_ptr<SystemAwake> awake =
        settings_.systemAwake ? settings_.systemAwake() : nullptr;
    UpdaterContext context{link, session_, view_, settings_.image, awake.get(), settings_.journal};
    UpdateOutput& output = settings_.output;
    const std::string& id = report_.id;
    view_.setMonitor(&*monitor);
    view_.setBeforeOutput([&monitor] { monitor->closeBar(); });
    view_.setWriteHook([&output, &id] { output.started(id); });
    view_.setPercentHook([&output, &id](unsigned percent) { output.progress(id, percent); });

    runUpdate(context);
    monitor->closeBar();
    closeSession(link, session_);
    view_.setMonitor(nullptr);
    view_.setBeforeOutput({});

    result_ = view_.succeeded() ? UnitResult::Written
              : view_.failure() ? UnitResult::Failed
                                : UnitResult::Declined;
    output.finished(id, result_, &view_, monitor->blocksWritten());
}

}  // namespace talo::flash
