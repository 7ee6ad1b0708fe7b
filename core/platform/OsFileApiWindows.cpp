// SPDX-License-Identifier: BSD-3-Clause
#include "platform/OsFileApi.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>
#include <system_error>

#include <windows.h>

#include "platform/Utf8Path.h"
#include "platform/WideText.h"

// Windows files through their handles, always in binary: nothing is translated on the way,
// so the bytes of an output are those written on every system. Paths are UTF-8 in the
// program and UTF-16 at each call.

namespace vantrel {

namespace {

namespace fs = std::filesystem;

// ReadFile and WriteFile move at most a DWORD at a time; larger requests loop.
constexpr std::uint64_t kMaxChunk = 1u << 30;

// Any other process may read, write, rename or delete a file while we have it open, as on
// POSIX systems: an output may then replace a file that is being read.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

thread_local std::error_code lastError;

// The causes a user meets most get the same text as on other systems ("No space left on
// device"); the rest keep Windows' own code.
std::error_code ErrorCodeOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return std::make_error_code(std::errc::no_such_file_or_directory);
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return std::make_error_code(std::errc::permission_denied);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return std::make_error_code(std::errc::device_or_resource_busy);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return std::make_error_code(std::errc::no_space_on_device);
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return std::make_error_code(std::errc::file_exists);
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
            return std::make_error_code(std::errc::invalid_argument);
        case ERROR_NO_UNICODE_TRANSLATION:
            return std::make_error_code(std::errc::illegal_byte_sequence);
        case ERROR_FILENAME_EXCED_RANGE:
            return std::make_error_code(std::errc::filename_too_long);
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return std::make_error_code(std::errc::not_enough_memory);
        case ERROR_NO_DATA:
        case ERROR_BROKEN_PIPE:
            return std::make_error_code(std::errc::broken_pipe);
        default:
            return {static_cast<int>(error), std::system_category()};
    }
}

void NoteError() {
    lastError = ErrorCodeOf(GetLastError());
}

FileApi::Handle ToHandle(HANDLE handle) {
    // Kernel handles are 32-bit values on every Windows, sign-extended in 64-bit processes;
    // INVALID_HANDLE_VALUE becomes kNoFile.
    return static_cast<FileApi::Handle>(reinterpret_cast<std::intptr_t>(handle));
}

HANDLE ToNative(FileApi::Handle handle) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle));
}

// Opens `path` with CreateFileW; INVALID_HANDLE_VALUE (and the error noted) when it can't.
HANDLE OpenWide(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
    const std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide) {
        NoteError();
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE handle =
        CreateFileW(wide->c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        NoteError();
    }
    return handle;
}

// The attributes of what `path` names, or INVALID_FILE_ATTRIBUTES (error noted).
DWORD AttributesOf(const std::string& path) {
    const std::optional<std::wstring> wide = WideFromUtf8(path);
    const DWORD attributes = wide ? GetFileAttributesW(wide->c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        NoteError();
    }
    return attributes;
}

bool CloseChecked(HANDLE handle) {
    if (!CloseHandle(handle)) {
        NoteError();
        return false;
    }
    return true;
}

bool RemoveFile(const std::string& path) {
    const std::optional<std::wstring> wide = WideFromUtf8(path);
    return wide && DeleteFileW(wide->c_str());
}

// The folder a new file beside `path` goes into.
fs::path FolderOf(const std::string& path) {
    const fs::path parent = PathFromUtf8(path).parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// A name for a new file beside `path` that no file has yet, telling what it is should a
// killed run leave it behind. It is not made hidden: the attribute would stay on the output.
std::string TemporaryName(const std::string& path) {
    static std::atomic<std::uint64_t> counter{std::random_device{}()};
    const std::uint64_t n = counter.fetch_add(0x9E3779B97F4A7C15ull);
    constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string tag;
    for (std::uint64_t v = n ^ GetCurrentProcessId(); tag.size() < 8; v /= 36) {
        tag.push_back(kDigits[v % 36]);
    }
    std::string name = ".";
    name.append(Utf8FromPath(PathFromUtf8(path).filename())).append(".").append(tag);
    name.append(".part");
    return Utf8FromPath(FolderOf(path) / PathFromUtf8(name));
}

// The file a path leads to, through symbolic links and junctions, so that replacing it
// replaces the file and leaves the link; `path` itself when that can't be told.
std::string FinalPathOf(const std::string& path) {
    const HANDLE handle = OpenWide(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE) {
        return path;
    }
    std::wstring final(MAX_PATH, L'\0');
    DWORD length =
        GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
    if (length >= final.size()) {
        final.resize(length);
        length =
            GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
    }
    CloseHandle(handle);
    if (length == 0 || length >= final.size()) {
        return path;
    }
    final.resize(length);
    return Utf8FromWide(final);
}

HANDLE DuplicateOwn(DWORD stream) {
    const HANDLE handle = GetStdHandle(stream);
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        NoteError();
        return INVALID_HANDLE_VALUE;
    }
    return copy;
}

}  // namespace

