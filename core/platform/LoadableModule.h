// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A shared library opened while the program runs (dlopen, LoadLibrary), for code the program
// needs only now and then: the libraries it links load at every start, this one only when
// asked for. It stays loaded until the process ends: libraries such as HDF5 register exit
// handlers in their own code.

#include <string>

namespace vantrel {

class LoadableModule {
  public:
    // Opens the module at `path` (UTF-8). On failure the module is empty and `error` says
    // why, in the system's words, with the path.
    static LoadableModule Open(const std::string& path, std::string& error);

    explicit operator bool() const { return handle_ != nullptr; }

    // The address of the exported symbol `name`, or nullptr.
    void* Symbol(const char* name) const;

  private:
    void* handle_ = nullptr;
};

// The running program's own file (UTF-8), or an empty string where the system cannot tell
// (/proc/self/exe on Linux, GetModuleFileName on Windows; other systems have neither).
std::string RunningProgramPath();

}  // namespace vantrel
