// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Test doubles for the platform interfaces: a message box that records, a View button that
// remembers, and a file API over the real one that can be made to fail on purpose.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileApi.h"
#include "platform/MessageSink.h"
#include "platform/OsFileApi.h"

namespace vantrel::test {

class RecordedMessages final : public MessageSink {
  public:
    void ShowMessage(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

// The window's "View" button as a load leaves it.
struct RecordedView {
    std::optional<bool> state;  // nullopt: never switched
};

// The real file calls, with faults to inject and every open handle counted.
class FaultyFileApi final : public FileApi {
  public:
    std::optional<std::uint64_t> failWritesAfterBytes;  // total bytes accepted before failing
    bool failFinish = false;  // finishing an output fails (a close that reports a late error)
    bool failCreate = false;
    std::optional<std::uint64_t> failReadsAfterBytes;  // reads return -1 past this total
    bool sizeUnknown = false;  // RemainingSize answers nullopt, as for a pipe
    // Position and ReadAt as the real files give them; false: none, as a pipe or a double
    // that cannot read beside Read (the digest then goes chunk by chunk).
    bool readsAtPlaces = true;
    std::optional<std::uint64_t> failReadsAtFrom;  // ReadAt fails reaching this offset
    // The most bytes a ReadAt reached past the end of what Read gave so far (of any file).
    std::atomic<std::uint64_t> furthestAhead{0};
    // Called before each read (with its count) and each write, on the caller's thread: a
    // test can hold a conversion or a load there.
    std::function<void(std::uint64_t count)> beforeRead;
    std::function<void()> beforeWrite;

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
    std::string OutputName(Handle file) override;
    bool Write(Handle file, const void* data, std::uint64_t count) override;
    // Counted with Write: failWritesAfterBytes fails whichever comes past the total.
    bool WriteAt(Handle file, std::uint64_t offset, const void* data, std::uint64_t count) override;
    bool FinishOutput(Handle file) override;
    void DiscardOutput(Handle file) override;
    bool IsSameFile(const std::string& a, const std::string& b) override;
    std::error_code LastError() const override;

    int openHandles = 0;
    int discarded = 0;  // outputs abandoned
    int writeCalls = 0;
    std::uint64_t bytesWritten = 0;
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesSkipped = 0;  // passed over by seeking, never read

  private:
    Handle Counted(Handle handle);  // counts an opened handle

    std::atomic<std::uint64_t> readEnd_{0};  // bytes Read gave, for furthestAhead

    OsFileApi os_;
};

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool FileExists(const std::string& path);

}  // namespace vantrel::test
