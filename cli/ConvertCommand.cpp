// Batch conversion: each input is loaded and converted by the same core as the window, with
// the same messages; a failure is reported and the next input goes on.

#include <iostream>

#include "CliMessages.h"
#include "Commands.h"
#include "convert/ConvertRun.h"
#include "convert/OutputPath.h"
#include "platform/OsFileApi.h"
#include "platform/ViewSwitch.h"
#include "recording/LoadRecording.h"

namespace vantrel::cli {

namespace {

// Converts one input; prints the success message on `out`, or each failure message as
// "INPUT: text" on `err`. Returns true on success.
bool ConvertOne(const std::string& input, const std::vector<std::string>& inputs,
                const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    OsFileApi files;
    CollectedMessages messages;
    const Platform platform{files, messages};
    NoViewSwitch view;

    ConversionState state;
    state.inputPath = input;
    if (!LoadRecording(state, platform, view)) {
        PrintFailure(err, input, messages.messages());
        return false;
    }
    state.outputPath = options.output.empty() ? DeriveOutputPath(input) : options.output;
    // Another recording of the batch ("run1.daq run1.cvt") would be truncated before its turn.
    for (const auto& other : inputs) {
        if (files.IsSameFile(state.outputPath, other)) {
            PrintFailure(err, input, {kOutputIsInputMessage});
            return false;
        }
    }
    state.formatIndex = options.formatIndex;
    state.separatorIndex = options.separatorIndex;
    state.titleFlag = options.titleFlag;

    MemorySampleSource source(state.samples->bytes());
    if (!ConvertToOutput(state, source, platform)) {
        PrintFailure(err, input, messages.messages());
        return false;
    }
    for (const auto& text : messages.messages()) {
        out << text << '\n';
    }
    return true;
}

}  // namespace

int RunConvert(const std::vector<std::string>& inputs, const ConvertOptions& options) {
    if (!options.output.empty() && inputs.size() != 1) {
        std::cerr << "--output needs exactly one INPUT\n";
        return kExitUsage;
    }
    int status = kExitOk;
    for (const auto& input : inputs) {
        if (!ConvertOne(input, inputs, options, std::cout, std::cerr)) {
            status = kExitFailed;
        }
        // Keep the two streams in the order the inputs were handled.
        std::cout.flush();
    }
    return status;
}

}  // namespace vantrel::cli
