// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// UTF-8 to and from UTF-16, for the Windows calls: the program keeps UTF-8 and converts only
// at the call.

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// nullopt when `utf8` is not valid UTF-8 (the call's error is then
// ERROR_NO_UNICODE_TRANSLATION).
std::optional<std::wstring> WideFromUtf8(std::string_view utf8);

// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace vantrel
