// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// An open file of the FileApi, owned: it cannot be copied, and it is closed when its owner
// goes (an input is closed; an output that was never finished is discarded, so an earlier
// file at its path keeps its bytes). A File that failed to open is empty and remembers why.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "platform/FileApi.h"
#include "platform/Sha256.h"

namespace vantrel {

class File {
  public:
    File() = default;  // empty: no file
    ~File() { Release(); }
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // An existing file opened for reading; empty when it cannot be opened.
    static File OpenForRead(FileApi& files, const std::string& path);
    // An output for `path` (FileApi::CreateOutput); empty when none can be had.
    static File CreateOutput(FileApi& files, const std::string& path);
    // An output a library writes by name (FileApi::CreateNamedOutput, outputName()).
    static File CreateNamedOutput(FileApi& files, const std::string& path);
    // A scratch file in `folder` (FileApi::CreateScratch, outputName()).
    static File CreateScratch(FileApi& files, const std::string& folder);

    bool isOpen() const { return handle_ != FileApi::kNoFile; }
    explicit operator bool() const { return isOpen(); }
    const std::string& path() const { return path_; }

    // As FileApi::Read, Write and RemainingSize. A failure is remembered for ErrorText.
    std::int64_t Read(void* buffer, std::uint64_t count);
    bool Write(const void* data, std::uint64_t count);
    // As FileApi::WriteAt; a failure is remembered for ErrorText.
    bool WriteAt(std::uint64_t offset, const void* data, std::uint64_t count);
    std::optional<std::uint64_t> RemainingSize();
    // As FileApi::Position and ReadAt. ReadAt remembers no failure and feeds no digest: it
    // touches nothing of the File's, so another thread may call it while this one reads.
    std::optional<std::uint64_t> Position() { return files_->Position(handle_); }
    std::int64_t ReadAt(std::uint64_t offset, void* buffer, std::uint64_t count) const {
        return files_->ReadAt(handle_, offset, buffer, count);
    }
    // As FileApi::Skip. The bytes passed over are not read, so a running digest is dropped.
    bool Skip(std::uint64_t count);

    // Where a library may write this output by name (FileApi::OutputName); may be empty.
    std::string outputName() const;
    // That file opened for reading, for a writer that checks what a library wrote into it;
    // empty where the output has no name.
    File ReadBack() const;

    // From now on every byte read also goes into a SHA-256 of the file; StopDigest drops it.
    // FinishDigest reads the rest of the file into it and returns it in hex, or empty when
    // no digest runs or the rest cannot be read.
    void StartDigest();
    void StopDigest() { digest_.reset(); }
    std::string FinishDigest();
    // The running digest, for a reader that hashes what it reads elsewhere (on another
    // thread) and hands it back with ResumeDigest before FinishDigest; null when none runs.
    std::unique_ptr<Sha256> TakeDigest() { return std::move(digest_); }
    void ResumeDigest(std::unique_ptr<Sha256> digest) { digest_ = std::move(digest); }

    // Closes the file; an output is put in place at its path (FileApi::FinishOutput).
    // Returns false when that failed. The File is empty afterwards.
    bool Finish();

    // The latest failure as "path: cause", or empty when nothing failed.
    std::string ErrorText() const;
    const std::error_code& error() const { return error_; }

  private:
    File(FileApi& files, FileApi::Handle handle, std::string path, bool output);
    static File Created(FileApi& files, FileApi::Handle handle, const std::string& path);
    void Release() noexcept;
    void NoteFailure();

    FileApi* files_ = nullptr;
    FileApi::Handle handle_ = FileApi::kNoFile;
    bool output_ = false;
    bool failed_ = false;
    std::string path_;
    std::error_code error_;
    std::unique_ptr<Sha256> digest_;
};

}  // namespace vantrel
