// What the fuzz targets share: checks that fail the run, a reader of the
// input's bytes, and the emulated machine's reset and export.
#pragma once

#include "platform/emulation.h"
#include "platform/reg_file.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// A broken invariant: says which and aborts, so that libFuzzer keeps the input.
[[noreturn]] inline void FuzzFail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::fprintf(stderr, "fuzz invariant broken: ");
    std::vfprintf(stderr, format, args);
    std::fprintf(stderr, "\n");
    va_end(args);
    std::abort();
}

#define FUZZ_CHECK(condition, ...)                                                                                     \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            FuzzFail(__VA_ARGS__);                                                                                     \
    } while (0)

// Takes the input apart front to back; past the end every read gives zeros.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool AtEnd() const { return position_ >= size_; }
    size_t Remaining() const { return AtEnd() ? 0 : size_ - position_; }

    uint8_t Byte() { return AtEnd() ? 0 : data_[position_++]; }
    uint16_t Word()
    {
        uint16_t low = Byte();
        return static_cast<uint16_t>(low | Byte() << 8);
    }
    uint32_t Dword()
    {
        uint32_t low = Word();
        return low | static_cast<uint32_t>(Word()) << 16;
    }
    // Up to `count` bytes, fewer at the end of the input.
    std::string Bytes(size_t count)
    {
        if (count > Remaining())
            count = Remaining();
        std::string bytes(reinterpret_cast<const char*>(data_ + position_), count);
        position_ += count;
        return bytes;
    }
    // The bytes up to the next NUL (dropped) or the end.
    std::string Text()
    {
        std::string text;
        while (!AtEnd()) {
            char c = static_cast<char>(Byte());
            if (c == '\0')
                break;
            text += c;
        }
        return text;
    }
    std::string Rest() { return Bytes(Remaining()); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// The native registry and service manager start empty and in memory only.
inline void ResetMachine()
{
    unsetenv(kPlatformRegistryFileVariable);
    PlatformResetRegistry();
    PlatformResetServices();
}

// The whole registry as REGEDIT4 text; false when a key cannot be exported.
inline bool ExportRegistry(std::string& text)
{
    text = "REGEDIT4\n";
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_DYN_DATA}) {
        if (!RegExportKey(root, "", text))
            return false;
    }
    return true;
}

namespace fuzz_detail {

// `name` and `data` are scratch buffers that every level shares.
inline void AppendTree(HKEY key, const std::string& path, std::vector<char>& name, std::vector<BYTE>& data,
                       std::string& out)
{
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LONG rc = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (rc == ERROR_MORE_DATA && size > data.size()) {
            data.resize(size);
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        out += path + "|" + std::string(name.data(), nameLength) + "|" + std::to_string(type) + "|" +
               std::string(reinterpret_cast<const char*>(data.data()), size) + "\n";
        ++index;
    }
    for (DWORD index = 0; RegEnumKeyA(key, index, name.data(), static_cast<DWORD>(name.size())) == ERROR_SUCCESS;
         ++index) {
        HKEY child = nullptr;
        if (RegOpenKeyA(key, name.data(), &child) != ERROR_SUCCESS)
            continue;
        std::string childPath = path + "\\" + name.data();
        out += childPath + "\n";
        AppendTree(child, childPath, name, data, out);
        RegCloseKey(child);
    }
}

} // namespace fuzz_detail

// Every key, value name, type and data byte of the registry, in one text to
// compare: cheaper than an export.
inline std::string RegistrySnapshot()
{
    std::string out;
    std::vector<char> name(16384);
    std::vector<BYTE> data(256);
    fuzz_detail::AppendTree(HKEY_CURRENT_USER, "HKCU", name, data, out);
    fuzz_detail::AppendTree(HKEY_LOCAL_MACHINE, "HKLM", name, data, out);
    fuzz_detail::AppendTree(HKEY_DYN_DATA, "HKDD", name, data, out);
    return out;
}
