// SPDX-License-Identifier: BSD-3-Clause
#include "CommandLine.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <limits>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Commands.h"
#include "FormatChoice.h"
#include "SelectionArguments.h"
#include "StandardStreams.h"
#include "convert/formats/OutputFormats.h"
#include "convert/formats/RecordingFacts.h"
#include "convert/formats/ScanTime.h"
#include "convert/text/Separators.h"
#include "platform/Terminal.h"
#include "platform/Utf8Path.h"

namespace vantrel::cli {

namespace {

// The index `word` names among `names` (word, index), whatever its case. Throws "Unknown
// WHAT "word": use one of a, b, c" for a word not there.
int IndexNamed(const std::string& what, const std::string& word,
               const std::vector<std::pair<std::string, int>>& names) {
    std::string lower = word;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string listed;
    for (const auto& [name, index] : names) {
        if (name == lower) {
            return index;
        }
        listed += (listed.empty() ? "" : ", ") + name;
    }
    throw CLI::ValidationError("Unknown " + what + " \"" + word + "\": use one of " + listed);
}

// "Output format:" and each format's number, name and description, one line each, from the
// format table.
std::string FormatHelp() {
    std::string help = "Output format, by name or number (default scaled-text):";
    for (const OutputFormatInfo* info : OutputFormats()) {
        help += "\n  " + std::to_string(static_cast<int>(info->format)) + " " +
                std::string(info->name) + ": " + std::string(info->description);
    }
    return help;
}

std::vector<std::pair<std::string, int>> SeparatorNames() {
    std::vector<std::pair<std::string, int>> names;
    for (const SeparatorInfo& info : kSeparators) {
        names.emplace_back(std::string(info.name), static_cast<int>(info.separator));
    }
    return names;
}

std::string SeparatorHelp() {
    std::string help =
        "Column separator (default space; " + AppliesTo(FormatOption::kSeparator) + "):";
    for (const SeparatorInfo& info : kSeparators) {
        help += "\n  " + std::string(info.name) + ": " + std::string(info.description);
    }
    return help;
}

std::vector<std::pair<std::string, int>> TimeBaseNames() {
    std::vector<std::pair<std::string, int>> names;
    for (const TimeBaseName& known : kTimeBaseNames) {
        names.emplace_back(std::string(known.name), static_cast<int>(known.base));
    }
    return names;
}

std::string TimeBaseHelp() {
    std::string help = "What the time column holds (default relative; " +
                       AppliesTo(FormatOption::kTimeBase) + "):";
    for (const TimeBaseName& known : kTimeBaseNames) {
        help += "\n  " + std::string(known.name) + ": " + std::string(known.description);
    }
    return help;
}

// The sidecar at `path`, read whole; a usage error that names the file, line and field
// where it cannot be read or is not one.
ChannelNames ReadNamesFile(const std::string& path) {
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    std::ostringstream text;
    if (!file.is_open() || !(text << file.rdbuf() || file.peek() == EOF) || file.bad()) {
        throw CLI::ValidationError("--names " + path + ": the file cannot be read");
    }
    auto read = ReadChannelNames(text.str(), path);
    if (auto* error = std::get_if<std::string>(&read)) {
        throw CLI::ValidationError(*error);
    }
    return std::get<ChannelNames>(std::move(read));
}

// Refuses an empty path: an empty -o would read as no -o at all and write beside the input.
CLI::Validator NonEmptyPath() {
    return CLI::Validator(
        [](const std::string& path) {
            return path.empty() ? std::string("the path is empty") : std::string();
        },
        "");
}

// The number of jobs -j gives: decimal digits only, as many as an unsigned holds at most
// (no batch runs more jobs than it has inputs).
unsigned JobsOf(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        throw CLI::ValidationError("--jobs takes a whole number of 0 or more, not \"" + text +
                                   "\"");
    }
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    return error == std::errc{} ? jobs : std::numeric_limits<unsigned>::max();
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{
        "Convert recording files to scaled text, little-endian doubles, raw codes or an "
        "analysis format. \"-\" as INPUT reads standard input; -o - writes standard "
        "output.",
        "vantrel-convert"};
    app.set_version_flag("--version", ConverterName());

