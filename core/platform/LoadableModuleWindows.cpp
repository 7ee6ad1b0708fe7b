// SPDX-License-Identifier: BSD-3-Clause
#include <windows.h>

#include <string>
#include <vector>

#include "platform/LoadableModule.h"
#include "platform/WideText.h"

namespace vantrel {

namespace {

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(code) : Utf8FromWide(message);
}

}  // namespace

LoadableModule LoadableModule::Open(const std::string& path, std::string& error) {
    LoadableModule module;
    const auto wide = WideFromUtf8(path);
    if (!wide) {
        error = path + ": " + SystemMessage(ERROR_NO_UNICODE_TRANSLATION);
        return module;
    }
    // The module's own libraries are looked for in its folder first.
    module.handle_ = LoadLibraryExW(wide->c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module.handle_ == nullptr) {
        error = path + ": " + SystemMessage(GetLastError());  // dlerror's form
    }
    return module;
}

void* LoadableModule::Symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::string RunningProgramPath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            return Utf8FromWide(std::wstring_view(path.data(), length));
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace vantrel
