#pragma once

// FileApi over the operating system's file descriptors.

#include "platform/FileApi.h"

namespace vantrel {

class OsFileApi final : public FileApi {
  public:
    Handle OpenForRead(const std::string& path) override;
    std::int64_t Read(Handle file, void* buffer, std::uint64_t count) override;
    std::optional<std::uint64_t> RemainingSize(Handle file) override;
    Handle CreateForWrite(const std::string& path) override;
    bool Write(Handle file, const void* data, std::uint64_t count) override;
    bool Close(Handle file) override;
    bool IsSameFile(const std::string& a, const std::string& b) override;
    void RemoveIfRegularFile(const std::string& path) override;
};

}  // namespace vantrel
