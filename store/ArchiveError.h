// Causes of a failed archive read or write and the texts the user sees for them.
#pragma once
#include <string>

namespace store {

enum class ArchiveError {
    None,
    Generic,
    FileNotFound,
    BadPath,
    TooManyOpenFiles,
    AccessDenied,
    InvalidFile,
    RemoveCurrentDir,
    DirectoryFull,
    BadSeek,
    HardIO,
    SharingViolation,
    LockViolation,
    DiskFull,
    EndOfFile,
    OutOfMemory,
    BackupKept,  // a backup already there is kept: the save does not replace it
};

// What a reader names the file in its reports.
inline constexpr const char* kUnnamedFile = "an unnamed file";

// The message for an error, with %1 replaced by fileName.
std::string ArchiveErrorText(ArchiveError error, const std::string& fileName);

}  // namespace store
