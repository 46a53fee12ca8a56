#include "trace/locked_file.h"

#include <windows.h>

namespace {

// The byte the lock takes: far beyond any data, so that it never stands in
// the way of reading or writing the file itself.
const DWORD kLockOffsetHigh = 0x7FFFFFFF;

void MakeFolders(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return;
    std::string folder = path.substr(0, slash);
    size_t above = folder.find_last_of("\\/");
    if (above != std::string::npos)
        CreateDirectoryA(folder.substr(0, above).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
}

std::string ErrorWords(DWORD error)
{
    char text[256] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.'))
        text[--length] = '\0';
    return length ? std::string(text) : "error " + std::to_string(error);
}

bool WriteAll(HANDLE file, const char* data, size_t count)
{
    while (count > 0) {
        DWORD piece = count > 0x100000 ? 0x100000 : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!WriteFile(file, data, piece, &written, nullptr) || written == 0)
            return false;
        data += written;
        count -= written;
    }
    return true;
}

OVERLAPPED LockPlace()
{
    OVERLAPPED place = {};
    place.OffsetHigh = kLockOffsetHigh;
    return place;
}

} // namespace

LockedFile::LockedFile(const std::string& path, bool create)
{
    if (create)
        MakeFolders(path);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        missing_ = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        problem_ = ErrorWords(error);
        return;
    }
    handle_ = file;
    OVERLAPPED place = LockPlace();
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &place)) {
        problem_ = ErrorWords(GetLastError());
        return;
    }
    open_ = true;
}

LockedFile::~LockedFile()
{
    if (!handle_)
        return;
    if (open_) {
        OVERLAPPED place = LockPlace();
        UnlockFileEx(handle_, 0, 1, 0, &place);
    }
    CloseHandle(handle_);
}

long long LockedFile::Size()
{
    LARGE_INTEGER size = {};
    return open_ && GetFileSizeEx(handle_, &size) ? static_cast<long long>(size.QuadPart) : -1;
}

bool LockedFile::ReadAt(long long offset, size_t count, std::string& bytes)
{
    bytes.assign(count, '\0');
    LARGE_INTEGER place = {};
    place.QuadPart = offset;
    DWORD got = 0;
    if (!open_ || !SetFilePointerEx(handle_, place, nullptr, FILE_BEGIN) ||
        !ReadFile(handle_, &bytes[0], static_cast<DWORD>(count), &got, nullptr))
        return false;
    bytes.resize(got);
    return true;
}

bool LockedFile::ReadAll(std::string& contents)
{
    contents.clear();
    if (!open_ || SetFilePointer(handle_, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle_, chunk, sizeof chunk, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        contents.append(chunk, got);
    }
}

bool LockedFile::Append(const std::string& bytes)
{
    LARGE_INTEGER none = {};
    return open_ && SetFilePointerEx(handle_, none, nullptr, FILE_END) && WriteAll(handle_, bytes.data(), bytes.size());
}

bool LockedFile::Replace(const std::string& bytes)
{
    return open_ && SetFilePointer(handle_, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           SetEndOfFile(handle_) && WriteAll(handle_, bytes.data(), bytes.size());
}
