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

}  // namespace vantrel
