// Fuzz target: arbitrary address and command texts through both transfer
// paths of busquery and buswrite (the SICL library and the bus driver
// library, on the simulated bus), called directly as the commands call them.
//
// Input: one byte of options, the address up to a NUL, the command after it.
//   bit 0     query (read a reply) or write only
//   bits 1-2  the bus configuration: none, interfaces without a board, an
//             interface on a present board, none
//   bit 3     the bus log is on (written to /dev/null)
#include "fuzz_support.h"

#include "config/os_family.h"
#include "mex/transfers.h"

#include <cstring>
#include <memory>
#include <set>

namespace {

std::set<void*> g_blocks;

const char kNoBoardConfiguration[] =
    "REGEDIT4\n"
    "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"
    "\"UserName\"=\"GPIB0\"\n"
    "\"HardwareKey\"=\"\"\n"
    "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n"
    "\"UserName\"=\"GPIB1\"\n"
    "\"HardwareKey\"=\"PCI\\\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\\\NOWHERE\"\n";

const char kPresentBoardConfiguration[] =
    "REGEDIT4\n"
    "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"
    "\"UserName\"=\"GPIB2\"\n"
    "\"HardwareKey\"=\"ROOT\\\\KVX488\\\\0000\"\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbBoards]\n"
    "\"Type\"=dword:00000001\n"
    "\"Start\"=dword:00000003\n"
    "\"ErrorControl\"=dword:00000001\n"
    "\"Group\"=\"Vexmoor\"\n"
    "\"ImagePath\"=\"C:\\\\windows\\\\system32\\\\drivers\\\\quenbus_stub.sys\"\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbBoards\\Enum]\n"
    "\"Count\"=dword:00000001\n"
    "\"0\"=\"ROOT\\\\KVX488\\\\0000\"\n";

// The command text as the commands fetch it: a block of the MEX host.
char* HostCopy(const std::string& text)
{
    char* block = static_cast<char*>(mxCalloc(text.size() + 1, 1));
    std::memcpy(block, text.c_str(), text.size() + 1);
    return block;
}

void CheckOutcome(const char* path, uint8_t status, const char* reply)
{
    FUZZ_CHECK(status <= (kOpenFailed | kTransferFailed | kCloseFailed), "%s: status %u", path, status);
    FUZZ_CHECK(g_blocks.empty(), "%s: the command block is not freed", path);
    // Whatever the earlier steps returned, every step runs: a connection that
    // did not open cannot close, nor send or read anything.
    if (status & kOpenFailed) {
        FUZZ_CHECK(status == (kOpenFailed | kTransferFailed | kCloseFailed), "%s: failed open, status %u", path,
                   status);
        FUZZ_CHECK(!reply || reply[0] == '\0', "%s: a reply without a connection", path);
    }
    FUZZ_CHECK(!reply || std::memchr(reply, '\0', kReplySize), "%s: the reply has no terminator", path);
}

} // namespace

extern "C" void* mxCalloc(size_t count, size_t size)
{
    void* block = std::calloc(count ? count : 1, size ? size : 1);
    g_blocks.insert(block);
    return block;
}

extern "C" void mxFree(void* block)
{
    FUZZ_CHECK(block && g_blocks.erase(block) == 1, "mxFree of a block the host did not give");
    std::free(block);
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    unsetenv("QUENBUS_SIMBUS_BENCH");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ByteReader in(data, size);
    uint8_t options = in.Byte();
    bool query = options & 1;
    // The commands refuse an address of 20 characters or more before any transfer.
    std::string address = in.Text().substr(0, kAddressSize - 1);
    std::string command = in.Text();

    ResetMachine();
    PlatformSetVersion(VER_PLATFORM_WIN32_NT, 5, 0);
    LoadOsVersion();
    switch ((options >> 1) & 3) {
    case 1:
        RegLoadText(kNoBoardConfiguration, nullptr);
        break;
    case 2:
        RegLoadText(kPresentBoardConfiguration, nullptr);
        break;
    default:
        break;
    }
    if (options & 8)
        setenv("QUENBUS_SIMBUS_TRACE", "/dev/null", 1);
    else
        unsetenv("QUENBUS_SIMBUS_TRACE");

    // Buffers of exactly the sizes the commands give, so that a write past
    // them is caught.
    std::unique_ptr<char[]> reply(new char[kReplySize]());
    {
        HostBlock text(HostCopy(command));
        uint8_t status = SiclTransfer(address.c_str(), text, query ? reply.get() : nullptr);
        FUZZ_CHECK(!text.Get(), "SiclTransfer keeps the command block");
        CheckOutcome("SICL path", status, query ? reply.get() : nullptr);
    }
    std::unique_ptr<char[]> busAddress(new char[kAddressSize]());
    std::memcpy(busAddress.get(), address.c_str(), address.size() + 1);
    std::memset(reply.get(), 0, kReplySize);
    {
        HostBlock text(HostCopy(command));
        uint8_t status = BusTransfer(busAddress.get(), text, query ? reply.get() : nullptr);
        FUZZ_CHECK(!text.Get(), "BusTransfer keeps the command block");
        CheckOutcome("bus driver path", status, query ? reply.get() : nullptr);
    }
    FUZZ_CHECK(PlatformOpenKeyCount() == 0, "the transfers leave %zu keys open", PlatformOpenKeyCount());
    FUZZ_CHECK(PlatformOpenServiceHandleCount() == 0, "the transfers leave service handles open");
    ResetMachine();
    return 0;
}
