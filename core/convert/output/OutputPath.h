// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// "-" as a path: standard input where a recording is read, standard output where an output
// is written, as command-line tools take it.
inline constexpr std::string_view kStandardStream = "-";

inline bool IsStandardStream(std::string_view path) {
    return path == kStandardStream;
}

// The output path offered for a chosen input file: the input path up to its last "."
// (searched over the whole path, folders included) followed by `extension` (".cvt" gives
// "cvt" after that "."), or the input path followed by `extension` when it has no ".".
std::string DeriveOutputPath(const std::string& inputPath, std::string_view extension = ".cvt");

// `path` with `suffix` before the extension of its file name, or after the name where it has
// none: "out/run1.csv" and "_1-3s" give "out/run1_1-3s.csv". A "." in a folder's name is
// not an extension.
std::string WithSuffixBeforeExtension(const std::string& path, std::string_view suffix);

}  // namespace vantrel
