#include "platform/OsFileApi.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#define VANTREL_OPEN ::_open
#define VANTREL_READ ::_read
#define VANTREL_WRITE ::_write
#define VANTREL_CLOSE ::_close
#define VANTREL_LSEEK ::_lseeki64
#define VANTREL_FSTAT ::_fstat64
using StatBuf = struct ::_stat64;
constexpr int kBinary = _O_BINARY;
constexpr int kCreateMode = _S_IREAD | _S_IWRITE;
#else
#include <unistd.h>
#define VANTREL_OPEN ::open
#define VANTREL_READ ::read
#define VANTREL_WRITE ::write
#define VANTREL_CLOSE ::close
#define VANTREL_LSEEK ::lseek
#define VANTREL_FSTAT ::fstat
using StatBuf = struct ::stat;
constexpr int kBinary = 0;
constexpr int kCreateMode = 0666;  // the umask applies, as for any normal file
#endif

namespace vantrel {

namespace {

// One system call moves at most this much; larger requests loop.
constexpr std::uint64_t kMaxChunk = 1u << 30;

bool IsRegular(const StatBuf& st) {
    return (st.st_mode & S_IFMT) == S_IFREG;
}

}  // namespace

FileApi::Handle OsFileApi::OpenForRead(const std::string& path) {
    int fd;
    do {
        fd = VANTREL_OPEN(path.c_str(), O_RDONLY | kBinary);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return kNoFile;
    }
    StatBuf st{};
    if (VANTREL_FSTAT(fd, &st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR) {
        VANTREL_CLOSE(fd);
        return kNoFile;
    }
    return fd;
}

std::int64_t OsFileApi::Read(Handle file, void* buffer, std::uint64_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::uint64_t done = 0;
    while (done < count) {
        const std::uint64_t want = std::min(count - done, kMaxChunk);
        const auto got = VANTREL_READ(file, out + done, static_cast<unsigned>(want));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;  // end of file
        }
        done += static_cast<std::uint64_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

std::optional<std::uint64_t> OsFileApi::RemainingSize(Handle file) {
    StatBuf st{};
    if (VANTREL_FSTAT(file, &st) != 0 || !IsRegular(st)) {
        return std::nullopt;
    }
    const auto pos = VANTREL_LSEEK(file, 0, SEEK_CUR);
    if (pos < 0) {
        return std::nullopt;
    }
    const auto size = static_cast<std::int64_t>(st.st_size);
    return size > pos ? static_cast<std::uint64_t>(size - pos) : 0;
}

FileApi::Handle OsFileApi::CreateForWrite(const std::string& path) {
    int fd;
    do {
        fd = VANTREL_OPEN(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | kBinary, kCreateMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return kNoFile;
    }
#ifndef _WIN32
    // A named pipe opened for reading and writing is its own reader: with nobody else
    // reading, the run would block for ever once the pipe's buffer is full. Write to a pipe
    // only when it has a reader (opening for writing without blocking fails otherwise).
    StatBuf st{};
    if (VANTREL_FSTAT(fd, &st) == 0 && S_ISFIFO(st.st_mode)) {
        VANTREL_CLOSE(fd);
        fd = VANTREL_OPEN(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0) {
            return kNoFile;
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
#endif
    return fd;
}

bool OsFileApi::Write(Handle file, const void* data, std::uint64_t count) {
    const auto* in = static_cast<const unsigned char*>(data);
    std::uint64_t done = 0;
    while (done < count) {
        const std::uint64_t want = std::min(count - done, kMaxChunk);
        const auto put = VANTREL_WRITE(file, in + done, static_cast<unsigned>(want));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (put == 0) {
            return false;  // no progress: treat as a failed write rather than spin
        }
        done += static_cast<std::uint64_t>(put);
    }
    return true;
}

bool OsFileApi::Close(Handle file) {
    return VANTREL_CLOSE(file) == 0;
}

bool OsFileApi::IsSameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

void OsFileApi::RemoveIfRegularFile(const std::string& path) {
    // Follow a symbolic link to the file that was written; remove that file, not the link.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::status(path, ec))) {
        return;
    }
    const auto target = std::filesystem::canonical(path, ec);
    if (!ec) {
        std::filesystem::remove(target, ec);
    }
}

}  // namespace vantrel
