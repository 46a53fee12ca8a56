// A file written under a temporary name beside its own ("FILE.partial") and
// renamed to it at the end, so that a transfer that fails leaves no part of
// a file, and an older FILE stays as it was.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class PartialFile {
public:
    explicit PartialFile(const std::string& path);
    // Removes the temporary file unless it was committed.
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    // False when the temporary file could not be made; Problem says why.
    bool Opened() const { return file_ != nullptr; }
    bool Write(const char* data, size_t count);
    // Closes the file and renames it over the path.
    bool Commit();
    const std::string& Problem() const { return problem_; }

private:
    std::string path_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
    std::string problem_;

    void Fail(const std::string& what);
};
