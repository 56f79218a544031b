// The archive's file access on Windows.
#include "ArchiveFile.h"

#include <windows.h>
#include <algorithm>
#include <cwchar>
#include <cwctype>
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

// A file that a scanner, a sync client or a backup program holds for a
// moment is let go again soon: only these failures are tried again.
bool IsTransient(DWORD code)
{
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

constexpr DWORD kRetryMilliseconds = 2000;

// Runs step (giving a system error code) until it gives one that is no
// transient failure, or until about two seconds have passed since started.
template <class Step>
DWORD Retried(DWORD started, Step step)
{
    for (;;) {
        const DWORD code = step();
        if (!IsTransient(code) || GetTickCount() - started >= kRetryMilliseconds)
            return code;
        Sleep(50);
    }
}

ArchiveError FromCode(DWORD code)
{
    const ArchiveError error = FromOsError(code);
    return error == ArchiveError::None ? ArchiveError::Generic : error;
}

ArchiveError LastError() { return FromCode(GetLastError()); }

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

std::wstring LongPath(const std::wstring& path)
{
    const std::wstring full = FullPathOf(path);
    return full.empty() ? path : LongForm(full);
}

// Whether a file there, if any, may be renamed or replaced: no folder (some
// replace implementations would swap a folder out for the file), not
// read-only and not held by a program that shares no deletion. The replace
// would fail too, and Wine's leaves a stray empty file beside it when it does.
DWORD CheckReplaceable(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return NO_ERROR;
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return ERROR_ACCESS_DENIED;
    fw::File probe(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe && GetLastError() != ERROR_FILE_NOT_FOUND)
        return GetLastError();
    return NO_ERROR;
}

// The new side file until it has taken the target's place.
class NewFile {
public:
    explicit NewFile(std::wstring path) : m_path(std::move(path)) {}
    ~NewFile()
    {
        if (m_created)
            DeleteFileW(m_path.c_str());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Created afresh: one an earlier save left is incomplete, or superseded
    // by the target (a complete one without a target is taken back at load,
    // and every save follows a load).
    DWORD Create(fw::File& file)
    {
        DeleteFileW(m_path.c_str());
        file.reset(CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        m_created = static_cast<bool>(file);
        return file ? NO_ERROR : GetLastError();
    }
    const std::wstring& Path() const { return m_path; }
    void Keep() { m_created = false; }

private:
    std::wstring m_path;
    bool m_created = false;
};

// Writes, flushes and closes the file.
DWORD WriteAll(fw::File& file, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr))
            return GetLastError();
        if (written < chunk)
            return ERROR_DISK_FULL;
        done += written;
    }
    if (!FlushFileBuffers(file.get()) || !CloseHandle(file.release()))
        return GetLastError();
    return NO_ERROR;
}

int SystemReplace(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup)
{
    return ReplaceFileW(target, replacement, backup, 0, nullptr, nullptr);
}

// Never over an existing file: the target may be there after all (a network
// share that failed for a moment, a file whose deletion is pending).
int SystemMove(const wchar_t* from, const wchar_t* to) { return MoveFileExW(from, to, MOVEFILE_WRITE_THROUGH); }

unsigned long SystemLookup(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES ? NO_ERROR : GetLastError();
}

// After the old file has left the target's place: the new file takes the
// name, or else the old one gets it back, so that the next start finds the
// keys. Failing both, both stay on the disk under the names of ours, where a
// later load takes the newer one back from.
DWORD PutInPlace(const SwapCalls& calls, const std::wstring& target, NewFile& newFile, const std::wstring& oldName)
{
    if (calls.move(newFile.Path().c_str(), target.c_str()))
        return NO_ERROR;
    const DWORD code = GetLastError();
    if (!calls.move(oldName.c_str(), target.c_str()))
        newFile.Keep();
    return code;
}

// "kst" and one to four hexadecimal digits, ".tmp": the new files of
// earlier versions.
bool IsEarlierTemporaryName(const wchar_t* name)
{
    const std::size_t length = wcslen(name);
    if (length < 8 || length > 11 || _wcsnicmp(name, L"kst", 3) != 0 || _wcsicmp(name + length - 4, L".tmp") != 0)
        return false;
    for (std::size_t i = 3; i < length - 4; ++i)
        if (!iswxdigit(name[i]))
            return false;
    return true;
}

// After a save: what interrupted saves of this and earlier versions left in
// the folder holds nothing the new file lacks.
void RemoveLeftovers(const std::wstring& folder, const std::wstring& oldSide)
{
    DeleteFileW(oldSide.c_str());
    WIN32_FIND_DATAW found;
    fw::FindHandle search(FindFirstFileW((folder + L"kst*.tmp").c_str(), &found));
    for (bool more = static_cast<bool>(search); more; more = FindNextFileW(search.get(), &found)) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsEarlierTemporaryName(found.cFileName))
            DeleteFileW((folder + found.cFileName).c_str());
    }
}

}  // namespace

std::string PathText(const FilePath& path) { return Utf8FromWide(path); }

FilePath NewSidePath(const FilePath& path) { return path + L".new"; }
FilePath OldSidePath(const FilePath& path) { return path + L".old"; }

