#pragma once

// The modes of vantrel-convert. Each returns the process exit status: 0 when every file
// was handled, 1 when any failed. What a mode prints goes to `out`; messages for a file go
// to `err` as "FILE: text".

#include <iosfwd>
#include <string>
#include <vector>

#include "convert/ConversionOptions.h"

namespace vantrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Prints the ten display texts of each recording, one "Label:\ttext" line each.
int RunInfo(const std::vector<std::string>& files, std::ostream& out, std::ostream& err);

// Prints each recording as one JSON object (an array of them for several files): the raw
// header fields, the display texts by label, the queue, the column and recording facts the
// analysis formats record, and whether it can be converted. A file that does not load gives
// {"file": ..., "error": message}.
int RunInfoJson(const std::vector<std::string>& files, std::ostream& out);

// Prints the channel-gain queue of a recording, one "channel\trange label" line per entry.
int RunQueue(const std::string& file, std::ostream& out, std::ostream& err);

struct ConvertCommand {
    ConversionOptions options;
    std::string output;  // empty: derive each output path from its input
};

// Converts each input to its derived output path, or to command.output; prints each
// success message on `out`.
int RunConvert(const std::vector<std::string>& inputs, const ConvertCommand& command,
               std::ostream& out, std::ostream& err);

}  // namespace vantrel::cli
