#pragma once

#include <string>

namespace vantrel {

// The output path offered for a chosen input file: the input path up to and including its
// last "." (searched over the whole path, folders included) followed by "cvt", or the input
// path followed by ".cvt" when it has no ".".
std::string DeriveOutputPath(const std::string& inputPath);

}  // namespace vantrel
