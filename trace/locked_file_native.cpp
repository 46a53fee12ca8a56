#include "trace/locked_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes the folder that holds `path`, and the one above it.
void MakeFolders(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return;
    std::string folder = path.substr(0, slash);
    size_t above = folder.rfind('/');
    if (above != std::string::npos && above > 0)
        mkdir(folder.substr(0, above).c_str(), 0755);
    mkdir(folder.c_str(), 0755);
}

bool WriteAll(int fd, const char* data, size_t count)
{
    while (count > 0) {
        ssize_t written = write(fd, data, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

LockedFile::LockedFile(const std::string& path, bool create)
{
    if (create)
        MakeFolders(path);
    fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd_ < 0) {
        missing_ = errno == ENOENT;
        problem_ = std::strerror(errno);
        return;
    }
    struct stat info;
    if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem_ = "not a file";
        return;
    }
    while (flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            problem_ = std::strerror(errno);
            return;
        }
    }
    open_ = true;
}

LockedFile::~LockedFile()
{
    if (fd_ >= 0)
        close(fd_);
}

long long LockedFile::Size()
{
    struct stat info;
    return open_ && fstat(fd_, &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

bool LockedFile::ReadAt(long long offset, size_t count, std::string& bytes)
{
    bytes.assign(count, '\0');
    size_t got = 0;
    while (open_ && got < count) {
        ssize_t piece = pread(fd_, &bytes[got], count - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (piece < 0 && errno == EINTR)
            continue;
        if (piece < 0)
            return false;
        if (piece == 0)
            break;
        got += static_cast<size_t>(piece);
    }
    bytes.resize(got);
    return open_;
}

bool LockedFile::ReadAll(std::string& contents)
{
    contents.clear();
    if (!open_ || lseek(fd_, 0, SEEK_SET) != 0)
        return false;
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd_, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        contents.append(chunk, static_cast<size_t>(got));
    }
}

bool LockedFile::Append(const std::string& bytes)
{
    return open_ && lseek(fd_, 0, SEEK_END) >= 0 && WriteAll(fd_, bytes.data(), bytes.size());
}

bool LockedFile::Replace(const std::string& bytes)
{
    return open_ && ftruncate(fd_, 0) == 0 && lseek(fd_, 0, SEEK_SET) == 0 && WriteAll(fd_, bytes.data(), bytes.size());
}
