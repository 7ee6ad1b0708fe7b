#pragma once

// Handle-based, byte-exact file access: the only way the core touches files. The window and
// the command-line tool pass the operating system's implementation (OsFileApi); tests pass
// doubles that fail on purpose.

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

class FileApi {
  public:
    using Handle = std::int32_t;
    static constexpr Handle kNoFile = -1;

    virtual ~FileApi() = default;

    // Opens an existing regular file for reading only, the path used exactly as given.
    // Returns kNoFile when it cannot be opened (missing, no permission, a folder).
    virtual Handle OpenForRead(const std::string& path) = 0;

    // Reads up to `count` bytes at the current position, going on after short reads until
    // `count` bytes arrived or the file ended. Returns the number of bytes read (less than
    // `count` only at the end of the file), or -1 on a read error.
    virtual std::int64_t Read(Handle file, void* buffer, std::uint64_t count) = 0;

    // Bytes between the current position and the end of the file, or nullopt when the file
    // has no known size (a pipe or device).
    virtual std::optional<std::uint64_t> RemainingSize(Handle file) = 0;

    // Creates `path` as a normal file, or truncates it to zero length when it exists, open
    // for writing at its start. Returns kNoFile on failure (missing folder, no permission,
    // the path names a folder).
    virtual Handle CreateForWrite(const std::string& path) = 0;

    // Writes all `count` bytes at the current position. Returns false when any byte could
    // not be written (full disk, I/O error, file-size limit).
    virtual bool Write(Handle file, const void* data, std::uint64_t count) = 0;

    // Closes the handle. Returns false when the close reported an error, which can be a
    // write that failed late.
    virtual bool Close(Handle file) = 0;

    // True when both paths name the same existing file on disk, however each is spelt
    // (relative, through symbolic links, or hard links to one file). False when either does
    // not exist.
    virtual bool IsSameFile(const std::string& a, const std::string& b) = 0;

    // Removes `path` when it is a regular file. Devices, pipes, terminals and folders are
    // left alone. Failures are ignored: this is cleanup after an error already reported.
    virtual void RemoveIfRegularFile(const std::string& path) = 0;
};

}  // namespace vantrel
