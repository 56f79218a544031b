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

// The full path, however long; empty when the name makes none.
std::wstring FullPathOf(const std::wstring& path)
{
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
        if (length == 0)
            return std::wstring();
        const bool fits = length < full.size();
        full.resize(length);  // the text, or the room it needs
        if (fits)
            return full;
    }
}

// A full path in the form the file calls take beyond MAX_PATH characters.
std::wstring LongForm(const std::wstring& full)
{
    if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0)
        return full;
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Whether a file there, if any, may be renamed or replaced: no folder (some
// replace implementations would swap a folder out for the file), not
// read-only and not held by a program that shares no deletion. The replace
// would fail too, and Wine's leaves a stray empty file beside it when it does.
ArchiveError CheckReplaceable(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ArchiveError::None;
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return ArchiveError::AccessDenied;
    fw::File probe(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe && GetLastError() != ERROR_FILE_NOT_FOUND)
        return LastError();
    return ArchiveError::None;
}

// The new file until it has taken the target's place.
class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile()
    {
        if (!m_path.empty())
            DeleteFileW(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // A new "kstXXXX.tmp" in folder (ending in a separator), open for writing:
    // numbered from the clock, like the system's temporary names, but in a
    // folder of any length.
    ArchiveError Create(const std::wstring& folder, fw::File& file)
    {
        unsigned number = GetTickCount() & 0xFFFF;
        for (unsigned tries = 0; tries < 0x10000; ++tries, number = (number + 1) & 0xFFFF) {
            std::wstring digits;
            for (unsigned n = number ? number : 1; n != 0; n >>= 4)
                digits.insert(digits.begin(), L"0123456789ABCDEF"[n & 0xF]);
            const std::wstring path = folder + L"kst" + digits + L".tmp";
            file.reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file) {
                m_path = path;
                return ArchiveError::None;
            }
            const DWORD code = GetLastError();
            if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
                return LastError();
        }
        return ArchiveError::DirectoryFull;
    }
    const std::wstring& Path() const { return m_path; }
    void Keep() { m_path.clear(); }

private:
    std::wstring m_path;
};

// Writes, flushes and closes the file.
ArchiveError WriteAll(fw::File& file, const std::string& bytes)
{
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

int SystemReplace(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup)
{
    return ReplaceFileW(target, replacement, backup, 0, nullptr, nullptr);
}

int SystemMove(const wchar_t* from, const wchar_t* to)
{
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

}  // namespace

std::string PathText(const FilePath& path) { return Utf8FromWide(path); }

FileReadResult ReadArchiveFile(const FilePath& path, std::string& bytes)
{
    bytes.clear();
    const std::wstring full = FullPathOf(path);
    // Shared, so that a backup program or a scanner reading the file at the
    // same moment does not make the keys look absent.
    fw::File file(CreateFileW(full.empty() ? path.c_str() : LongForm(full).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

ArchiveError WriteArchiveFile(const FilePath& path, const std::string& bytes, FilePath& named,
                              const FilePath& backupPath)
{
    return WriteArchiveFile(path, bytes, named, backupPath, SwapCalls{SystemReplace, SystemMove});
}

ArchiveError WriteArchiveFile(const FilePath& path, const std::string& bytes, FilePath& named,
                              const FilePath& backupPath, const SwapCalls& calls)
{
    const std::wstring full = FullPathOf(path);
    const std::size_t separator = full.rfind(L'\\');
    if (separator == std::wstring::npos || separator + 1 == full.size())
        return ArchiveError::BadPath;
    named = full;
    // The long form throughout: the folder may lie deeper than MAX_PATH.
    const std::wstring target = LongForm(full);
    const std::wstring fullBackup = backupPath.empty() ? std::wstring() : FullPathOf(backupPath);
    const std::wstring backup = fullBackup.empty() ? std::wstring() : LongForm(fullBackup);
    // Nothing is written when the old file cannot be replaced, or a backup
    // that is to take its name stands in the way: that one is named.
    if (const ArchiveError error = CheckReplaceable(target); error != ArchiveError::None)
        return error;
    if (!backup.empty() && Exists(target)) {
        if (const ArchiveError error = CheckReplaceable(backup); error != ArchiveError::None) {
            named = fullBackup;
            return error;
        }
    }

    const std::wstring folder = target.substr(0, target.rfind(L'\\') + 1);
    TemporaryFile newFile;
    fw::File file;
    if (const ArchiveError error = newFile.Create(folder, file); error != ArchiveError::None)
        return error;
    if (const ArchiveError error = WriteAll(file, bytes); error != ArchiveError::None)
        return error;
    const wchar_t* const temporary = newFile.Path().c_str();

    if (Exists(target)) {
        // Without a backup asked for, the old file still goes to a name of
        // our own first: a replace that fails half-way then leaves it where we
        // can take it back from, and Wine's replace without a backup name
        // overflows a MAX_PATH buffer in a deep folder.
        TemporaryFile oldFile;
        if (backup.empty()) {
            fw::File reserved;
            if (const ArchiveError error = oldFile.Create(folder, reserved); error != ArchiveError::None)
                return error;
        }
        const std::wstring& oldName = backup.empty() ? oldFile.Path() : backup;
        if (calls.replace(target.c_str(), temporary, oldName.c_str())) {
            newFile.Keep();
            return ArchiveError::None;
        }
        const DWORD code = GetLastError();
        // Nothing moved: the old file is as it was.
        if (Exists(target)) {
            SetLastError(code);
            return LastError();
        }
        // The old file has left its place: the new one must take it.
        if (calls.move(temporary, target.c_str())) {
            newFile.Keep();
            return ArchiveError::None;
        }
        const ArchiveError error = LastError();
        // Neither: the old file gets its name back, so that the next start
        // finds the keys it had, not an empty table.
        if (calls.move(oldName.c_str(), target.c_str())) {
            oldFile.Keep();  // moved already
            return error;
        }
        oldFile.Keep();
        newFile.Keep();  // both sets of keys stay on the disk, under those names
        return error;
    }
    if (!calls.move(temporary, target.c_str()))
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
