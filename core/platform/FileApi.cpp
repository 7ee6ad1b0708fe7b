// SPDX-License-Identifier: BSD-3-Clause
#include "platform/FileApi.h"

#include <algorithm>
#include <vector>

namespace vantrel {

bool FileApi::Skip(Handle file, std::uint64_t count) {
    std::vector<std::uint8_t> dropped(std::min<std::uint64_t>(count, std::uint64_t{64} << 10));
    while (count > 0) {
        const std::uint64_t want = std::min<std::uint64_t>(count, dropped.size());
        if (Read(file, dropped.data(), want) != static_cast<std::int64_t>(want)) {
            return false;
        }
        count -= want;
    }
    return true;
}

}  // namespace vantrel
