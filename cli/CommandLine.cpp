#include "CommandLine.h"

#include <CLI/CLI.hpp>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "Commands.h"
#include "convert/OutputFormats.h"
#include "convert/RecordingFacts.h"
#include "convert/Separators.h"

namespace vantrel::cli {

namespace {

// Format names, and the Format list indices the window gives them, from the format table.
std::map<std::string, int> FormatNames() {
    std::map<std::string, int> names;
    for (const OutputFormatInfo* info : OutputFormats()) {
        const int index = static_cast<int>(info->format);
        names.emplace(std::string(info->name), index);
        names.emplace(std::to_string(index), index);
    }
    return names;
}

// "Output format:" and each format's name, index and description, from the format table.
std::string FormatHelp() {
    std::string help = "Output format (default scaled-text):";
    for (const OutputFormatInfo* info : OutputFormats()) {
        help += "\n  " + std::string(info->name) + " (" +
                std::to_string(static_cast<int>(info->format)) +
                "): " + std::string(info->description);
    }
    return help;
}

std::map<std::string, int> SeparatorNames() {
    std::map<std::string, int> names;
    for (const SeparatorInfo& info : kSeparators) {
        names.emplace(std::string(info.name), static_cast<int>(info.separator));
    }
    return names;
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Convert recording files to scaled text, little-endian doubles or raw codes.",
                 "vantrel-convert"};
    app.set_version_flag("--version", ConverterName());

    std::vector<std::string> files;
    bool info = false;
    bool queue = false;
    ConvertCommand command;
    int format = static_cast<int>(command.options.format);
    int separator = static_cast<int>(command.options.separator);
    bool noTitle = false;
    bool json = false;

    app.add_flag("--info", info, "Print the header of each FILE as the window shows it");
    app.add_flag("--json", json, "With --info: print each FILE's header and facts as JSON")
        ->needs(app.get_option("--info"));
    auto* queueFlag = app.add_flag("--queue", queue, "Print the channel-gain queue of one FILE");
    app.add_option("-f,--format", format, FormatHelp())
        ->transform(CLI::CheckedTransformer(FormatNames(), CLI::ignore_case));
    app.add_option("-s,--separator", separator,
                   "Column separator of text outputs: space (default), tab, comma")
        ->transform(CLI::CheckedTransformer(SeparatorNames(), CLI::ignore_case));
    app.add_flag("--no-title", noTitle, "Leave out the two title lines of text outputs");
    app.add_flag("--compress", command.options.compress,
                 "Deflate the datasets of the hdf5, mat and mat5 formats");
    app.add_flag("--decimal-comma", command.options.decimalComma,
                 "csv: semicolons between cells and a decimal comma, for spreadsheets so set");
    app.add_option("-o,--output", command.output,
                   "Output file (only with exactly one INPUT; default: INPUT with .cvt)");
    app.add_option("FILE", files, "Recording files (INPUT...)")->required();
    queueFlag->excludes(app.get_option("--info"));

    try {
        app.parse(argc, argv);
        if (queue && files.size() != 1) {
            throw CLI::ValidationError("--queue", "takes exactly one FILE");
        }
        if (!command.output.empty() && files.size() != 1) {
            throw CLI::ValidationError("--output", "needs exactly one INPUT");
        }
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? 0 : kExitUsage;
    }

    if (info) {
        return json ? RunInfoJson(files, out) : RunInfo(files, out, err);
    }
    if (queue) {
        return RunQueue(files.front(), out, err);
    }
    command.options.format = static_cast<OutputFormat>(format);
    command.options.separator = static_cast<Separator>(separator);
    command.options.title = !noTitle;
    return RunConvert(files, command, out, err);
}

}  // namespace vantrel::cli
