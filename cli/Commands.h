// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The modes of vantrel-convert. Each returns the process exit status: 0 when every file
// was handled, 1 when any failed. What a mode prints goes to `out`; messages for a file go
// to `err` as "FILE: text".

#include <iosfwd>
#include <string>
#include <vector>

#include "convert/names/ChannelNames.h"
#include "convert/run/ConversionOptions.h"
#include "convert/run/Selection.h"

namespace vantrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// How --info writes what it prints.
enum class InfoShown {
    kAsStored,    // the texts' bytes as the header holds them: a pipe or file gets them exact
    kOnTerminal,  // the texts as the window shows them, control characters as \xHH, so that
                  // a header cannot drive the terminal; file names as PathAsText gives them
};

// Prints the ten display texts of each recording, one "Label:\ttext" line each.
int RunInfo(const std::vector<std::string>& files, std::ostream& out, std::ostream& err,
            InfoShown shown = InfoShown::kAsStored);

// Prints each recording as one JSON object (an array of them for several files): the raw
// header fields, the display texts by label, the queue, the column and recording facts the
// analysis formats record, and whether it can be converted. A file that does not load gives
// {"file": ..., "error": message}. Header texts are decoded as the window shows them
// (HeaderText.h); paths are given as PathAsText gives them.
int RunInfoJson(const std::vector<std::string>& files, std::ostream& out);

// Prints the channel-gain queue of a recording, one "channel\trange label" line per entry.
int RunQueue(const std::string& file, std::ostream& out, std::ostream& err);

// Where the progress line of a conversion shows.
enum class ProgressShown { kOnTerminal, kNever, kAlways };

struct ConvertCommand {
    ConversionOptions options;
    Selection selection;     // the part of each input converted: all of it by default
    ChannelNames names;      // --names and --name: what each channel is called
    std::string output;      // empty: derive each output path from its input; "-": standard output
    std::string outputDir;   // empty: each output beside its input
    bool noClobber = false;  // an existing output is left alone and the input skipped
    unsigned jobs = 1;       // inputs converted at once; 0: one per processor
    bool quiet = false;      // no success or skip messages (failures are still printed)
    ProgressShown progress = ProgressShown::kOnTerminal;
};

// Converts each input to its derived output path, to command.output, or into
// command.outputDir; "-" as an input reads standard input. Prints each success message on
// `out`, or on `err` when standard output carries an output; failures as "INPUT: text" on
// `err`; each input's messages together and in the inputs' order, however many run at once.
// Returns 0 when every input converted or was skipped, 1 when any failed, 2 when the
// selection names what an input does not hold or holds nothing of it, 130 when Ctrl-C
// stopped the batch.
int RunConvert(const std::vector<std::string>& inputs, const ConvertCommand& command,
               std::ostream& out, std::ostream& err);

// Prints the format table: name, extension and description, one format a line.
int RunListFormats(std::ostream& out);

}  // namespace vantrel::cli
