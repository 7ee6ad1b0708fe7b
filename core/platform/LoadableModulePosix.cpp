// SPDX-License-Identifier: BSD-3-Clause
#include <dlfcn.h>
#include <unistd.h>

#include <array>

#include "platform/LoadableModule.h"

namespace vantrel {

LoadableModule LoadableModule::Open(const std::string& path, std::string& error) {
    LoadableModule module;
    // RTLD_LOCAL: its symbols serve only itself, never the program's own.
    module.handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module.handle_ == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : "cannot be loaded";
    }
    return module;
}

void* LoadableModule::Symbol(const char* name) const {
    return handle_ == nullptr ? nullptr : dlsym(handle_, name);
}

std::string RunningProgramPath() {
    std::array<char, 4096> path{};
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return {};
    }
    return std::string(path.data(), static_cast<std::size_t>(length));
}

}  // namespace vantrel
