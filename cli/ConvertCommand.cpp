// SPDX-License-Identifier: BSD-3-Clause
// Batch conversion: each input is converted by the same core as the window, with the same
// messages; a failure is reported and the next input goes on. The sample block is streamed
// from the file chunk by chunk, so memory stays bounded whatever the recording's size.
// Several inputs may convert at once, each with its own state and messages; the messages
// are printed in the inputs' order, so a batch reads the same however many jobs ran it.

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <ostream>
#include <thread>

#include "CliMessages.h"
#include "Commands.h"
#include "Interrupt.h"
#include "ProgressLine.h"
#include "StandardStreams.h"
#include "convert/formats/OutputFormats.h"
#include "convert/run/BatchPlan.h"
#include "convert/run/ConvertRun.h"
#include "platform/OsFileApi.h"
#include "platform/Terminal.h"

namespace vantrel::cli {

namespace {

enum class Handled { kConverted, kSkipped, kFailed, kCancelled };

struct InputReport {
    Handled handled = Handled::kFailed;
    OutcomeKind kind = OutcomeKind::kFailed;  // of a conversion that was run
    std::vector<std::string> messages;
};

// Prints the report of each input once every input before it has been printed.
class OrderedReports {
  public:
    OrderedReports(std::size_t inputs, const std::vector<PlannedInput>& plan, ProgressLine& line,
                   std::ostream& messages, std::ostream& err, bool quiet)
        : plan_(plan),
          line_(line),
          messages_(messages),
          err_(err),
          quiet_(quiet),
          reports_(inputs) {}

    void Add(std::size_t input, InputReport report) {
        const std::lock_guard lock(mutex_);
        reports_[input] = std::move(report);
        while (next_ < reports_.size() && reports_[next_]) {
            Print(next_++);
        }
    }

    // What did finish, in order, past inputs that never started (Ctrl-C stopped the batch).
    void PrintTheRest() {
        const std::lock_guard lock(mutex_);
        for (; next_ < reports_.size(); ++next_) {
            if (reports_[next_]) {
                Print(next_);
            }
        }
    }

    int Status() const {
        int status = kExitOk;
        for (const auto& report : reports_) {
            if (report && report->handled == Handled::kCancelled) {
                return kExitInterrupted;
            }
            if (report && report->handled == Handled::kFailed && status != kExitUsage) {
                // A selection the input does not hold is a mistake of the command line.
                const bool unselectable = report->kind == OutcomeKind::kNotInRecording ||
                                          report->kind == OutcomeKind::kEmptySelection;
                status = unselectable ? kExitUsage : kExitFailed;
            }
        }
        return status;
    }

    bool AllReported() const {
        return std::all_of(reports_.begin(), reports_.end(),
                           [](const auto& report) { return report.has_value(); });
    }

    bool AnyCancelled() const {
        return std::any_of(reports_.begin(), reports_.end(), [](const auto& report) {
            return report && report->handled == Handled::kCancelled;
        });
    }

  private:
    void Print(std::size_t input) {
        const InputReport& report = *reports_[input];
        line_.PrintAbove([&] {
            if (report.handled == Handled::kConverted || report.handled == Handled::kSkipped) {
                if (!quiet_) {
                    for (const auto& text : report.messages) {
                        messages_ << text << '\n';
                    }
                    messages_.flush();
                }
                return;
            }
            // Keep the two streams in the order the inputs were handled.
            messages_.flush();
            PrintFailure(err_, plan_[input].input, report.kind, report.messages);
            err_.flush();
        });
    }