FileApi::Handle OsFileApi::OpenStandardInput() {
    return ToHandle(DuplicateOwn(STD_INPUT_HANDLE));
}

FileApi::Handle OsFileApi::CreateStandardOutput() {
    // Not remembered as an output: it is finished and discarded as a device is.
    return ToHandle(DuplicateOwn(STD_OUTPUT_HANDLE));
}

FileApi::Handle OsFileApi::OpenForRead(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        lastError = std::make_error_code(std::errc::is_a_directory);
        return kNoFile;
    }
    return ToHandle(OpenWide(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
}

std::int64_t OsFileApi::Read(Handle file, void* buffer, std::uint64_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::uint64_t done = 0;
    while (done < count) {
        const auto want = static_cast<DWORD>(std::min(count - done, kMaxChunk));
        DWORD got = 0;
        if (!ReadFile(ToNative(file), out + done, want, &got, nullptr)) {
            // A pipe whose writer has gone has ended, as a file does.
            if (GetLastError() == ERROR_BROKEN_PIPE) {
                break;
            }
            NoteError();
            return -1;
        }
        if (got == 0) {
            break;  // end of file
        }
        done += got;
    }
    return static_cast<std::int64_t>(done);
}

std::optional<std::uint64_t> OsFileApi::RemainingSize(Handle file) {
    const HANDLE handle = ToNative(file);
    LARGE_INTEGER size{};
    LARGE_INTEGER position{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size) ||
        !SetFilePointerEx(handle, LARGE_INTEGER{}, &position, FILE_CURRENT)) {
        return std::nullopt;
    }
    return size.QuadPart > position.QuadPart
               ? static_cast<std::uint64_t>(size.QuadPart - position.QuadPart)
               : 0;
}

// A read at an offset moves a handle's position on Windows (one opened without overlapped
// reads, as every file here is), which would send the owner's next read astray: reads at
// places are not offered.
std::optional<std::uint64_t> OsFileApi::Position(Handle /*file*/) {
    return std::nullopt;
}

std::int64_t OsFileApi::ReadAt(Handle /*file*/, std::uint64_t /*offset*/, void* /*buffer*/,
                               std::uint64_t /*count*/) {
    return -1;
}

bool OsFileApi::SeekForward(Handle file, std::uint64_t count) {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(count);
    if (!SetFilePointerEx(ToNative(file), distance, nullptr, FILE_CURRENT)) {
        NoteError();
        return false;
    }
    return true;
}

bool OsFileApi::Close(Handle file) {
    return CloseChecked(ToNative(file));
}

FileApi::Handle OsFileApi::Create(const std::string& path, bool named) {
    const DWORD attributes = AttributesOf(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        lastError = std::make_error_code(std::errc::is_a_directory);
        return kNoFile;
    }
    // Opening the existing file for writing tells whether we may write it (a read-only file
    // stays as it is, although its folder would let us replace it) and what it is.
    const HANDLE existing = OpenWide(path, GENERIC_WRITE, OPEN_EXISTING, 0);
    if (existing == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            // A folder, a missing folder, no permission: creating it directly gives the
            // answer it always gave.
            return OpenDirectly(path);
        }
        const Handle file = OpenBeside(path, named);
        return file != kNoFile ? file : OpenDirectly(path);
    }
    if (GetFileType(existing) != FILE_TYPE_DISK) {
        // A device, a pipe or the console: written directly, as it is.
        Remember(ToHandle(existing), {false, false, path, {}});
        return ToHandle(existing);
    }
    CloseHandle(existing);
    const Handle file = OpenBeside(FinalPathOf(path), named);
    return file != kNoFile ? file : OpenDirectly(path);
}

FileApi::Handle OsFileApi::OpenDirectly(const std::string& path) {
    const HANDLE handle = OpenWide(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, 0);
    if (handle == INVALID_HANDLE_VALUE) {
        return kNoFile;
    }
    const bool regular = GetFileType(handle) == FILE_TYPE_DISK;
    Remember(ToHandle(handle), {false, regular, path, {}});
    return ToHandle(handle);
}

