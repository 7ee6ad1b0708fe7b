// SPDX-License-Identifier: BSD-3-Clause
#include "support/TestPlatform.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace vantrel::test {

FileApi::Handle FaultyFileApi::OpenForRead(const std::string& path) {
    return Counted(os_.OpenForRead(path));
}

std::int64_t FaultyFileApi::Read(Handle file, void* buffer, std::uint64_t count) {
    if (beforeRead) {
        beforeRead(count);
    }
    if (failReadsAfterBytes && bytesRead + count > *failReadsAfterBytes) {
        return -1;
    }
    const auto got = os_.Read(file, buffer, count);
    if (got > 0) {
        bytesRead += static_cast<std::uint64_t>(got);
        readEnd_ += static_cast<std::uint64_t>(got);
    }
    return got;
}

std::optional<std::uint64_t> FaultyFileApi::Position(Handle file) {
    if (sizeUnknown || !readsAtPlaces) {
        return std::nullopt;
    }
    return os_.Position(file);
}

std::int64_t FaultyFileApi::ReadAt(Handle file, std::uint64_t offset, void* buffer,
                                   std::uint64_t count) {
    const std::uint64_t end = offset + count;
    if (failReadsAtFrom && end > *failReadsAtFrom) {
        return -1;
    }
    const std::uint64_t read = readEnd_.load();
    if (end > read) {
        std::uint64_t furthest = furthestAhead.load();
        while (end - read > furthest &&
               !furthestAhead.compare_exchange_weak(furthest, end - read)) {
        }
    }
    return os_.ReadAt(file, offset, buffer, count);
}

std::optional<std::uint64_t> FaultyFileApi::RemainingSize(Handle file) {
    if (sizeUnknown) {
        return std::nullopt;
    }
    return os_.RemainingSize(file);
}

bool FaultyFileApi::Skip(Handle file, std::uint64_t count) {
    // Without a size the skip reads, through Read, and counts as read.
    if (sizeUnknown) {
        return FileApi::Skip(file, count);
    }
    const bool skipped = os_.Skip(file, count);
    if (skipped) {
        bytesSkipped += count;
    }
    return skipped;
}

bool FaultyFileApi::Close(Handle file) {
    --openHandles;
    return os_.Close(file);
}

FileApi::Handle FaultyFileApi::CreateOutput(const std::string& path) {
    return Counted(failCreate ? kNoFile : os_.CreateOutput(path));
}

FileApi::Handle FaultyFileApi::CreateNamedOutput(const std::string& path) {
    return Counted(failCreate ? kNoFile : os_.CreateNamedOutput(path));
}

FileApi::Handle FaultyFileApi::Counted(Handle handle) {
    if (handle != kNoFile) {
        ++openHandles;
    }
    return handle;
}

std::string FaultyFileApi::OutputName(Handle file) {
    return os_.OutputName(file);
}

bool FaultyFileApi::Write(Handle file, const void* data, std::uint64_t count) {
    if (beforeWrite) {
        beforeWrite();
    }
    ++writeCalls;
    if (failWritesAfterBytes && bytesWritten + count > *failWritesAfterBytes) {
        const std::uint64_t part = *failWritesAfterBytes - bytesWritten;
        os_.Write(file, data, part);
        bytesWritten += part;
        return false;
    }
    bytesWritten += count;
    return os_.Write(file, data, count);
}

bool FaultyFileApi::WriteAt(Handle file, std::uint64_t offset, const void* data,
                            std::uint64_t count) {
    if (beforeWrite) {
        beforeWrite();
    }
    ++writeCalls;
    if (failWritesAfterBytes && bytesWritten + count > *failWritesAfterBytes) {
        const std::uint64_t part = *failWritesAfterBytes - bytesWritten;
        os_.WriteAt(file, offset, data, part);
        bytesWritten += part;
        return false;
    }
    bytesWritten += count;
    return os_.WriteAt(file, offset, data, count);
}

bool FaultyFileApi::FinishOutput(Handle file) {
    --openHandles;
    if (failFinish) {
        os_.DiscardOutput(file);
        return false;
    }
    return os_.FinishOutput(file);
}

void FaultyFileApi::DiscardOutput(Handle file) {
    --openHandles;
    ++discarded;
    os_.DiscardOutput(file);
}

bool FaultyFileApi::IsSameFile(const std::string& a, const std::string& b) {
    return os_.IsSameFile(a, b);
}

std::error_code FaultyFileApi::LastError() const {
    return os_.LastError();
}

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate =
            base / ("vantrel-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string ReadFileText(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

}  // namespace vantrel::test
