// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// FileApi over the operating system's file descriptors. One object may serve several threads.

#include <map>
#include <mutex>
#include <string>

#include "platform/FileApi.h"

namespace vantrel {

class OsFileApi final : public FileApi {
  public:
    OsFileApi() = default;
    OsFileApi(const OsFileApi&) = delete;
    OsFileApi& operator=(const OsFileApi&) = delete;

    Handle OpenForRead(const std::string& path) override;
    std::int64_t Read(Handle file, void* buffer, std::uint64_t count) override;
    std::optional<std::uint64_t> RemainingSize(Handle file) override;
    std::optional<std::uint64_t> Position(Handle file) override;
    std::int64_t ReadAt(Handle file, std::uint64_t offset, void* buffer,
                        std::uint64_t count) override;
    bool Skip(Handle file, std::uint64_t count) override;
    bool Close(Handle file) override;
    Handle CreateOutput(const std::string& path) override;
    Handle CreateNamedOutput(const std::string& path) override;
    Handle CreateScratch(const std::string& folder) override;
    std::string OutputName(Handle file) override;
    bool Write(Handle file, const void* data, std::uint64_t count) override;
    bool WriteAt(Handle file, std::uint64_t offset, const void* data, std::uint64_t count) override;
    bool FinishOutput(Handle file) override;
    void DiscardOutput(Handle file) override;
    bool IsSameFile(const std::string& a, const std::string& b) override;
    std::error_code LastError() const override;

    // The process's standard input, for reading as OpenForRead gives a file: a descriptor
    // of its own, so closing it leaves standard input open. kNoFile when there is none.
    Handle OpenStandardInput();

    // A named pipe given as an output waits for its reader from now on, as a shell's
    // redirection does, instead of being refused while nobody reads it (the window's
    // answer, so that it never hangs). For the command line. Windows has no named pipes
    // in its file system: nothing changes there.
    void WaitForPipeReaders() { waitForPipeReaders_ = true; }

    // The process's standard output as an output written directly, as a pipe or device is:
    // it has no name (OutputName is empty), finishing it closes only its own descriptor,
    // and discarding it removes nothing, whatever standard output was redirected to.
    Handle CreateStandardOutput();

  private:
    // Moves a file's position `count` bytes on, within the file.
    bool SeekForward(Handle file, std::uint64_t count);

    // How an open output reaches its path.
    struct Output {
        bool replaces = false;  // written beside `path`, renamed over it when finished
        bool regular = false;   // written directly: whether `path` is a regular file
        std::string path;       // the file it becomes (a symbolic link's target) or is
        std::string temporary;  // the new file's name; empty while it has none (O_TMPFILE)
        int liveTicket = -1;    // its entry among the live temporaries (LiveTemporaries.h)
    };

    Handle Create(const std::string& path, bool named);
    Handle OpenDirectly(const std::string& path);
    Handle OpenBeside(const std::string& target, bool named);
    static void RemoveWritten(const Output& output);
    void Remember(Handle file, Output output);
    Output Forget(Handle file);

    std::mutex mutex_;
    std::map<Handle, Output> outputs_;
    bool waitForPipeReaders_ = false;
};

}  // namespace vantrel
