#pragma once

// The output formats in one table: every fact of a format, keyed by OutputFormat. The
// window's Format list, its option rules, the command line, the fuzz target and the tests
// all read it. Each format fills its entry in a file of its own.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "convert/run/ConversionOptions.h"
#include "convert/run/WriteJob.h"

namespace vantrel {

struct OutputFormatInfo {
    OutputFormat format;
    std::string_view name;               // command-line name
    std::string_view listText;           // the window's Format list item
    std::string_view description;        // one line for the command line's help
    std::string_view extension;          // of the output path derived from the input's
    bool textOptions;                    // the separator and the title lines apply
    bool byName;                         // a library writes the file by name (WriteJob::outputName)
    bool recordsSource;                  // it records the recording's SHA-256
    std::string_view allocationMessage;  // when its conversion arrays cannot be had
    WriteResult (*write)(const WriteJob&);
    // A refusal of a recording this format cannot hold, before the output is created;
    // null when it holds every convertible recording.
    std::optional<std::string> (*refuse)(const RecordingHeader&) = nullptr;
};

// Each format's entry, defined beside its writer. Formats whose library the build lacks
// are left out of the table.
extern const OutputFormatInfo kScaledTextFormat;
extern const OutputFormatInfo kScaledBinaryFormat;
extern const OutputFormatInfo kCodesTextFormat;
extern const OutputFormatInfo kHdf5Format;
extern const OutputFormatInfo kMatFormat;
extern const OutputFormatInfo kMat5Format;
extern const OutputFormatInfo kNpyFormat;
extern const OutputFormatInfo kCsvFormat;
extern const OutputFormatInfo kEdfFormat;
extern const OutputFormatInfo kBdfFormat;

// Every format, in the order of the window's Format list.
std::span<const OutputFormatInfo* const> OutputFormats();

// The entry of a format.
const OutputFormatInfo& FormatInfo(OutputFormat format);

// The format a Format list index selects: the format of that value, and the codes text for
// any index without one (-1, no selection, included).
OutputFormat FormatOfIndex(std::int32_t formatIndex);

// The format of a command-line name, or nullptr.
const OutputFormatInfo* FindFormat(std::string_view name);

}  // namespace vantrel
