// SPDX-License-Identifier: BSD-3-Clause
#include "convert/output/OutputPath.h"

namespace vantrel {

std::string DeriveOutputPath(const std::string& inputPath, std::string_view extension) {
    // A byte search is a character search here: in UTF-8 (and the double-byte code pages)
    // no byte of a multibyte character equals '.'.
    const auto dot = inputPath.rfind('.');
    if (dot == std::string::npos) {
        return inputPath + std::string(extension);
    }
    return inputPath.substr(0, dot) + std::string(extension);
}

std::string WithSuffixBeforeExtension(const std::string& path, std::string_view suffix) {
    const auto folder = path.find_last_of("/\\");
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (folder != std::string::npos && dot < folder)) {
        return path + std::string(suffix);
    }
    return path.substr(0, dot) + std::string(suffix) + path.substr(dot);
}

}  // namespace vantrel
