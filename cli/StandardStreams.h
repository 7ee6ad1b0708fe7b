// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// "-" as a path: standard input where a recording is read, standard output where an output
// is written, as command-line tools take it. Every other path, and every other call, goes to
// the operating system's files unchanged. One object may serve several threads.

#include <string>
#include <string_view>

#include "convert/output/OutputPath.h"
#include "platform/OsFileApi.h"

namespace vantrel::cli {

class StandardStreamFiles final : public FileApi {
  public:
    explicit StandardStreamFiles(OsFileApi& files) : files_(files) {}

    Handle OpenForRead(const std::string& path) override;
    std::int64_t Read(Handle file, void* buffer, std::uint64_t count) override {
        return files_.Read(file, buffer, count);
    }
    std::optional<std::uint64_t> RemainingSize(Handle file) override {
        return files_.RemainingSize(file);
    }
    std::optional<std::uint64_t> Position(Handle file) override { return files_.Position(file); }
    std::int64_t ReadAt(Handle file, std::uint64_t offset, void* buffer,
                        std::uint64_t count) override {
        return files_.ReadAt(file, offset, buffer, count);
    }
    bool Skip(Handle file, std::uint64_t count) override { return files_.Skip(file, count); }
    bool Close(Handle file) override { return files_.Close(file); }
    Handle CreateOutput(const std::string& path) override;
    Handle CreateNamedOutput(const std::string& path) override;
    Handle CreateScratch(const std::string& folder) override {
        return files_.CreateScratch(folder);
    }
    std::string OutputName(Handle file) override { return files_.OutputName(file); }
    bool Write(Handle file, const void* data, std::uint64_t count) override {
        return files_.Write(file, data, count);
    }
    bool WriteAt(Handle file, std::uint64_t offset, const void* data,
                 std::uint64_t count) override {
        return files_.WriteAt(file, offset, data, count);
    }
    bool FinishOutput(Handle file) override { return files_.FinishOutput(file); }
    void DiscardOutput(Handle file) override { files_.DiscardOutput(file); }
    bool IsSameFile(const std::string& a, const std::string& b) override;
    std::error_code LastError() const override { return files_.LastError(); }

  private:
    OsFileApi& files_;
};

}  // namespace vantrel::cli
