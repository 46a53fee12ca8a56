// IsBadStringPtrA that really tests readability: the kernel copies the text
// into a pipe page by page and reports EFAULT for memory that cannot be read.
// The write is a raw system call: like the Windows function, it reads past
// the terminator up to the page end, which a sanitizer must not veto.
#include "platform/win32.h"

#include <cerrno>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const uintptr_t kPage = 4096;

class Pipe {
public:
    Pipe() { ok_ = pipe(fds_) == 0; }
    ~Pipe()
    {
        if (ok_) {
            close(fds_[0]);
            close(fds_[1]);
        }
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    // Copies `count` bytes at `p` into `out`; false when they are unreadable.
    bool Read(const char* p, size_t count, char* out)
    {
        if (!ok_)
            return false;
        long written = syscall(SYS_write, fds_[1], p, count);
        if (written != static_cast<long>(count))
            return false;
        return read(fds_[0], out, count) == static_cast<ssize_t>(count);
    }

private:
    int fds_[2] = {-1, -1};
    bool ok_ = false;
};

} // namespace

BOOL IsBadStringPtrA(LPCSTR text, UINT_PTR maxChars)
{
    if (maxChars == 0)
        return FALSE;
    if (!text)
        return TRUE;
    Pipe pipe;
    char chunk[kPage];
    const char* p = text;
    UINT_PTR left = maxChars;
    while (left > 0) {
        size_t toPageEnd = kPage - (reinterpret_cast<uintptr_t>(p) % kPage);
        size_t count = toPageEnd < left ? toPageEnd : static_cast<size_t>(left);
        if (!pipe.Read(p, count, chunk))
            return TRUE;
        for (size_t i = 0; i < count; ++i) {
            if (chunk[i] == '\0')
                return FALSE;
        }
        p += count;
        left -= count;
    }
    return FALSE;
}
