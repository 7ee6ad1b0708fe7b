// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Paths are UTF-8 strings throughout the program. A std::filesystem::path made from a
// std::string takes it in the system's narrow encoding, which on Windows is the ANSI code
// page rather than UTF-8: convert through these instead.

#include <filesystem>
#include <string>
#include <string_view>

namespace vantrel {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace vantrel