    std::vector<std::string> files;
    bool info = false;
    bool queue = false;
    bool listFormats = false;
    ConvertCommand command;
    // Taken as words and read after parsing, so that a bad one gets a plain message.
    std::string format;
    std::string separator;
    std::string timeBase;
    std::string jobs;
    bool noTitle = false;
    bool json = false;
    bool progress = false;
    std::string scans;
    std::string times;
    std::string channels;
    std::string columns;
    std::string namesFile;
    std::vector<std::string> nameArguments;

    app.add_flag("--info", info, "Print the header of each FILE as the window shows it");
    app.add_flag("--json", json, "With --info: print each FILE's header and facts as JSON")
        ->needs(app.get_option("--info"));
    auto* queueFlag = app.add_flag("--queue", queue, "Print the channel-gain queue of one FILE");
    auto* listFlag = app.add_flag("--list-formats", listFormats,
                                  "Print the output formats: name, extension, description");
    auto* formatOption = app.add_option("-f,--format", format, FormatHelp())->type_name("FORMAT");
    auto* separatorOption =
        app.add_option("-s,--separator", separator, SeparatorHelp())->type_name("SEP");
    app.add_flag("--no-title", noTitle,
                 "Leave out the two title lines; " + AppliesTo(FormatOption::kTitle));
    app.add_flag("--compress", command.options.compress,
                 "Deflate the datasets; " + AppliesTo(FormatOption::kCompress));
    app.add_flag("--decimal-comma", command.options.decimalComma,
                 "Semicolons between cells and a decimal comma, for spreadsheets so set; " +
                     AppliesTo(FormatOption::kDecimalComma));
    auto* timeBaseOption =
        app.add_option("--time-base", timeBase, TimeBaseHelp())->type_name("BASE");
    auto* outputOption =
        app.add_option("-o,--output", command.output,
                       "Output file of the one INPUT (default: INPUT with the format's "
                       "extension); - writes standard output")
            ->type_name("OUT")
            ->check(NonEmptyPath());
    app.add_option("--output-dir", command.outputDir,
                   "Write each output into DIR, named after its input")
        ->type_name("DIR")
        ->check(NonEmptyPath())
        ->check(CLI::ExistingDirectory.description(""))
        ->excludes(outputOption);
    app.add_flag("--no-clobber", command.noClobber,
                 "Leave an existing output alone and skip its INPUT");
    auto* jobsOption = app.add_option("-j,--jobs", jobs,
                                      "Convert N inputs at once (default 1; 0: one per processor)")
                           ->type_name("N");
    auto* progressFlag = app.add_flag(
        "--progress", progress, "Show the progress line on standard error even off a terminal");
    app.add_flag("-q,--quiet", command.quiet,
                 "No progress line, no success messages (failures are still printed)")
        ->excludes(progressFlag);
    auto* scansOption =
        app.add_option("--scans", scans,
                       "Convert scans FIRST to LAST - 1 only, as a Python slice: either end may "
                       "be left out, a negative one counts from the end (\"-1000:\")")
            ->type_name("FIRST:LAST");
    auto* timeOption =
        app.add_option("--time", times,
                       "Convert the scans whose time (seconds from the start, decimals "
                       "allowed) lies in [START, END) only; either end may be left out")
            ->type_name("START:END")
            ->excludes(scansOption);
    auto* channelsOption =
        app.add_option("--channels", channels,
                       "Keep these channels' columns, in this order, as title line 2 numbers "
                       "them: \"0-3,7\" (a channel sampled twice a scan gives both columns)")
            ->type_name("LIST");
    auto* columnsOption =
        app.add_option("--columns", columns,
                       "Keep the columns at these positions in a scan (0 first), in this order")
            ->type_name("LIST")
            ->excludes(channelsOption);
    auto* namesOption =
        app.add_option("--names", namesFile,
                       "Name the channels from a tab-separated sidecar laid out as BIDS' "
                       "channels.tsv: columns channel (the recording's numbers), name, type, "
                       "units, and a transducer's gain and offset (value x gain + offset)")
            ->type_name("FILE");
    auto* nameOption = app.add_option("--name", nameArguments,
                                      "Name channel CH TEXT (over the sidecar's name); repeat "
                                      "for more channels")
                           ->type_name("CH=TEXT");
    app.add_flag("--title-names", command.options.titleNames,
                 "Title line 2 gives the columns' names instead of their channel numbers; " +
                     AppliesTo(FormatOption::kTitle));
    app.add_option("FILE", files, "Recording files (INPUT...); - reads standard input");
    queueFlag->excludes(app.get_option("--info"));
    listFlag->excludes(queueFlag)->excludes(app.get_option("--info"));

