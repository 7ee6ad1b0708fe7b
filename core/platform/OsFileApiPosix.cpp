// SPDX-License-Identifier: BSD-3-Clause
#include "platform/OsFileApi.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/LiveTemporaries.h"

namespace vantrel {

namespace {

namespace fs = std::filesystem;

// One system call moves at most this much; larger requests loop.
constexpr std::uint64_t kMaxChunk = 1u << 30;

// Created files get these bits less the umask, as any normal file does.
constexpr mode_t kCreateMode = 0666;

thread_local std::error_code lastError;

void NoteErrno() {
    lastError = std::error_code(errno, std::generic_category());
}

// Where a regular file is positioned, and its size; nullopt for a pipe or device.
struct Place {
    std::uint64_t position;
    std::uint64_t size;
};
std::optional<Place> PlaceOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    const off_t pos = ::lseek(fd, 0, SEEK_CUR);
    if (pos < 0 || st.st_size < 0) {
        return std::nullopt;
    }
    return Place{static_cast<std::uint64_t>(pos), static_cast<std::uint64_t>(st.st_size)};
}

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        NoteErrno();
    }
    return fd;
}

bool CloseChecked(int fd) {
    if (::close(fd) != 0) {
        NoteErrno();
        return false;
    }
    return true;
}

// The folder a new file beside `path` goes into.
std::string FolderOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// A name for a new file beside `path` that no file has yet: hidden, and telling what it
// is should a killed run leave it behind.
std::string TemporaryName(const std::string& path) {
    static std::atomic<std::uint64_t> counter{std::random_device{}()};
    const fs::path p(path);
    const std::uint64_t n = counter.fetch_add(0x9E3779B97F4A7C15ull);
    constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string tag;
    for (std::uint64_t v = n ^ static_cast<std::uint64_t>(::getpid()); tag.size() < 8; v /= 36) {
        tag.push_back(kDigits[v % 36]);
    }
    std::string name = ".";
    name.append(p.filename().string()).append(".").append(tag).append(".part");
    return (fs::path(FolderOf(path)) / name).string();
}

// Whether `entry` is the name TemporaryName gives temporaries beside a file named
// `filename`: "." filename "." eight of [0-9a-z] ".part".
bool IsTemporaryNameOf(const std::string& entry, const std::string& filename) {
    constexpr std::string_view kSuffix = ".part";
    constexpr std::size_t kTag = 8;
    if (entry.size() != 1 + filename.size() + 1 + kTag + kSuffix.size() || entry[0] != '.' ||
        entry.compare(1, filename.size(), filename) != 0 || entry[1 + filename.size()] != '.' ||
        !entry.ends_with(kSuffix)) {
        return false;
    }
    const std::string_view tag = std::string_view(entry).substr(2 + filename.size(), kTag);
    return std::all_of(tag.begin(), tag.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); });
}

#ifdef F_OFD_SETLK
// The run writing a temporary holds a lock on all of it (an open file description's own,
// which neither another descriptor's close nor the libraries' flock touch), so that a later
// run tells a leftover of a killed run, which nobody holds, from a temporary being written.
bool LockWhole(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}
#endif

// Takes the lock on a new temporary. False when a sweep removed it before the lock held
// (the name is then not this file's): the caller tries another name. Where the file system
// has no such locks, the temporary goes unheld, and no sweep there removes anything.
bool HoldTemporary(int fd, const std::string& name) {
#ifdef F_OFD_SETLK
    if (!LockWhole(fd, F_WRLCK)) {
        return errno != EAGAIN && errno != EACCES;
    }
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(name.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
#else
    (void)fd;
    (void)name;
    return true;
#endif
}

// Removes the temporaries that killed runs left beside `target`: those nobody holds.
void RemoveLeftoversOf(const std::string& target) {
#ifdef F_OFD_SETLK
    const fs::path folder(FolderOf(target));
    const std::string filename = fs::path(target).filename().string();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (!IsTemporaryNameOf(entry, filename)) {
            continue;
        }
        const std::string name = (folder / entry).string();
        const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && LockWhole(fd, F_RDLCK) &&
            ::lstat(name.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
            opened.st_ino == named.st_ino) {
            ::unlink(name.c_str());
        }
        ::close(fd);
    }
#else
    (void)target;
#endif
}

#ifdef O_TMPFILE
// An unnamed file gets its name through its /proc/self/fd link (linkat with
// AT_SYMLINK_FOLLOW), which needs /proc.
bool CanNameUnnamedFiles() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}
#endif

// A descriptor of our own for one of the standard streams, so that closing it never
// closes the stream itself.
int Duplicate(int fd) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        NoteErrno();
    }
    return copy;
}