FileReadResult ReadArchiveFile(const FilePath& path, std::string& bytes)
{
    bytes.clear();
    // Shared, so that a backup program or a scanner reading the file at the
    // same moment does not make the keys look absent.
    fw::File file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        return FileReadResult{false, code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND, ArchiveError::None};
    }
    FileReadResult result{true, true, ArchiveError::None};
    FILETIME written{};
    if (GetFileTime(file.get(), nullptr, nullptr, &written))
        result.modified = static_cast<std::uint64_t>(written.dwHighDateTime) << 32 | written.dwLowDateTime;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        result.error = LastError();
        return result;
    }
    result.error = ArchiveError::OutOfMemory;
    if (static_cast<std::uint64_t>(size.QuadPart) > kMaxArchiveFileSize)
        return result;
    try {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return result;
    }
    result.error = ArchiveError::None;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD got = 0;
        if (!ReadFile(file.get(), &bytes[done], chunk, &got, nullptr)) {
            result.error = LastError();
            break;
        }
        if (got == 0)
            break;  // shorter than it was a moment ago
        done += got;
    }
    bytes.resize(done);
    return result;
}

bool MoveArchiveFile(const FilePath& from, const FilePath& to)
{
    return SystemMove(LongPath(from).c_str(), LongPath(to).c_str()) != 0;
}

ArchiveError WriteArchiveFile(const FilePath& path, const std::string& bytes, FilePath& named,
                              const FilePath& backupPath)
{
    return WriteArchiveFile(path, bytes, named, backupPath, SwapCalls{});
}

ArchiveError WriteArchiveFile(const FilePath& path, const std::string& bytes, FilePath& named,
                              const FilePath& backupPath, const SwapCalls& seams)
{
    const SwapCalls calls{seams.replace ? seams.replace : SystemReplace, seams.move ? seams.move : SystemMove,
                          seams.lookup ? seams.lookup : SystemLookup};
    const std::wstring full = FullPathOf(path);
    const std::size_t separator = full.rfind(L'\\');
    if (separator == std::wstring::npos || separator + 1 == full.size())
        return ArchiveError::BadPath;
    named = full;
    // The long form throughout: the folder may lie deeper than MAX_PATH.
    const std::wstring target = LongForm(full);
    const std::wstring folder = target.substr(0, target.rfind(L'\\') + 1);
    const std::wstring oldSide = OldSidePath(target);
    const std::wstring fullBackup = backupPath.empty() ? std::wstring() : FullPathOf(backupPath);
    const std::wstring backup = fullBackup.empty() ? std::wstring() : LongForm(fullBackup);
    const DWORD started = GetTickCount();

    // Nothing is written while the old file cannot be replaced, nor when a
    // backup that is to take its name is there already: that one is named.
    if (const DWORD code = Retried(started, [&] { return CheckReplaceable(target); }); code != NO_ERROR)
        return FromCode(code);
    const bool replacing = calls.lookup(target.c_str()) != ERROR_FILE_NOT_FOUND;
    if (!backup.empty() && replacing && calls.lookup(backup.c_str()) != ERROR_FILE_NOT_FOUND) {
        named = fullBackup;
        return ArchiveError::BackupKept;
    }

    NewFile newFile(NewSidePath(target));
    fw::File file;
    if (const DWORD code = newFile.Create(file); code != NO_ERROR)
        return FromCode(code);
    if (const DWORD code = WriteAll(file, bytes); code != NO_ERROR)
        return FromCode(code);
    const wchar_t* const replacement = newFile.Path().c_str();

    DWORD code = NO_ERROR;
    if (!replacing) {
        code = calls.move(replacement, target.c_str()) ? NO_ERROR : GetLastError();
    } else if (backup.empty()) {
        // The old file goes to a fixed name of ours first: a replace that
        // fails half-way, or a power cut between its two renames, leaves it
        // where a later load takes it back from.
        code = Retried(started, [&] {
            return calls.replace(target.c_str(), replacement, oldSide.c_str()) ? NO_ERROR : GetLastError();
        });
        // Only a target that is surely gone has left its place: any other
        // failure to look it up leaves everything as it is.
        if (code != NO_ERROR && calls.lookup(target.c_str()) == ERROR_FILE_NOT_FOUND)
            code = PutInPlace(calls, target, newFile, oldSide);
    } else {
        // The file that could not be read becomes the backup by a rename
        // that replaces nothing, so a backup kept from before stays.
        code = Retried(started, [&] { return calls.move(target.c_str(), backup.c_str()) ? NO_ERROR : GetLastError(); });
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
            named = fullBackup;
            return ArchiveError::BackupKept;
        }
        if (code == NO_ERROR)
            code = PutInPlace(calls, target, newFile, backup);
    }
    if (code != NO_ERROR)
        return FromCode(code);
    newFile.Keep();
    RemoveLeftovers(folder, oldSide);
    return ArchiveError::None;
}

void ReportArchiveError(const std::string& text)
{
    fw::AppMessageBox(WideFromUtf8(text), MB_OK | MB_ICONEXCLAMATION);
}

void TraceArchiveLine(const std::string& line) { OutputDebugStringW(WideFromUtf8(line).c_str()); }

}  // namespace store
