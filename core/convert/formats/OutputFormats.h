// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The output formats in one table: every fact of a format, keyed by OutputFormat. The
// window's Format list and option rules, the command line's choices and help texts, the
// Python module's docstring, the fuzz target and the tests all read it. Each format fills
// its entry in a file of its own; the names and numbers of every format, built or not, are
// kept here.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "convert/run/ConversionOptions.h"
#include "convert/run/WriteJob.h"

namespace vantrel {

// The options of a conversion that only some formats take. Every format accepts every
// option; one outside its set leaves its output as it is.
enum class FormatOption : std::uint8_t {
    kSeparator,     // the column separator (-s; the window's separator buttons)
    kTitle,         // the two title lines (--no-title; the window's title check box)
    kCompress,      // deflated datasets (--compress)
    kDecimalComma,  // semicolons between cells and a decimal comma (--decimal-comma)
    kTimeBase,      // what the time column holds (--time-base)
};

// A set of FormatOption.
class FormatOptions {
  public:
    constexpr FormatOptions() = default;
    constexpr FormatOptions(std::initializer_list<FormatOption> options) {
        for (const FormatOption option : options) {
            bits_ = static_cast<std::uint8_t>(bits_ | Bit(option));
        }
    }

    constexpr bool Has(FormatOption option) const { return (bits_ & Bit(option)) != 0; }

  private:
    static constexpr unsigned Bit(FormatOption option) {
        return 1u << static_cast<unsigned>(option);
    }

    std::uint8_t bits_ = 0;
};

// The command-line name of every format any build may hold, by its number (the OutputFormat
// value, the same in every build), so that a build without a format's library can tell its
// name and number apart from words it does not know.
struct FormatName {
    OutputFormat format;
    std::string_view name;
};

inline constexpr std::array kFormatNames = {
    FormatName{OutputFormat::kScaledText, "scaled-text"},
    FormatName{OutputFormat::kScaledBinary, "scaled-binary"},
    FormatName{OutputFormat::kCodesText, "codes-text"},
    FormatName{OutputFormat::kHdf5, "hdf5"},
    FormatName{OutputFormat::kMat, "mat"},
    FormatName{OutputFormat::kMat5, "mat5"},
    FormatName{OutputFormat::kNpy, "npy"},
    FormatName{OutputFormat::kCsv, "csv"},
    FormatName{OutputFormat::kEdf, "edf"},
    FormatName{OutputFormat::kBdf, "bdf"},
};

// The command-line name of a format, whether this build holds it or not.
constexpr std::string_view NameOf(OutputFormat format) {
    for (const FormatName& known : kFormatNames) {
        if (known.format == format) {
            return known.name;
        }
    }
    return {};
}

struct OutputFormatInfo {
    OutputFormat format;
    std::string_view name;               // command-line name, NameOf(format)
    std::string_view listText;           // the window's Format list item
    std::string_view description;        // one line for the command line's help
    std::string_view extension;          // of the output path derived from the input's
    FormatOptions options = {};          // the options it takes
    bool byName = false;                 // a library writes the file by name (WriteJob::outputName)
    bool recordsSource = false;          // it records the recording's SHA-256
    std::string_view allocationMessage;  // when its conversion arrays cannot be had
    WriteResult (*write)(const WriteJob&) = nullptr;
    // A refusal of a recording's part (the scans and columns a conversion writes) this
    // format cannot hold, before the output is created; null when it holds every
    // convertible recording.
    std::optional<std::string> (*refuse)(const RecordingHeader&, const SelectedPart&) = nullptr;
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

// Every format of this build, in the order of the window's Format list.
std::span<const OutputFormatInfo* const> OutputFormats();

// The entry of a format.
const OutputFormatInfo& FormatInfo(OutputFormat format);

// The format of a number (an OutputFormat value) this build holds, and the codes text for
// any other number.
OutputFormat FormatOfIndex(std::int32_t formatIndex);

// The format of a command-line name, or nullptr.
const OutputFormatInfo* FindFormat(std::string_view name);

// Where an option counts, as the help texts and the docstring say it: "applies to hdf5, mat,
// mat5" (the formats of `formats`, this build's, whose set holds it, in their order), or
// "applies to no format of this build".
std::string AppliesTo(FormatOption option,
                      std::span<const OutputFormatInfo* const> formats = OutputFormats());

}  // namespace vantrel
