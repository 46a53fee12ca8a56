// A file held open under an exclusive lock that every process taking the
// same file's lock respects, for as long as the holder lives.
#pragma once

#include <cstddef>
#include <string>

class LockedFile {
public:
    // Opens `path` (creating it, and its folder, when `create`) and waits for
    // its lock. Open() tells whether that worked; Problem() says why not.
    LockedFile(const std::string& path, bool create);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool Open() const { return open_; }
    const std::string& Problem() const { return problem_; }
    // Not opened because there is no such file.
    bool Missing() const { return missing_; }

    // The file's size in bytes; -1 when it cannot be told.
    long long Size();
    // Up to `count` bytes from `offset` (fewer at the end); false when they
    // cannot be read.
    bool ReadAt(long long offset, size_t count, std::string& bytes);
    // The whole file; false when it cannot be read.
    bool ReadAll(std::string& contents);
    // Adds the bytes at the end.
    bool Append(const std::string& bytes);
    // Makes the file hold exactly these bytes.
    bool Replace(const std::string& bytes);

private:
    bool open_ = false;
    bool missing_ = false;
    std::string problem_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};
