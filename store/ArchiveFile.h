// What the archive needs from the platform: whole-file reads, atomic
// replacement of a file, the user's message box and the debug trace. Texts
// are UTF-8; paths are what the platform's file calls take.
#pragma once
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
};

// Reads the whole file into bytes (what was read before an error stays).
// Only a missing file or folder counts as no file; anything else that keeps
// it from being opened leaves it existing but unopened.
FileReadResult ReadArchiveFile(const FilePath& path, std::string& bytes);

// Writes bytes to a new file in the target's folder, then replaces the target
// with it. On failure the target keeps its name and bytes and the new file is
// removed. named receives the full path of the file a report should name: the
// target, or the backup when that is what stood in the way. With a
// backupPath, a replaced target becomes that file in the same step.
ArchiveError WriteArchiveFile(const FilePath& path, const std::string& bytes, FilePath& named,
                              const FilePath& backupPath = FilePath());

#ifdef _WIN32
// The two calls that put the new file in the target's place, as
// WriteArchiveFile makes them (ReplaceFileW, and MoveFileExW replacing an
// existing file). Tests hand in calls that fail at a chosen step.
struct SwapCalls {
    int (*replace)(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup);
    int (*move)(const wchar_t* from, const wchar_t* to);
};
ArchiveError WriteArchiveFile(const FilePath& path, const std::string& bytes, FilePath& named,
                              const FilePath& backupPath, const SwapCalls& calls);
#endif

void ReportArchiveError(const std::string& text);
void TraceArchiveLine(const std::string& line);

}  // namespace store
