#include "device/session.h"
#include "interrupt_guard.h"
#include "text_output.h"
#include "ticking_clock.h"
#include "unit_report_output.h"
#include "update/update_sequence.h"
#include "update_monitor.h"
#include "verb.h"

namespace talo::flash {
namespace {

// Long pauses are cut into slices this long, so the bar counts down through the erase.
constexpr std::uint32_t kTickMs = 200;

const char* answerName(bool yes) {
    return yes ? "yes" : "no";
}

class UpdateVerb final : public Verb {
  public:
    std::string_view name() const override { return "update"; }
    std::string_view help() const override {
        return "write the carried firmware into the controller (asks before a downgrade)";
    }

    VerbResult execute(Invocation& invocation) override {
        const bool json = invocation.args.json;
        Console& console = invocation.console;
        DeviceSession session;
        ConsoleView view(console, invocation.args.yes, json);
        DeviceLink link{invocation.hid, invocation.clock};
        UpdaterContext context{link, session, view, invocation.image};

        const UnitReport report = examineUnit(context, view);
        if (json) {
            writeUnitJson(invocation.json, report);
        } else {
            printUnit(console.out, report);
        }
        if (report.readiness != Readiness::Ready) {
            if (!json) {
                printGuidance(console.out, report);
            }
            return situationResult(report.readiness);
        }

        // The bar goes where a person watches: stdout, or stderr when stdout carries JSON.
        std::ostream* progressOut = nullptr;
        if (!json && console.outIsTerminal) {
            progressOut = &console.out;
        } else if (json && console.errIsTerminal) {
            progressOut = &console.err;
        }
        const std::size_t blocks = (invocation.image.size + kBlockBytes - 1) / kBlockBytes;
        UpdateMonitor monitor(invocation.clock, progressOut, blocks);
        TickingClock clock(invocation.clock, kTickMs, [&monitor] { monitor.tick(); });
        DeviceLink pacedLink{invocation.hid, clock};
        UpdaterContext update{pacedLink, session, view, invocation.image};
        view.setMonitor(&monitor);
        view.setBeforeOutput([&monitor] { monitor.closeBar(); });

        runUpdate(update);
        endCriticalStretch();
        monitor.closeBar();
        closeSession(link, session);

        const VerbResult result = outcome(monitor);
        const bool interrupted = monitor.started() && interruptHeldBack();
        if (json) {
            writeJson(invocation.json, view, monitor, result);
            invocation.json.key("interrupted").value(interrupted);
        } else {
            const std::u16string& status = view.updateEndText();
            if (!status.empty()) {
                (monitor.failed() ? console.err : console.out) << toTerminalText(status) << '\n';
            }
        }
        if (interrupted) {
            return {ExitCode::Interrupted, "interrupted by Ctrl-C after the update had ended"};
        }
        return result;
    }

  private:
    static VerbResult outcome(const UpdateMonitor& monitor) {
        if (monitor.succeeded()) {
            return {};
        }
        if (monitor.failed()) {
            return {ExitCode::Failed, "the update failed"};
        }
        return {ExitCode::Declined, "the downgrade was declined; nothing was written"};
    }

    static const char* outcomeName(const VerbResult& result) {
        switch (result.code) {
            case ExitCode::Success:
                return "succeeded";
            case ExitCode::Declined:
                return "declined";
            default:
                return "failed";
        }
    }

    static void writeJson(JsonWriter& json, const ConsoleView& view, const UpdateMonitor& monitor,
                          const VerbResult& result) {
        if (const auto& question = view.question()) {
            json.key("question")
                .beginObject()
                .key("caption")
                .value(question->caption)
                .key("text")
                .value(question->text)
                .key("answer")
                .value(answerName(question->answeredYes))
                .endObject();
        }
        json.key("outcome").value(outcomeName(result));
        json.key("blocksWritten").value(static_cast<std::int64_t>(monitor.blocksWritten()));
        if (const auto& failure = view.failure()) {
            json.key("failure")
                .beginObject()
                .key("caption")
                .value(failure->caption)
                .key("text")
                .value(failure->text)
                .endObject();
        }
        const std::u16string& status = view.updateEndText();
        if (!status.empty()) {
            json.key("status").value(status);
        }
    }
};

}  // namespace

std::unique_ptr<Verb> makeUpdateVerb() {
    return std::make_unique<UpdateVerb>();
}

}  // namespace talo::flash
