// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Handle-based, byte-exact file access: the only way the core touches files. The window and
// the command-line tool pass the operating system's implementation (OsFileApi); tests pass
// doubles that fail on purpose. The core holds handles only through File (File.h), which
// closes them.

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

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

    // Moves the position `count` bytes on without reading them where the file has a size
    // (a seek), and by reading and dropping them where it has none (a pipe). Returns false
    // when the file ends before or a read fails.
    virtual bool Skip(Handle file, std::uint64_t count);

    // Where a file with a size is positioned, in bytes from its start, for ReadAt; nullopt
    // for a pipe or device, and wherever ReadAt cannot read beside Read.
    virtual std::optional<std::uint64_t> Position(Handle /*file*/) { return std::nullopt; }
    // Reads as Read does, but at `offset` from the file's start and leaving its position
    // alone, so that another thread may call it while the owner reads on. Only where
    // Position gives one. Returns -1 on a read error.
    virtual std::int64_t ReadAt(Handle /*file*/, std::uint64_t /*offset*/, void* /*buffer*/,
                                std::uint64_t /*count*/) {
        return -1;
    }
    // Closes a file opened for reading. Returns false when the close reported an error.
    virtual bool Close(Handle file) = 0;

    // Opens an output to be written at `path`, at its start. Where `path` is a regular file
    // or names no file yet, the bytes go to a new file in the same folder that takes the
    // path's place only in FinishOutput, so that whatever ends the run early leaves an
    // earlier file at `path` as it was. Devices, pipes and terminals are written directly,
    // and so is an existing writable file in a folder that refuses new files (truncated
    // first). Returns kNoFile when no output can be had (missing folder, no permission, the
    // path names a folder, a named pipe without a reader).
    virtual Handle CreateOutput(const std::string& path) = 0;

    // As CreateOutput, for a library that writes the file by name (OutputName): the new
    // file beside `path` has a name from the start.
    virtual Handle CreateNamedOutput(const std::string& path) = 0;

    // A new file in `folder` that a library writes by name and the run copies to a pipe or
    // device: the name a killed run's leftover is swept by, but never a file already at
    // `folder`/kScratchName (a pipe there, or another user's file, changes nothing).
    // Discarded as an output is.
    static constexpr const char* kScratchName = "vantrel-output";
    virtual Handle CreateScratch(const std::string& folder) {
        return CreateNamedOutput(folder + "/" + kScratchName);
    }

    // The name under which a library may open an output (from CreateNamedOutput) to write
    // it: the new file beside the path, or the path itself where it is written directly.
    // Empty for devices, pipes and terminals, which a library cannot seek in.
    virtual std::string OutputName(Handle file) = 0;

    // Writes all `count` bytes at the current position. Returns false when any byte could
    // not be written (full disk, I/O error, file-size limit).
    virtual bool Write(Handle file, const void* data, std::uint64_t count) = 0;

    // Writes all `count` bytes at `offset` from the start of an output that is a file
    // (not a device, pipe or terminal), leaving the position where it was: a writer puts a
    // matrix's columns in place as their rows arrive. Returns false as Write does.
    virtual bool WriteAt(Handle file, std::uint64_t offset, const void* data,
                         std::uint64_t count) = 0;

    // Completes an output: closes it and puts a new file in place at its path, with the
    // permission bits of the file it replaces. Returns false when closing or replacing
    // failed; the output has then been discarded as by DiscardOutput.
    virtual bool FinishOutput(Handle file) = 0;

    // Abandons an output: closes it and removes what it wrote. An earlier file at the path
    // keeps its bytes where the output went to a new file; a regular file written directly is
    // removed, since it is incomplete; devices and pipes are left alone.
    virtual void DiscardOutput(Handle file) = 0;

    // True when both paths name the same existing file on disk, however each is spelt
    // (relative, through symbolic links, or hard links to one file). False when either does
    // not exist.
    virtual bool IsSameFile(const std::string& a, const std::string& b) = 0;

    // Why the latest call that failed on this thread failed; empty when it gave no cause.
    virtual std::error_code LastError() const = 0;
};

}  // namespace vantrel
