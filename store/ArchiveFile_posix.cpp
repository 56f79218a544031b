// The archive's file access on the Linux host build: enough for native
// tests of whole-file behaviour. Reports go to standard error.
#include "ArchiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>
#include "ArchiveCodec.h"

namespace store {

namespace {

ArchiveError FromErrno(int code)
{
    switch (code) {
    case ENOENT: return ArchiveError::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR:
        return ArchiveError::BadPath;
    case EMFILE:
    case ENFILE:
        return ArchiveError::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
        return ArchiveError::AccessDenied;
    case EBADF: return ArchiveError::InvalidFile;
    case EIO: return ArchiveError::HardIO;
    case ENOSPC:
    case EDQUOT:
        return ArchiveError::DiskFull;
    case ENOMEM: return ArchiveError::OutOfMemory;
    default: return ArchiveError::Generic;
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

}  // namespace

std::string PathText(const FilePath& path) { return path; }

FilePath NewSidePath(const FilePath& path) { return path + ".new"; }
FilePath OldSidePath(const FilePath& path) { return path + ".old"; }

FileReadResult ReadArchiveFile(const FilePath& path, std::string& bytes)
{
    bytes.clear();
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return FileReadResult{false, errno != ENOENT && errno != ENOTDIR, ArchiveError::None};
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode))
        return FileReadResult{false, true, ArchiveError::None};
    const std::uint64_t modified = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                                   static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
    if (static_cast<std::uint64_t>(info.st_size) > kMaxArchiveFileSize)
        return FileReadResult{true, true, ArchiveError::OutOfMemory, modified};
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return FileReadResult{true, true, ArchiveError::OutOfMemory, modified};
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.get(), &bytes[done], bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const ArchiveError error = FromErrno(errno);
            bytes.resize(done);
            return FileReadResult{true, true, error, modified};
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return FileReadResult{true, true, ArchiveError::None, modified};
}

// The same steps as on Windows, where renames are atomic: the new side file,
// the kept backup by a link that replaces nothing, the rename.
ArchiveError WriteArchiveFile(const FilePath& path, const std::string& bytes, FilePath& named,
                              const FilePath& backupPath)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    if (char* resolved = ::realpath(folder.c_str(), nullptr)) {
        named = std::string(resolved) + "/" + path.substr(slash == std::string::npos ? 0 : slash + 1);
        std::free(resolved);
    } else {
        named = path;
    }

    const std::string temporary = NewSidePath(path);
    ::unlink(temporary.c_str());
    Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (file.get() < 0)
        return FromErrno(errno);
    ArchiveError error = ArchiveError::None;
    for (std::size_t done = 0; done < bytes.size() && error == ArchiveError::None;) {
        const ssize_t put = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            error = put < 0 ? FromErrno(errno) : ArchiveError::DiskFull;
        else
            done += static_cast<std::size_t>(put);
    }
    if (error == ArchiveError::None && ::fsync(file.get()) != 0)
        error = FromErrno(errno);
    if (::close(file.release()) != 0 && error == ArchiveError::None)
        error = FromErrno(errno);
    if (error == ArchiveError::None && !backupPath.empty() && ::access(path.c_str(), F_OK) == 0 &&
        ::link(path.c_str(), backupPath.c_str()) != 0) {
        error = errno == EEXIST ? ArchiveError::BackupKept : FromErrno(errno);
        named = backupPath;
    }
    if (error == ArchiveError::None && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = FromErrno(errno);
    if (error != ArchiveError::None) {
        ::unlink(temporary.c_str());
        return error;
    }
    ::unlink(OldSidePath(path).c_str());
    return ArchiveError::None;
}

bool MoveArchiveFile(const FilePath& from, const FilePath& to)
{
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

void ReportArchiveError(const std::string& text) { std::fprintf(stderr, "Kestrava: %s\n", text.c_str()); }

void TraceArchiveLine(const std::string& line) { std::fputs(line.c_str(), stderr); }

}  // namespace store
