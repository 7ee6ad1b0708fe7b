// Batch conversion: each input is converted by the same core as the window, with the same
// messages; a failure is reported and the next input goes on. The sample block is streamed
// from the file chunk by chunk, so memory stays bounded whatever the recording's size.

#include <ostream>

#include "CliMessages.h"
#include "Commands.h"
#include "convert/ConvertRun.h"
#include "convert/OutputFormats.h"
#include "convert/OutputPath.h"
#include "platform/OsFileApi.h"

namespace vantrel::cli {

int RunConvert(const std::vector<std::string>& inputs, const ConvertCommand& command,
               std::ostream& out, std::ostream& err) {
    if (!command.output.empty() && inputs.size() != 1) {
        err << "--output needs exactly one INPUT\n";
        return kExitUsage;
    }
    const std::string_view extension = FormatInfo(command.options.format).extension;
    OsFileApi files;
    int status = kExitOk;
    for (const auto& input : inputs) {
        CollectedMessages messages;
        ConversionState state;
        state.inputPath = input;
        state.outputPath =
            command.output.empty() ? DeriveOutputPath(input, extension) : command.output;
        state.options = command.options;
        // Another recording of the batch ("run1.daq run1.cvt") would be replaced before its
        // turn.
        if (StreamConvert(state, Platform{files, messages}, inputs)) {
            for (const auto& text : messages.messages()) {
                out << text << '\n';
            }
        } else {
            // Keep the two streams in the order the inputs were handled.
            out.flush();
            PrintFailure(err, input, messages.messages());
            status = kExitFailed;
        }
    }
    out.flush();
    return status;
}

}  // namespace vantrel::cli
