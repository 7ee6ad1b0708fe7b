// SPDX-License-Identifier: BSD-3-Clause
#include "platform/File.h"

#include <utility>
#include <vector>

namespace vantrel {

File::File(FileApi& files, FileApi::Handle handle, std::string path, bool output)
    : files_(&files), handle_(handle), output_(output), path_(std::move(path)) {}

File::File(File&& other) noexcept
    : files_(other.files_),
      handle_(std::exchange(other.handle_, FileApi::kNoFile)),
      output_(other.output_),
      failed_(other.failed_),
      path_(std::move(other.path_)),
      error_(other.error_),
      digest_(std::move(other.digest_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Release();
        files_ = other.files_;
        handle_ = std::exchange(other.handle_, FileApi::kNoFile);
        output_ = other.output_;
        failed_ = other.failed_;
        path_ = std::move(other.path_);
        error_ = other.error_;
        digest_ = std::move(other.digest_);
    }
    return *this;
}

File File::OpenForRead(FileApi& files, const std::string& path) {
    File file(files, files.OpenForRead(path), path, false);
    if (!file) {
        file.NoteFailure();
    }
    return file;
}

File File::CreateOutput(FileApi& files, const std::string& path) {
    return Created(files, files.CreateOutput(path), path);
}

File File::CreateNamedOutput(FileApi& files, const std::string& path) {
    return Created(files, files.CreateNamedOutput(path), path);
}

File File::CreateScratch(FileApi& files, const std::string& folder) {
    return Created(files, files.CreateScratch(folder), folder + "/" + FileApi::kScratchName);
}

File File::Created(FileApi& files, FileApi::Handle handle, const std::string& path) {
    File file(files, handle, path, true);
    if (!file) {
        file.NoteFailure();
    }
    return file;
}

std::int64_t File::Read(void* buffer, std::uint64_t count) {
    const std::int64_t got = files_->Read(handle_, buffer, count);
    if (got < 0) {
        NoteFailure();
    } else if (digest_) {
        digest_->Update(buffer, static_cast<std::size_t>(got));
    }
    return got;
}

bool File::Write(const void* data, std::uint64_t count) {
    const bool written = files_->Write(handle_, data, count);
    if (!written) {
        NoteFailure();
    }
    return written;
}

bool File::WriteAt(std::uint64_t offset, const void* data, std::uint64_t count) {
    const bool written = files_->WriteAt(handle_, offset, data, count);
    if (!written) {
        NoteFailure();
    }
    return written;
}

bool File::Skip(std::uint64_t count) {
    digest_.reset();
    const bool skipped = files_->Skip(handle_, count);
    if (!skipped) {
        NoteFailure();
    }
    return skipped;
}

std::optional<std::uint64_t> File::RemainingSize() {
    return files_->RemainingSize(handle_);
}

std::string File::outputName() const {
    return isOpen() && output_ ? files_->OutputName(handle_) : std::string();
}

File File::ReadBack() const {
    const std::string name = outputName();
    return name.empty() ? File() : OpenForRead(*files_, name);
}

void File::StartDigest() {
    digest_ = std::make_unique<Sha256>();
}

std::string File::FinishDigest() {
    if (!digest_) {
        return {};
    }
    std::vector<std::uint8_t> rest(std::size_t{64} << 10);
    for (;;) {
        const std::int64_t got = Read(rest.data(), rest.size());
        if (got < 0) {
            digest_.reset();
            return {};
        }
        if (static_cast<std::uint64_t>(got) < rest.size()) {
            break;
        }
    }
    const std::string hex = digest_->FinishHex();
    digest_.reset();
    return hex;
}

bool File::Finish() {
    if (!isOpen()) {
        return false;
    }
    const FileApi::Handle handle = std::exchange(handle_, FileApi::kNoFile);
    const bool finished = output_ ? files_->FinishOutput(handle) : files_->Close(handle);
    if (!finished) {
        NoteFailure();
    }
    return finished;
}

std::string File::ErrorText() const {
    if (!failed_) {
        return {};
    }
    return error_ ? path_ + ": " + error_.message() : path_ + ": failed";
}

void File::Release() noexcept {
    if (!isOpen()) {
        return;
    }
    const FileApi::Handle handle = std::exchange(handle_, FileApi::kNoFile);
    if (output_) {
        files_->DiscardOutput(handle);
    } else {
        files_->Close(handle);
    }
}

void File::NoteFailure() {
    failed_ = true;
    error_ = files_->LastError();
}

}  // namespace vantrel
