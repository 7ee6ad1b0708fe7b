#pragma once

// The modes of vantrel-convert. Each returns the process exit status: 0 when every file
// was handled, 1 when any failed. Messages for a file go to standard error as "FILE: text".

#include <string>
#include <vector>

namespace vantrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Prints the ten display texts of each recording, one "Label:\ttext" line each.
int RunInfo(const std::vector<std::string>& files);

// Prints the channel-gain queue of a recording, one "channel\trange label" line per entry.
int RunQueue(const std::string& file);

struct ConvertOptions {
    int formatIndex = 0;
    int separatorIndex = 0;
    int titleFlag = 1;
    std::string output;  // empty: derive each output path from its input
};

// Converts each input to its derived output path, or to options.output.
int RunConvert(const std::vector<std::string>& inputs, const ConvertOptions& options);

}  // namespace vantrel::cli
