// What the archive needs from the platform: whole-file reads, atomic
// replacement of a file, the user's message box and the debug trace. Paths
// and texts are UTF-8 (on the host, as the file system takes them).
#pragma once
#include <string>
#include "ArchiveError.h"

namespace store {

struct FileReadResult {
    bool opened = false;                      // false: nothing to report
    bool exists = false;                      // opened, or there but not openable
    ArchiveError error = ArchiveError::None;  // a read error after opening
};

// Reads the whole file into bytes (what was read before an error stays).
// Only a missing file or folder counts as no file; anything else that keeps
// it from being opened leaves it existing but unopened.
FileReadResult ReadArchiveFile(const std::string& path, std::string& bytes);

// Writes bytes to a new file in the target's folder, then replaces the target
// with it. On failure the target is untouched and the new file removed.
// fullPath receives the target's full path, for the report. With a
// backupPath, a replaced target becomes that file in the same step.
ArchiveError WriteArchiveFile(const std::string& path, const std::string& bytes, std::string& fullPath,
                              const std::string& backupPath = std::string());

void ReportArchiveError(const std::string& text);
void TraceArchiveLine(const std::string& line);

}  // namespace store