    try {
        app.parse(argc, argv);
        if (formatOption->count() > 0) {
            const FormatChoice choice = ChooseFormat(format);
            if (!choice.format) {
                throw CLI::ValidationError(choice.error);
            }
            command.options.format = *choice.format;
        }
        if (separatorOption->count() > 0) {
            command.options.separator =
                static_cast<Separator>(IndexNamed("separator", separator, SeparatorNames()));
        }
        if (timeBaseOption->count() > 0) {
            command.options.timeBase =
                static_cast<TimeBase>(IndexNamed("time base", timeBase, TimeBaseNames()));
        }
        if (jobsOption->count() > 0) {
            command.jobs = JobsOf(jobs);
        }
        std::string error;
        if (scansOption->count() > 0 && !(command.selection.scans = ReadScans(scans, error))) {
            throw CLI::ValidationError(error);
        }
        if (timeOption->count() > 0 && !(command.selection.time = ReadTimes(times, error))) {
            throw CLI::ValidationError(error);
        }
        if (channelsOption->count() > 0 &&
            !(command.selection.channels = ReadNumberList("--channels", channels, error))) {
            throw CLI::ValidationError(error);
        }
        if (columnsOption->count() > 0 &&
            !(command.selection.columns = ReadNumberList("--columns", columns, error))) {
            throw CLI::ValidationError(error);
        }
        if (namesOption->count() > 0) {
            command.names = ReadNamesFile(namesFile);
        }
        for (const std::string& argument : nameArguments) {
            if (const auto wrong = AddChannelName(command.names, argument)) {
                throw CLI::ValidationError(*wrong);
            }
        }
        if (nameOption->count() + namesOption->count() > 0 && (info || queue || listFormats)) {
            throw CLI::ValidationError("--names and --name",
                                       "name what a conversion writes; --info, --queue and "
                                       "--list-formats take none");
        }
        if (!command.selection.whole() && (info || queue || listFormats)) {
            throw CLI::ValidationError("--scans, --time, --channels and --columns",
                                       "choose what a conversion writes; --info, --queue and "
                                       "--list-formats take none");
        }
        if (listFormats) {
            if (!files.empty()) {
                throw CLI::ValidationError("--list-formats", "takes no FILE");
            }
        } else if (files.empty()) {
            throw CLI::RequiredError("FILE");
        }
        if (queue && files.size() != 1) {
            throw CLI::ValidationError("--queue", "takes exactly one FILE");
        }
        if (!command.output.empty() && files.size() != 1) {
            throw CLI::ValidationError("--output", "needs exactly one INPUT");
        }
        // Standard input can be read once only.
        if (std::count_if(files.begin(), files.end(), IsStandardStream) > 1) {
            throw CLI::ValidationError("FILE", "- (standard input) may be given only once");
        }
        if (!command.outputDir.empty() &&
            std::any_of(files.begin(), files.end(), IsStandardStream)) {
            throw CLI::ValidationError("--output-dir",
                                       "standard input has no name to derive an output from; "
                                       "use -o");
        }
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? 0 : kExitUsage;
    }

    if (listFormats) {
        return RunListFormats(out);
    }
    if (info) {
        if (json) {
            return RunInfoJson(files, out);
        }
        return RunInfo(
            files, out, err,
            IsTerminal(StandardStream::kOutput) ? InfoShown::kOnTerminal : InfoShown::kAsStored);
    }
    if (queue) {
        return RunQueue(files.front(), out, err);
    }
    command.options.title = !noTitle;
    if (progress) {
        command.progress = ProgressShown::kAlways;
    } else if (command.quiet) {
        command.progress = ProgressShown::kNever;
    }
    return RunConvert(files, command, out, err);
}

}  // namespace vantrel::cli
