// SPDX-License-Identifier: BSD-3-Clause
#include "StandardStreams.h"

namespace vantrel::cli {

FileApi::Handle StandardStreamFiles::OpenForRead(const std::string& path) {
    return IsStandardStream(path) ? files_.OpenStandardInput() : files_.OpenForRead(path);
}

FileApi::Handle StandardStreamFiles::CreateOutput(const std::string& path) {
    return IsStandardStream(path) ? files_.CreateStandardOutput() : files_.CreateOutput(path);
}

// A library cannot write standard output or a pipe by name: it has none (OutputName is
// empty), so the run writes such a file aside and copies it, as for any pipe.
FileApi::Handle StandardStreamFiles::CreateNamedOutput(const std::string& path) {
    return IsStandardStream(path) ? files_.CreateStandardOutput() : files_.CreateNamedOutput(path);
}

// "-" is two different streams, so it names no file to compare. Reading standard input
// while an output replaces the file it comes from is safe: the output takes the path only
// once complete, and the input keeps the file it opened.
bool StandardStreamFiles::IsSameFile(const std::string& a, const std::string& b) {
    if (IsStandardStream(a) || IsStandardStream(b)) {
        return false;
    }
    return files_.IsSameFile(a, b);
}

}  // namespace vantrel::cli
