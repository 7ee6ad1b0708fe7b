// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Room for a library's next write. HDF5 cannot close a file once one of its writes failed
// (the close fails too and leaves the library unsound), so the writers that use it ask
// before each chunk whether the write can succeed, and stop while the library is sound.

#include <cstdint>
#include <string>

namespace vantrel {

// Whether the file at `path` can grow by `bytes`: the process's file-size limit allows it
// and its file system has that much free. True where it cannot tell (and on Windows).
bool CanGrowBy(const std::string& path, std::uint64_t bytes);

}  // namespace vantrel
