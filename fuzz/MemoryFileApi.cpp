// SPDX-License-Identifier: BSD-3-Clause
#include "MemoryFileApi.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace vantrel::fuzz {

const MemoryFileApi::Bytes* MemoryFileApi::File(const std::string& path) const {
    const auto it = files_.find(path);
    return it == files_.end() ? nullptr : &it->second;
}

MemoryFileApi::OpenFile* MemoryFileApi::Find(Handle file) {
    const auto it = open_.find(file);
    if (it == open_.end() ||
        (!it->second.writable && files_.find(it->second.path) == files_.end())) {
        return nullptr;
    }
    return &it->second;
}

FileApi::Handle MemoryFileApi::OpenForRead(const std::string& path) {
    if (files_.find(path) == files_.end()) {
        // A writer reading back the real file of an output a library wrote by name.
        const auto named = std::find_if(open_.begin(), open_.end(), [&path](const auto& open) {
            return !open.second.realFile.empty() && open.second.realFile == path;
        });
        if (named == open_.end()) {
            return kNoFile;
        }
        // Its bytes as they are now, held while a handle reads them.
        std::ifstream real(path, std::ios::binary);
        files_[path] = Bytes(std::istreambuf_iterator<char>(real), {});
        heldReal_.insert(path);
        open_[next_] = {path, 0, false, {}, {}};
        return next_++;
    }
    open_[next_] = {path, 0, false, {}, {}};
    return next_++;
}

std::int64_t MemoryFileApi::Read(Handle file, void* buffer, std::uint64_t count) {
    OpenFile* open = Find(file);
    if (open == nullptr) {
        return -1;
    }
    const Bytes& bytes = files_[open->path];
    const std::uint64_t left = bytes.size() - std::min<std::uint64_t>(open->position, bytes.size());
    const std::uint64_t take = std::min(count, left);
    if (take > 0) {
        std::memcpy(buffer, bytes.data() + open->position, take);
    }
    open->position += take;
    return static_cast<std::int64_t>(take);
}

std::optional<std::uint64_t> MemoryFileApi::RemainingSize(Handle file) {
    OpenFile* open = Find(file);
    if (open == nullptr || sizeUnknown) {
        return std::nullopt;
    }
    const std::uint64_t size = files_[open->path].size();
    return size > open->position ? size - open->position : 0;
}

bool MemoryFileApi::Close(Handle file) {
    const auto it = open_.find(file);
    if (it == open_.end()) {
        return false;
    }
    const std::string path = it->second.path;
    open_.erase(it);
    const bool stillRead = std::any_of(
        open_.begin(), open_.end(), [&path](const auto& open) { return open.second.path == path; });
    if (!stillRead && heldReal_.erase(path) == 1) {
        files_.erase(path);
    }
    return true;
}

FileApi::Handle MemoryFileApi::CreateOutput(const std::string& path) {
    open_[next_] = {path, 0, true, {}, {}};
    return next_++;
}

FileApi::Handle MemoryFileApi::CreateNamedOutput(const std::string& path) {
    static int counter = 0;
    const auto name =
        std::filesystem::temp_directory_path() /
        ("vantrel-fuzz-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::ofstream(name, std::ios::binary | std::ios::trunc);
    open_[next_] = {path, 0, true, {}, name.string()};
    return next_++;
}

std::string MemoryFileApi::OutputName(Handle file) {
    const OpenFile* open = Find(file);
    return open != nullptr ? open->realFile : std::string();
}

bool MemoryFileApi::WriteAt(Handle file, std::uint64_t offset, const void* data,
                            std::uint64_t count) {
    const OpenFile* open = Find(file);
    if (open == nullptr || !open->writable || open->realFile.empty()) {
        return false;
    }
    std::fstream real(open->realFile, std::ios::binary | std::ios::in | std::ios::out);
    real.seekp(static_cast<std::streamoff>(offset));
    real.write(static_cast<const char*>(data), static_cast<std::streamsize>(count));
    real.flush();
    return static_cast<bool>(real);
}

bool MemoryFileApi::Write(Handle file, const void* data, std::uint64_t count) {
    OpenFile* open = Find(file);
    if (open == nullptr || !open->writable) {
        return false;
    }
    Bytes& bytes = open->written;
    const std::uint64_t room = capacity > open->position ? capacity - open->position : 0;
    const std::uint64_t take = std::min(count, room);
    if (bytes.size() < open->position + take) {
        bytes.resize(open->position + take);
    }
    if (take > 0) {
        std::memcpy(bytes.data() + open->position, data, take);
    }
    open->position += take;
    return take == count;
}

bool MemoryFileApi::FinishOutput(Handle file) {
    OpenFile* open = Find(file);
    if (open == nullptr || !open->writable) {
        return false;
    }
    if (!open->realFile.empty()) {
        std::ifstream in(open->realFile, std::ios::binary | std::ios::ate);
        open->written.resize(static_cast<std::size_t>(in.tellg()));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(open->written.data()),
                static_cast<std::streamsize>(open->written.size()));
        std::filesystem::remove(open->realFile);
    }
    files_[open->path] = std::move(open->written);
    open_.erase(file);
    return true;
}

void MemoryFileApi::DiscardOutput(Handle file) {
    if (const OpenFile* open = Find(file); open != nullptr && !open->realFile.empty()) {
        std::error_code ec;
        std::filesystem::remove(open->realFile, ec);
    }
    open_.erase(file);
}

bool MemoryFileApi::IsSameFile(const std::string& a, const std::string& b) {
    return a == b && files_.find(a) != files_.end();
}

}  // namespace vantrel::fuzz