// Takes up to `count` bytes from `get(bytes, want, done)`, a read(2)-like call given the
// bytes read so far, going on after short reads and interruptions until they all arrived or
// the file ended. Returns the bytes read, or -1 on a read error.
template <typename Get>
std::int64_t GetAll(void* buffer, std::uint64_t count, Get get) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::uint64_t done = 0;
    while (done < count) {
        const std::uint64_t want = std::min(count - done, kMaxChunk);
        const ssize_t got = get(out + done, static_cast<std::size_t>(want), done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            NoteErrno();
            return -1;
        }
        if (got == 0) {
            break;  // end of file
        }
        done += static_cast<std::uint64_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

// Hands all `count` bytes to `put(bytes, want, done)`, a write(2)-like call given the bytes
// written so far, going on after short writes and interruptions.
template <typename Put>
bool PutAll(const void* data, std::uint64_t count, Put put) {
    const auto* in = static_cast<const unsigned char*>(data);
    std::uint64_t done = 0;
    while (done < count) {
        const std::uint64_t want = std::min(count - done, kMaxChunk);
        const ssize_t written = put(in + done, static_cast<std::size_t>(want), done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            NoteErrno();
            return false;
        }
        if (written == 0) {
            lastError = std::make_error_code(std::errc::io_error);
            return false;  // no progress: treat as a failed write rather than spin
        }
        done += static_cast<std::uint64_t>(written);
    }
    return true;
}

}  // namespace

FileApi::Handle OsFileApi::OpenStandardInput() {
    const int fd = Duplicate(STDIN_FILENO);
    return fd < 0 ? kNoFile : fd;
}

FileApi::Handle OsFileApi::CreateStandardOutput() {
    // Not remembered as an output: it is finished and discarded as a device is.
    const int fd = Duplicate(STDOUT_FILENO);
    return fd < 0 ? kNoFile : fd;
}

FileApi::Handle OsFileApi::OpenForRead(const std::string& path) {
    const int fd = OpenRetrying(path, O_RDONLY);
    if (fd < 0) {
        return kNoFile;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        lastError = std::make_error_code(std::errc::is_a_directory);
        return kNoFile;
    }
    return fd;
}

std::int64_t OsFileApi::Read(Handle file, void* buffer, std::uint64_t count) {
    return GetAll(buffer, count, [file](unsigned char* into, std::size_t want, std::uint64_t) {
        return ::read(file, into, want);
    });
}

std::optional<std::uint64_t> OsFileApi::RemainingSize(Handle file) {
    const std::optional<Place> place = PlaceOf(file);
    if (!place) {
        return std::nullopt;
    }
    return place->size > place->position ? place->size - place->position : 0;
}

std::optional<std::uint64_t> OsFileApi::Position(Handle file) {
    const std::optional<Place> place = PlaceOf(file);
    return place ? std::optional<std::uint64_t>(place->position) : std::nullopt;
}

std::int64_t OsFileApi::ReadAt(Handle file, std::uint64_t offset, void* buffer,
                               std::uint64_t count) {
    return GetAll(buffer, count,
                  [file, offset](unsigned char* into, std::size_t want, std::uint64_t done) {
                      return ::pread(file, into, want, static_cast<off_t>(offset + done));
                  });
}

bool OsFileApi::SeekForward(Handle file, std::uint64_t count) {
    if (::lseek(file, static_cast<off_t>(count), SEEK_CUR) < 0) {
        NoteErrno();
        return false;
    }
    return true;
}

bool OsFileApi::Close(Handle file) {
    return CloseChecked(file);
}

FileApi::Handle OsFileApi::Create(const std::string& path, bool named) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return OpenDirectly(path);  // a device, pipe or terminal; a folder fails there
        }
        // A file we may not write stays as it is, although its folder would let us replace it.
        if (::access(path.c_str(), W_OK) != 0) {
            NoteErrno();
            return kNoFile;
        }
        // Through a symbolic link the file it names is replaced, and the link stays.
        std::error_code ec;
        const std::string target = fs::canonical(path, ec).string();
        const int fd = ec ? -1 : OpenBeside(target, named);
        if (fd < 0) {
            return OpenDirectly(path);
        }
        // The new file takes the old one's permission bits and, where allowed, its owner.
        ::fchmod(fd, st.st_mode & 07777);
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
            [[maybe_unused]] const int owned = ::fchown(fd, st.st_uid, st.st_gid);
        }
        return fd;
    }
    struct stat link {};
    if (errno != ENOENT || ::lstat(path.c_str(), &link) == 0) {
        // Not a plain missing file (a dangling link, a file in a folder's place...): creating
        // it directly gives the answer it always gave.
        return OpenDirectly(path);
    }
    const int fd = OpenBeside(path, named);
    return fd >= 0 ? fd : OpenDirectly(path);
}

