#include "StandardStreams.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/Utf8Path.h"

namespace vantrel::cli {

namespace {

// A named pipe given as an output is written as a shell's redirection writes it: once a
// reader has opened it, however long that takes. The file calls refuse a pipe that nobody
// reads yet, so that the window never hangs on one; while this holds the pipe open for
// writing (the open waits for the reader), they find the reader there.
class PipeReaderWait {
  public:
    explicit PipeReaderWait(const std::string& path) {
        std::error_code ec;
        if (std::filesystem::is_fifo(std::filesystem::status(PathFromUtf8(path), ec))) {
            // Appending: should the pipe have given way to a file meanwhile, it stays whole.
            pipe_ = std::fopen(path.c_str(), "ab");
        }
    }
    ~PipeReaderWait() {
        if (pipe_ != nullptr) {
            std::fclose(pipe_);
        }
    }
    PipeReaderWait(const PipeReaderWait&) = delete;
    PipeReaderWait& operator=(const PipeReaderWait&) = delete;

  private:
    std::FILE* pipe_ = nullptr;
};

}  // namespace

FileApi::Handle StandardStreamFiles::OpenForRead(const std::string& path) {
    return IsStandardStream(path) ? files_.OpenStandardInput() : files_.OpenForRead(path);
}

FileApi::Handle StandardStreamFiles::CreateOutput(const std::string& path) {
    if (IsStandardStream(path)) {
        return files_.CreateStandardOutput();
    }
    const PipeReaderWait reader(path);
    return files_.CreateOutput(path);
}

// A library cannot write standard output or a pipe by name: it has none (OutputName is
// empty), so the run writes such a file aside and copies it, as for any pipe.
FileApi::Handle StandardStreamFiles::CreateNamedOutput(const std::string& path) {
    if (IsStandardStream(path)) {
        return files_.CreateStandardOutput();
    }
    const PipeReaderWait reader(path);
    return files_.CreateNamedOutput(path);
}

// "-" is two different streams, so it names no file to compare. Reading standard input
// while an output replaces the file it comes from is safe: the output takes the path only
// once complete, and the input keeps the file it opened.
bool StandardStreamFiles::IsSameFile(const std::string& a, const std::string& b) {
    if (IsStandardStream(a) || IsStandardStream(b)) {
        return false;
    }
    return files_.IsSameFile(a, b);
}

}  // namespace vantrel::cli