    const std::vector<PlannedInput>& plan_;
    ProgressLine& line_;
    std::ostream& messages_;
    std::ostream& err_;
    const bool quiet_;
    std::mutex mutex_;
    std::vector<std::optional<InputReport>> reports_;
    std::size_t next_ = 0;
};

InputReport ConvertOne(const PlannedInput& planned, std::size_t index,
                       const std::vector<std::string>& inputs, const ConvertCommand& command,
                       FileApi& files, ProgressLine& line) {
    if (planned.refusal) {
        line.Finished(index);
        return {Handled::kFailed, OutcomeKind::kRefused, {*planned.refusal}};
    }
    if (planned.skipped) {
        line.Finished(index);
        return {Handled::kSkipped, OutcomeKind::kDone, {SkippedMessage(planned.output)}};
    }
    MessageLog messages;
    ConversionRequest request;
    request.inputPath = planned.input;
    request.outputPath = planned.output;
    request.options = command.options;
    request.selection = command.selection;
    request.names = command.names;
    // Another recording of the batch ("run1.daq run1.cvt") would be replaced before its
    // turn.
    request.otherInputs = inputs;
    const ProgressCallback progress = [&](std::uint64_t done, std::uint64_t total) {
        line.Update(index, done, total);
        return !InterruptCatcher::Requested();
    };
    const Outcome outcome = RunConversion(request, Platform{files, messages}, progress);
    line.Finished(index);
    Handled handled = outcome.done() ? Handled::kConverted : Handled::kFailed;
    if (outcome.kind == OutcomeKind::kCancelled && InterruptCatcher::Requested()) {
        handled = Handled::kCancelled;
    }
    return {handled, outcome.kind, messages.texts()};
}

unsigned JobCount(unsigned asked, std::size_t inputs) {
    unsigned jobs = asked == 0 ? std::max(1u, std::thread::hardware_concurrency()) : asked;
    return static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(inputs, 1)));
}

bool ShowsProgress(const ConvertCommand& command) {
    switch (command.progress) {
        case ProgressShown::kAlways:
            return true;
        case ProgressShown::kNever:
            return false;
        case ProgressShown::kOnTerminal:
            return !command.quiet && IsTerminal(StandardStream::kError);
    }
    return false;
}

}  // namespace

int RunConvert(const std::vector<std::string>& inputs, const ConvertCommand& command,
               std::ostream& out, std::ostream& err) {
    if (!command.output.empty() && inputs.size() != 1) {
        err << "--output needs exactly one INPUT\n";
        return kExitUsage;
    }
    const std::vector<PlannedInput> plan =
        PlanBatch(inputs, {command.output, command.outputDir, command.noClobber},
                  FormatInfo(command.options.format).extension);
    // Standard output carrying data takes no message, not even a success.
    std::ostream& messages = WritesStandardOutput(plan) ? err : out;
    OsFileApi os;
    os.WaitForPipeReaders();  // -o FIFO as a shell's > writes it
    StandardStreamFiles files(os);
    const InterruptCatcher interrupt;
    ProgressLine line(err, ShowsProgress(command), plan.size());
    OrderedReports reports(plan.size(), plan, line, messages, err, command.quiet);

    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        while (!InterruptCatcher::Requested()) {
            const std::size_t i = next.fetch_add(1);
            if (i >= plan.size()) {
                return;
            }
            reports.Add(i, ConvertOne(plan[i], i, inputs, command, files, line));
        }
    };
    {
        const StallHint hint([&] {
            line.PrintAbove([&] {
                err << kPressAgainMessage << '\n';
                err.flush();
            });
        });
        std::vector<std::thread> helpers;
        for (unsigned j = 1; j < JobCount(command.jobs, plan.size()); ++j) {
            helpers.emplace_back(work);
        }
        work();
        for (auto& helper : helpers) {
            helper.join();
        }
    }
    line.Clear();
    reports.PrintTheRest();
    // Ctrl-C between two inputs stopped the batch without a conversion saying so.
    if (!reports.AllReported() && !reports.AnyCancelled()) {
        err << kCancelledMessage << '\n';
        err.flush();
        return kExitInterrupted;
    }
    out.flush();
    return reports.Status();
}

}  // namespace vantrel::cli