FileApi::Handle OsFileApi::OpenDirectly(const std::string& path) {
    int fd = OpenRetrying(path, O_RDWR | O_CREAT | O_TRUNC, kCreateMode);
    if (fd < 0) {
        return kNoFile;
    }
    // A named pipe opened for reading and writing is its own reader: with nobody else
    // reading, the run would block for ever once the pipe's buffer is full. Write to a pipe
    // only when it has a reader: wait for one where asked to, otherwise refuse it while it
    // has none (opening for writing without blocking fails then).
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode)) {
        ::close(fd);
        fd = OpenRetrying(path, waitForPipeReaders_ ? O_WRONLY : O_WRONLY | O_NONBLOCK);
        if (fd < 0) {
            return kNoFile;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    Remember(fd, {false, S_ISREG(st.st_mode), path, {}});
    return fd;
}

FileApi::Handle OsFileApi::OpenBeside(const std::string& target, bool named) {
    const std::string folder = FolderOf(target);
#ifdef O_TMPFILE
    // An unnamed file, where the file system has them: a killed run leaves nothing behind.
    if (!named && CanNameUnnamedFiles()) {
        const int fd = OpenRetrying(folder, O_TMPFILE | O_WRONLY, kCreateMode);
        if (fd >= 0) {
#ifdef F_OFD_SETLK
            // Held from the start: it gets a name for a moment before it takes the path's.
            LockWhole(fd, F_WRLCK);
#endif
            Remember(fd, {true, false, target, {}});
            return fd;
        }
    }
#endif
    RemoveLeftoversOf(target);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name = TemporaryName(target);
        const int fd = OpenRetrying(name, O_WRONLY | O_CREAT | O_EXCL, kCreateMode);
        if (fd >= 0) {
            if (!HoldTemporary(fd, name)) {
                ::close(fd);
                continue;
            }
            Remember(fd, {true, false, target, name, NoteLiveTemporary(name)});
            return fd;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return -1;
}

bool OsFileApi::Write(Handle file, const void* data, std::uint64_t count) {
    return PutAll(data, count, [file](const unsigned char* bytes, std::size_t want, std::uint64_t) {
        return ::write(file, bytes, want);
    });
}

bool OsFileApi::WriteAt(Handle file, std::uint64_t offset, const void* data, std::uint64_t count) {
    return PutAll(data, count,
                  [file, offset](const unsigned char* bytes, std::size_t want, std::uint64_t done) {
                      return ::pwrite(file, bytes, want, static_cast<off_t>(offset + done));
                  });
}

bool OsFileApi::FinishOutput(Handle file) {
    Output output = Forget(file);
    if (!output.replaces) {
        if (CloseChecked(file)) {
            return true;
        }
        RemoveWritten(output);
        return false;
    }
    // On disk before it is named: a power cut after the rename must not leave an empty file.
    bool ok = ::fsync(file) == 0;
    if (!ok) {
        NoteErrno();
    }
#ifdef O_TMPFILE
    for (int attempt = 0; ok && output.temporary.empty() && attempt < 16; ++attempt) {
        const std::string name = TemporaryName(output.path);
        const std::string self = "/proc/self/fd/" + std::to_string(file);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            output.temporary = name;
            output.liveTicket = NoteLiveTemporary(name);
        } else if (errno != EEXIST) {
            NoteErrno();
            ok = false;
        }
    }
    ok = ok && !output.temporary.empty();
#endif
    ok = CloseChecked(file) && ok;
    if (ok && ::rename(output.temporary.c_str(), output.path.c_str()) != 0) {
        NoteErrno();
        ok = false;
    }
    if (!ok) {
        RemoveWritten(output);
        return false;
    }
    ForgetLiveTemporary(output.liveTicket);  // it is the output now
    return true;
}

void OsFileApi::DiscardOutput(Handle file) {
    const Output output = Forget(file);
    // Emptied first: a library that failed may still hold the file open, and its blocks
    // would stay taken until it let go.
    if (output.replaces) {
        [[maybe_unused]] const int emptied = ::ftruncate(file, 0);
    }
    ::close(file);
    RemoveWritten(output);
}

bool OsFileApi::IsSameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

std::error_code OsFileApi::LastError() const {
    return lastError;
}

void OsFileApi::RemoveWritten(const Output& output) {
    if (output.replaces) {
        // The new file goes; the file at the path was never touched.
        if (!output.temporary.empty()) {
            ::unlink(output.temporary.c_str());
        }
        ForgetLiveTemporary(output.liveTicket);
        return;
    }
    // Written in place, a regular file is incomplete: remove it. Through a symbolic link,
    // remove the file that was written, not the link. Devices and pipes stay.
    std::error_code ec;
    if (fs::is_regular_file(fs::status(output.path, ec))) {
        const fs::path target = fs::canonical(output.path, ec);
        if (!ec) {
            fs::remove(target, ec);
        }
    }
}

}  // namespace vantrel
