// The archive's file access on Windows.
#include "ArchiveFile.h"

#include <windows.h>
#include <algorithm>
#include <new>
#include "ArchiveCodec.h"
#include "CodePage.h"
#include "framework/Application.h"
#include "framework/Handle.h"

namespace store {

namespace {

ArchiveError FromOsError(DWORD code)
{
    switch (code) {
    case NO_ERROR: return ArchiveError::None;
    case ERROR_FILE_NOT_FOUND: return ArchiveError::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
        return ArchiveError::BadPath;
    case ERROR_TOO_MANY_OPEN_FILES: return ArchiveError::TooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        return ArchiveError::AccessDenied;
    case ERROR_INVALID_HANDLE: return ArchiveError::InvalidFile;
    case ERROR_CURRENT_DIRECTORY: return ArchiveError::RemoveCurrentDir;
    case ERROR_CANNOT_MAKE: return ArchiveError::DirectoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
        return ArchiveError::BadSeek;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_NOT_READY:
    case ERROR_IO_DEVICE:
        return ArchiveError::HardIO;
    case ERROR_SHARING_VIOLATION: return ArchiveError::SharingViolation;
    case ERROR_LOCK_VIOLATION: return ArchiveError::LockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ArchiveError::DiskFull;
    case ERROR_HANDLE_EOF: return ArchiveError::EndOfFile;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ArchiveError::OutOfMemory;
    default: return ArchiveError::Generic;
    }
}

ArchiveError LastError()
{
    const ArchiveError error = FromOsError(GetLastError());
    return error == ArchiveError::None ? ArchiveError::Generic : error;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The new file until it has taken the target's place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : m_path(std::move(path)) {}
    ~TemporaryFile()
    {
        if (!m_path.empty())
            DeleteFileW(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::wstring& Path() const { return m_path; }
    void Keep() { m_path.clear(); }

private:
    std::wstring m_path;
};

ArchiveError WriteAll(const std::wstring& path, const std::string& bytes)
{
    fw::File file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return LastError();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr))
            return LastError();
        if (written < chunk)
            return ArchiveError::DiskFull;
        done += written;
    }
    if (!FlushFileBuffers(file.get()))
        return LastError();
    if (!CloseHandle(file.release()))
        return LastError();
    return ArchiveError::None;
}

}  // namespace

FileReadResult ReadArchiveFile(const std::string& path, std::string& bytes)
{
    bytes.clear();
    // Shared, so that a backup program or a scanner reading the file at the
    // same moment does not make the keys look absent.
    fw::File file(CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        return FileReadResult{false, code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND, ArchiveError::None};
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        return FileReadResult{true, true, LastError()};
    if (static_cast<std::uint64_t>(size.QuadPart) > kMaxArchiveFileSize)
        return FileReadResult{true, true, ArchiveError::OutOfMemory};
    try {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return FileReadResult{true, true, ArchiveError::OutOfMemory};
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD got = 0;
        if (!ReadFile(file.get(), &bytes[done], chunk, &got, nullptr)) {
            const ArchiveError error = LastError();
            bytes.resize(done);
            return FileReadResult{true, true, error};
        }
        if (got == 0)
            break;  // shorter than it was a moment ago
        done += got;
    }
    bytes.resize(done);
    return FileReadResult{true, true, ArchiveError::None};
}

ArchiveError WriteArchiveFile(const std::string& path, const std::string& bytes, std::string& fullPath,
                              const std::string& backupPath)
{
    // Paths come as UTF-8: the folder may be named in any script.
    const std::wstring widePath = WideFromUtf8(path);
    wchar_t full[MAX_PATH];
    wchar_t* namePart = nullptr;
    const DWORD length = GetFullPathNameW(widePath.c_str(), MAX_PATH, full, &namePart);
    if (length == 0 || length >= MAX_PATH || namePart == nullptr)
        return ArchiveError::BadPath;
    const std::wstring target = full;
    fullPath = Utf8FromWide(target);
    const std::wstring folder(full, namePart);
    // Some replace implementations would swap a directory out for the file.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return ArchiveError::AccessDenied;

    wchar_t temporary[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"kst", 0, temporary))
        return LastError();
    TemporaryFile newFile(temporary);
    if (const ArchiveError error = WriteAll(newFile.Path(), bytes); error != ArchiveError::None)
        return error;

    if (Exists(target)) {
        // Fail early when another handle keeps the target from being
        // replaced: the replace would fail too, and Wine's leaves a stray
        // empty file beside it when it does.
        {
            fw::File probe(CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!probe && GetLastError() != ERROR_FILE_NOT_FOUND)
                return LastError();
        }
        const std::wstring wideBackup = WideFromUtf8(backupPath);
        const wchar_t* backup = backupPath.empty() ? nullptr : wideBackup.c_str();
        if (ReplaceFileW(target.c_str(), newFile.Path().c_str(), backup, 0, nullptr, nullptr)) {
            newFile.Keep();
            return ArchiveError::None;
        }
        const DWORD code = GetLastError();
        // Only the target's disappearance lets the plain move below proceed.
        if (Exists(target)) {
            SetLastError(code);
            return LastError();
        }
        if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT || code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            // The old file is gone already; the new one is all that is left.
            if (MoveFileExW(newFile.Path().c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                newFile.Keep();
                return ArchiveError::None;
            }
            const ArchiveError error = LastError();
            newFile.Keep();
            return error;
        }
    }
    if (!MoveFileExW(newFile.Path().c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return LastError();
    newFile.Keep();
    return ArchiveError::None;
}

void ReportArchiveError(const std::string& text)
{
    fw::AppMessageBox(WideFromUtf8(text), MB_OK | MB_ICONEXCLAMATION);
}

void TraceArchiveLine(const std::string& line) { OutputDebugStringW(WideFromUtf8(line).c_str()); }

}  // namespace store