FileApi::Handle OsFileApi::OpenBeside(const std::string& target, bool named) {
    // The file has a name from the start whatever `named` asks: Windows has no unnamed
    // files to name later.
    static_cast<void>(named);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name = TemporaryName(target);
        const HANDLE handle = OpenWide(name, GENERIC_WRITE, CREATE_NEW, 0);
        if (handle != INVALID_HANDLE_VALUE) {
            Remember(ToHandle(handle), {true, false, target, name});
            return ToHandle(handle);
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    return kNoFile;
}

bool OsFileApi::Write(Handle file, const void* data, std::uint64_t count) {
    const auto* in = static_cast<const unsigned char*>(data);
    std::uint64_t done = 0;
    while (done < count) {
        const auto want = static_cast<DWORD>(std::min(count - done, kMaxChunk));
        DWORD put = 0;
        if (!WriteFile(ToNative(file), in + done, want, &put, nullptr)) {
            NoteError();
            return false;
        }
        if (put == 0) {
            lastError = std::make_error_code(std::errc::io_error);
            return false;  // no progress: treat as a failed write rather than spin
        }
        done += put;
    }
    return true;
}

bool OsFileApi::WriteAt(Handle file, std::uint64_t offset, const void* data, std::uint64_t count) {
    const HANDLE handle = ToNative(file);
    // WriteFile at an offset moves the position too: it is put back after.
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(handle, LARGE_INTEGER{}, &position, FILE_CURRENT)) {
        NoteError();
        return false;
    }
    const auto* in = static_cast<const unsigned char*>(data);
    const bool written = [&] {
        for (std::uint64_t done = 0; done < count;) {
            const auto want = static_cast<DWORD>(std::min(count - done, kMaxChunk));
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFFu);
            at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
            DWORD put = 0;
            if (!WriteFile(handle, in + done, want, &put, &at)) {
                NoteError();
                return false;
            }
            if (put == 0) {
                lastError = std::make_error_code(std::errc::io_error);
                return false;
            }
            done += put;
        }
        return true;
    }();
    // Put back after a failed write too; its cause is the one kept.
    const bool restored = SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) != 0;
    if (written && !restored) {
        NoteError();
    }
    return written && restored;
}

bool OsFileApi::FinishOutput(Handle file) {
    const Output output = Forget(file);
    const HANDLE handle = ToNative(file);
    if (!output.replaces) {
        if (CloseChecked(handle)) {
            return true;
        }
        RemoveWritten(output);
        return false;
    }
    // On disk before it is named: a power cut after the rename must not leave an empty file.
    bool ok = FlushFileBuffers(handle) != 0;
    if (!ok) {
        NoteError();
    }
    ok = CloseChecked(handle) && ok;
    const std::optional<std::wstring> from = WideFromUtf8(output.temporary);
    const std::optional<std::wstring> to = WideFromUtf8(output.path);
    if (ok && from && to) {
        // ReplaceFileW keeps the replaced file's attributes and access rights, as the
        // permission bits are kept elsewhere. Where there is no file to replace (or it
        // went meanwhile) the new one is moved into place.
        ok = ReplaceFileW(to->c_str(), from->c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                          nullptr, nullptr) != 0;
        if (!ok && GetLastError() == ERROR_FILE_NOT_FOUND) {
            ok = MoveFileExW(from->c_str(), to->c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        }
        if (!ok) {
            NoteError();
        }
    }
    if (!ok) {
        RemoveWritten(output);
    }
    return ok;
}

void OsFileApi::DiscardOutput(Handle file) {
    const Output output = Forget(file);
    CloseHandle(ToNative(file));
    RemoveWritten(output);
}

bool OsFileApi::IsSameFile(const std::string& a, const std::string& b) {
    // One file has one index on one volume, however it is reached: other spellings, "..",
    // symbolic links, hard links.
    struct Identity {
        DWORD volume;
        std::uint64_t index;
        bool operator==(const Identity&) const = default;
    };
    const auto identity = [](const std::string& path) -> std::optional<Identity> {
        const HANDLE handle =
            OpenWide(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
        if (handle == INVALID_HANDLE_VALUE) {
            return std::nullopt;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        const bool known = GetFileInformationByHandle(handle, &info) != 0;
        CloseHandle(handle);
        if (!known) {
            return std::nullopt;
        }
        return Identity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    };
    const std::optional<Identity> first = identity(a);
    return first && first == identity(b);
}

std::error_code OsFileApi::LastError() const {
    return lastError;
}

void OsFileApi::RemoveWritten(const Output& output) {
    if (output.replaces) {
        // The new file goes; the file at the path was never touched.
        RemoveFile(output.temporary);
        return;
    }
    // Written in place, a regular file is incomplete: remove it. Devices and pipes stay.
    if (output.regular) {
        RemoveFile(FinalPathOf(output.path));
    }
}

}  // namespace vantrel
