// SPDX-License-Identifier: BSD-3-Clause
#include "platform/WriteRoom.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

namespace vantrel {

bool CanGrowBy(const std::string& path, std::uint64_t bytes) {
#ifdef _WIN32
    (void)path;
    (void)bytes;
    return true;
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return true;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        size + bytes > static_cast<std::uint64_t>(limit.rlim_cur)) {
        return false;
    }
    struct statvfs fs {};
    if (::statvfs(path.c_str(), &fs) != 0 || fs.f_frsize == 0) {
        return true;
    }
    // The blocks kept for root are root's to write.
    const std::uint64_t blocks = ::geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
    return blocks >= (bytes + fs.f_frsize - 1) / fs.f_frsize;
#endif
}

}  // namespace vantrel
