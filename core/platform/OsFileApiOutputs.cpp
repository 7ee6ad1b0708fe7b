// SPDX-License-Identifier: BSD-3-Clause
// The outputs an OsFileApi has open and how each reaches its path, and skipping on in an
// input: the same on every system; creating, finishing and discarding outputs and seeking
// are the system's own.

#include "platform/OsFileApi.h"

#include <limits>
#include <utility>

namespace vantrel {

bool OsFileApi::Skip(Handle file, std::uint64_t count) {
    const std::optional<std::uint64_t> remaining = RemainingSize(file);
    if (!remaining) {
        return FileApi::Skip(file, count);
    }
    return count <= *remaining &&
           count <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) &&
           SeekForward(file, count);
}

FileApi::Handle OsFileApi::CreateOutput(const std::string& path) {
    return Create(path, false);
}

FileApi::Handle OsFileApi::CreateNamedOutput(const std::string& path) {
    return Create(path, true);
}

FileApi::Handle OsFileApi::CreateScratch(const std::string& folder) {
    const Handle file = OpenBeside(folder + "/" + kScratchName, true);
    return file < 0 ? kNoFile : file;
}

std::string OsFileApi::OutputName(Handle file) {
    const std::lock_guard lock(mutex_);
    const auto it = outputs_.find(file);
    if (it == outputs_.end()) {
        return {};
    }
    const Output& output = it->second;
    return output.replaces ? output.temporary : output.regular ? output.path : std::string();
}

void OsFileApi::Remember(Handle file, Output output) {
    const std::lock_guard lock(mutex_);
    outputs_[file] = std::move(output);
}

OsFileApi::Output OsFileApi::Forget(Handle file) {
    const std::lock_guard lock(mutex_);
    const auto it = outputs_.find(file);
    if (it == outputs_.end()) {
        return {};
    }
    Output output = std::move(it->second);
    outputs_.erase(it);
    return output;
}

}  // namespace vantrel
