// --info and --queue: a recording's header and queue as the window presents them.

#include <iostream>

#include "CliMessages.h"
#include "Commands.h"
#include "platform/OsFileApi.h"
#include "platform/ViewSwitch.h"
#include "recording/CardCatalogue.h"
#include "recording/LoadRecording.h"

namespace vantrel::cli {

namespace {

// Loads `file` into `state`; on failure prints its message and returns false.
bool Load(ConversionState& state, const std::string& file) {
    OsFileApi files;
    CollectedMessages messages;
    NoViewSwitch view;
    state.inputPath = file;
    if (LoadRecording(state, Platform{files, messages}, view)) {
        return true;
    }
    // Keep the report in step with what standard output has shown so far.
    std::cout.flush();
    PrintFailure(std::cerr, file, messages.messages());
    return false;
}

}  // namespace

int RunInfo(const std::vector<std::string>& files) {
    int status = kExitOk;
    for (const auto& file : files) {
        if (files.size() > 1) {
            std::cout << "==> " << file << " <==\n";
        }
        ConversionState state;
        if (!Load(state, file)) {
            status = kExitFailed;
            continue;
        }
        const std::pair<const char*, const std::string*> lines[] = {
            {"Card Type:", &state.cardText},      {"Channel number:", &state.channelText},
            {"Number of scan:", &state.scanText}, {"Data width:", &state.widthText},
            {"Channel order:", &state.orderText}, {"AD Range:", &state.rangeText},
            {"Scan rate(Hz):", &state.rateText},  {"Start date:", &state.dateText},
            {"Start time:", &state.timeText},     {"Channel/Range:", &state.queueText},
        };
        for (const auto& [label, text] : lines) {
            std::cout << label << '\t' << *text << '\n';
        }
    }
    std::cout.flush();
    return status;
}

int RunQueue(const std::string& file) {
    ConversionState state;
    if (!Load(state, file)) {
        return kExitFailed;
    }
    for (const auto& entry : state.queue) {
        std::cout << static_cast<unsigned>(entry.channel) << '\t' << RangeLabel(entry.rangeCode)
                  << '\n';
    }
    std::cout.flush();
    return kExitOk;
}

}  // namespace vantrel::cli
