// Batch conversion: each input is converted by the same core as the window, with the same
// messages; a failure is reported and the next input goes on. The sample block is streamed
// from the file chunk by chunk, so memory stays bounded whatever the recording's size.

#include <iostream>

#include "CliMessages.h"
#include "Commands.h"
#include "convert/ConvertRun.h"
#include "convert/OutputPath.h"
#include "convert/SampleSource.h"
#include "platform/OsFileApi.h"
#include "platform/ViewSwitch.h"
#include "recording/LoadRecording.h"

namespace vantrel::cli {

namespace {

// Closes the recording that OpenRecordingSamples left open, on every way out.
class InputCloser {
  public:
    InputCloser(FileApi& files, ConversionState& state) : files_(files), state_(state) {}
    InputCloser(const InputCloser&) = delete;
    InputCloser& operator=(const InputCloser&) = delete;
    ~InputCloser() {
        if (state_.inputFile != FileApi::kNoFile) {
            files_.Close(state_.inputFile);
            state_.inputFile = FileApi::kNoFile;
        }
    }

  private:
    FileApi& files_;
    ConversionState& state_;
};

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
    // The load up to the sample read, with its checks and messages; the samples themselves
    // are read while converting (a read failure there is reported as a whole load's would).
    const auto opened = OpenRecordingSamples(state, platform, view);
    if (!opened) {
        PrintFailure(err, input, messages.messages());
        return false;
    }
    const InputCloser closer(files, state);
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

    FileSampleSource source(files, opened->file, opened->sampleBytes);
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
