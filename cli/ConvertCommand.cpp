// Placeholder until batch conversion lands; replaced by the conversion engine work.
#include <iostream>

#include "Commands.h"

namespace vantrel::cli {

int RunConvert(const std::vector<std::string>& inputs, const ConvertOptions&) {
    for (const auto& input : inputs) {
        std::cerr << input << ": conversion is not available yet\n";
    }
    return kExitFailed;
}

}  // namespace vantrel::cli
