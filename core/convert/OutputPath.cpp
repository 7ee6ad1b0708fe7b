#include "convert/OutputPath.h"

namespace vantrel {

std::string DeriveOutputPath(const std::string& inputPath) {
    // A byte search is a character search here: in UTF-8 (and the double-byte code pages)
    // no byte of a multibyte character equals '.'.
    const auto dot = inputPath.rfind('.');
    if (dot == std::string::npos) {
        return inputPath + ".cvt";
    }
    return inputPath.substr(0, dot + 1) + "cvt";
}

}  // namespace vantrel
