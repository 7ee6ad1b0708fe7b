// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// The output path offered for a chosen input file: the input path up to its last "."
// (searched over the whole path, folders included) followed by `extension` (".cvt" gives
// "cvt" after that "."), or the input path followed by `extension` when it has no ".".
std::string DeriveOutputPath(const std::string& inputPath, std::string_view extension = ".cvt");

}  // namespace vantrel
