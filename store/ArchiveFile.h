// What the archive needs from the platform: whole-file reads, atomic
// replacement of a file, the user's message box and the debug trace. Texts
// are UTF-8; paths are what the platform's file calls take.
#pragma once
#include <cstdint>
#include <string>
#include "ArchiveError.h"

namespace store {

// UTF-16 on Windows, where a name may hold anything the file system keeps
// (an unpaired surrogate too), so it must not pass through UTF-8; bytes on
// the host.
#ifdef _WIN32
using FilePath = std::wstring;
#else
using FilePath = std::string;
#endif

// A path as reports show it, in UTF-8.
std::string PathText(const FilePath& path);

struct FileReadResult {
    bool opened = false;                      // false: nothing to report
    bool exists = false;                      // opened, or there but not openable
    ArchiveError error = ArchiveError::None;  // a read error after opening
    std::uint64_t modified = 0;               // last written, to tell the newer of two files
};

// Reads the whole file into bytes (what was read before an error stays).
// Only a missing file or folder counts as no file; anything else that keeps
// it from being opened leaves it existing but unopened.
FileReadResult ReadArchiveFile(const FilePath& path, std::string& bytes);

// The fixed names a save uses beside the target: the new file while it is
// written ("Kestrava.dat.new"), and the old one while the new one takes its
// place ("Kestrava.dat.old"). Between the two renames there is no target; a
// later load finds the keys under these names (SettingsArchive::Load).
FilePath NewSidePath(const FilePath& path);
FilePath OldSidePath(const FilePath& path);

// Writes bytes to the new side file, then replaces the target with it. A
// target held for a moment (a scanner, a sync client) is waited for, about
// two seconds. On failure the target keeps its name and bytes and the new
// file is removed; after a save our earlier leftovers (the old side file,
// "kst*.tmp" of earlier versions) are removed. named receives the full path
// of the file a report should name: the target, or the backup when that is
// what stood in the way. With a backupPath, a replaced target becomes that
// file; an existing backup is never replaced (BackupKept).
ArchiveError WriteArchiveFile(const FilePath& path, const std::string& bytes, FilePath& named,
                              const FilePath& backupPath = FilePath());

// Renames a file, never over an existing one.
bool MoveArchiveFile(const FilePath& from, const FilePath& to);

#ifdef _WIN32
// The calls that put the new file in the target's place, as WriteArchiveFile
// makes them when left null: ReplaceFileW, MoveFileExW that replaces nothing,
// and GetFileAttributesW's error (NO_ERROR when the file is there). Tests
// hand in calls that fail at a chosen step.
struct SwapCalls {
    int (*replace)(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup) = nullptr;
    int (*move)(const wchar_t* from, const wchar_t* to) = nullptr;
    unsigned long (*lookup)(const wchar_t* path) = nullptr;
};
ArchiveError WriteArchiveFile(const FilePath& path, const std::string& bytes, FilePath& named,
                              const FilePath& backupPath, const SwapCalls& calls);
#endif

void ReportArchiveError(const std::string& text);
void TraceArchiveLine(const std::string& line);

}  // namespace store
