#include "cli/partial_file.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Over an existing file too, which rename does not do on Windows.
bool Replace(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

} // namespace

PartialFile::PartialFile(const std::string& path) : path_(path), temporary_(path + ".partial")
{
    errno = 0;
    file_ = std::fopen(temporary_.c_str(), "wb");
    if (!file_)
        Fail("cannot create " + temporary_);
}

PartialFile::~PartialFile()
{
    if (file_)
        std::fclose(file_);
    if (!committed_)
        std::remove(temporary_.c_str());
}

bool PartialFile::Write(const char* data, size_t count)
{
    if (!file_)
        return false;
    errno = 0;
    if (std::fwrite(data, 1, count, file_) == count)
        return true;
    Fail("cannot write " + temporary_);
    return false;
}

bool PartialFile::Commit()
{
    if (!file_)
        return false;
    errno = 0;
    int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
        Fail("cannot write " + temporary_);
        return false;
    }
    errno = 0;
    if (!Replace(temporary_, path_)) {
        Fail("cannot rename " + temporary_ + " to " + path_);
        return false;
    }
    committed_ = true;
    return true;
}

void PartialFile::Fail(const std::string& what)
{
    if (problem_.empty())
        problem_ = what + (errno ? ": " + std::string(std::strerror(errno)) : "");
}
