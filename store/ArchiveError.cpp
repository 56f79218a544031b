#include "ArchiveError.h"

namespace store {

namespace {

const char* Pattern(ArchiveError error)
{
    switch (error) {
    case ArchiveError::None: return "No error occurred.";
    case ArchiveError::Generic: return "An unknown error occurred while accessing %1.";
    case ArchiveError::FileNotFound: return "%1 was not found.";
    case ArchiveError::BadPath: return "%1 contains an invalid path.";
    case ArchiveError::TooManyOpenFiles: return "%1 could not be opened because there are too many open files.";
    case ArchiveError::AccessDenied: return "Access to %1 was denied.";
    case ArchiveError::InvalidFile: return "An invalid file handle was associated with %1.";
    case ArchiveError::RemoveCurrentDir: return "%1 could not be removed because it is the current directory.";
    case ArchiveError::DirectoryFull: return "%1 could not be created because the directory is full.";
    case ArchiveError::BadSeek: return "Seek failed on %1";
    case ArchiveError::HardIO: return "A hardware I/O error was reported while accessing %1.";
    case ArchiveError::SharingViolation: return "A sharing violation occurred while accessing %1.";
    case ArchiveError::LockViolation: return "A locking violation occurred while accessing %1.";
    case ArchiveError::DiskFull: return "Disk full while accessing %1.";
    case ArchiveError::EndOfFile: return "An attempt was made to access %1 past its end.";
    case ArchiveError::OutOfMemory: return "Out of memory.";
    case ArchiveError::BackupKept:
        return "%1 already holds a file that could not be read, and is kept. Move it elsewhere, then save again.";
    }
    return "An unknown error occurred while accessing %1.";
}

}  // namespace

std::string ArchiveErrorText(ArchiveError error, const std::string& fileName)
{
    // One pass, so a "%1" inside the file name stays as it is.
    const std::string pattern = Pattern(error);
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '1') {
            text += fileName;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

}  // namespace store
