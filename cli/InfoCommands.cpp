// --info and --queue: a recording's header and queue as the window presents them.

#include <ostream>

#include "CliMessages.h"
#include "Commands.h"
#include "StandardStreams.h"
#include "platform/OsFileApi.h"
#include "platform/ViewSwitch.h"
#include "recording/CardCatalogue.h"
#include "recording/LoadRecording.h"

namespace vantrel::cli {

namespace {

// Loads `file` into `state`; on failure prints its message and returns false.
bool Load(ConversionState& state, const std::string& file, std::ostream& out, std::ostream& err) {
    OsFileApi os;
    StandardStreamFiles files(os);
    MessageLog messages;
    NoViewSwitch view;
    state.inputPath = file;
    // The header texts and the queue need no digest of the file.
    if (LoadRecording(state, Platform{files, messages}, view, SourceDigest::kSkip)) {
        return true;
    }
    // Keep the report in step with what standard output has shown so far.
    out.flush();
    PrintFailure(err, file, messages.texts());
    return false;
}

}  // namespace

int RunInfo(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    for (const auto& file : files) {
        if (files.size() > 1) {
            out << "==> " << file << " <==\n";
        }
        ConversionState state;
        if (!Load(state, file, out, err)) {
            status = kExitFailed;
            continue;
        }
        for (const DisplayField field : kDisplayFields) {
            out << DisplayLabel(field) << '\t' << state.display[field] << '\n';
        }
    }
    out.flush();
    return status;
}

int RunQueue(const std::string& file, std::ostream& out, std::ostream& err) {
    ConversionState state;
    if (!Load(state, file, out, err)) {
        return kExitFailed;
    }
    for (const auto& entry : state.recording.queue) {
        out << static_cast<unsigned>(entry.channel) << '\t' << RangeLabel(entry.rangeCode) << '\n';
    }
    out.flush();
    return kExitOk;
}

}  // namespace vantrel::cli
