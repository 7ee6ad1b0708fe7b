// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A FileApi over files held in memory, so the fuzz target converts thousands of recordings
// a second without touching the disk. Files are plain byte vectors keyed by their exact
// path; a size limit makes writes fail the way a full disk does. An output is held apart
// and takes its path's place only when finished, as on a real disk. An output a library
// writes by name goes to a real file in the temporary folder (outside the size limit),
// whose bytes become the output when it is finished.

#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/FileApi.h"

namespace vantrel::fuzz {

class MemoryFileApi final : public FileApi {
  public:
    using Bytes = std::vector<std::uint8_t>;

    // Largest size a file may reach by writing; a write beyond it stores what fits and fails.
    std::uint64_t capacity = std::numeric_limits<std::uint64_t>::max();
    // When set, RemainingSize answers nullopt, as for a pipe.
    bool sizeUnknown = false;

    void SetFile(const std::string& path, Bytes bytes) { files_[path] = std::move(bytes); }
    // The file's bytes, or nullptr when no file has that path.
    const Bytes* File(const std::string& path) const;
    void RemoveFile(const std::string& path) { files_.erase(path); }
    std::size_t openHandles() const { return open_.size(); }

    Handle OpenForRead(const std::string& path) override;
    std::int64_t Read(Handle file, void* buffer, std::uint64_t count) override;
    std::optional<std::uint64_t> RemainingSize(Handle file) override;
    bool Close(Handle file) override;
    Handle CreateOutput(const std::string& path) override;
    Handle CreateNamedOutput(const std::string& path) override;
    std::string OutputName(Handle file) override;
    bool Write(Handle file, const void* data, std::uint64_t count) override;
    // Into the real file of an output written by name (the only outputs placed in parts).
    bool WriteAt(Handle file, std::uint64_t offset, const void* data, std::uint64_t count) override;
    bool FinishOutput(Handle file) override;
    void DiscardOutput(Handle file) override;
    bool IsSameFile(const std::string& a, const std::string& b) override;
    std::error_code LastError() const override { return {}; }

  private:
    struct OpenFile {
        std::string path;
        std::uint64_t position = 0;
        bool writable = false;
        Bytes written;         // an output's bytes until it is finished
        std::string realFile;  // written by name: the real file that holds them
    };

    // The open file and its bytes, or nullptr for a handle that is not open.
    OpenFile* Find(Handle file);

    std::map<std::string, Bytes> files_;
    std::map<Handle, OpenFile> open_;
    // Real files read back (a library's output, checked by its writer): their bytes are in
    // files_ while a handle reads them.
    std::set<std::string> heldReal_;
    Handle next_ = 3;
};

}  // namespace vantrel::fuzz
