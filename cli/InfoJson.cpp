// SPDX-License-Identifier: BSD-3-Clause
// --info --json: a recording's header, texts, queue and facts for scripts.

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

#include "CliMessages.h"
#include "Commands.h"
#include "StandardStreams.h"
#include "convert/formats/RecordingJson.h"
#include "platform/OsFileApi.h"
#include "recording/LoadRecording.h"
#include "recording/PathAsText.h"

namespace vantrel::cli {

using nlohmann::json;

int RunInfoJson(const std::vector<std::string>& files, std::ostream& out) {
    int status = kExitOk;
    json all = json::array();
    for (const auto& file : files) {
        OsFileApi os;
        StandardStreamFiles api(os);
        MessageLog messages;
        const Load load = LoadRecording(file, Platform{api, messages});
        if (load.outcome.done()) {
            const LoadedRecording& r = load.recording;
            all.push_back(DescribeRecording(r, r.samples ? r.samples->size() : 0, FactsOf(r),
                                            r.sourceSha256));
            continue;
        }
        status = kExitFailed;
        all.push_back(
            {{"file", PathAsText(file)},
             {"error", load.outcome.kind == OutcomeKind::kUnopened ? std::string(kCannotOpenMessage)
                                                                   : load.outcome.message}});
    }
    // Every text is UTF-8 by now (header texts decoded, paths escaped), so nothing is
    // replaced: the dump would throw on a text that is not.
    const json& shown = files.size() == 1 ? all.front() : all;
    out << shown.dump(2) << '\n';
    out.flush();
    return status;
}

}  // namespace vantrel::cli
