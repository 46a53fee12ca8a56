// Fuzz target: arbitrary address and command texts through both transfer
// paths of busquery and buswrite (the SICL library and the bus driver
// library, on the simulated bus), called directly as the commands call them:
// the address as given, and with "h" before it for the SICL path.
//
// Input: one byte of options, the address up to a NUL, the command after it.
//   bit 0     query (read a reply) or write only
//   bits 1-2  the bus configuration: none, interfaces without a board, an
//             interface on a present board, none
//   bit 3     the bus log is on (written to /dev/null)
#include "fuzz_support.h"

#include "config/os_family.h"
#include "buslink/transfers.h"

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

// The command text as the commands hold it: a block of the host's memory,
// freed once the text has been sent.
class HostText : public CommandText {
public:
    explicit HostText(const std::string& text) : block_(static_cast<char*>(std::calloc(text.size() + 1, 1)))
    {
        std::memcpy(block_, text.c_str(), text.size() + 1);
        g_blocks.insert(block_);
    }
    ~HostText() override { Free(); }
    HostText(const HostText&) = delete;
    HostText& operator=(const HostText&) = delete;

    const char* Get() const override { return block_; }
    void Free() override
    {
        if (!block_)
            return;
        FUZZ_CHECK(g_blocks.erase(block_) == 1, "a command block freed twice");
        std::free(block_);
        block_ = nullptr;
    }

private:
    char* block_;
};

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
    std::unique_ptr<char[]> addressBuffer(new char[kAddressSize]());
    std::string siclAddress = ("h" + address).substr(0, kAddressSize - 1);
    for (const std::string& given : {siclAddress, address}) {
        std::memset(addressBuffer.get(), 0, kAddressSize);
        std::memcpy(addressBuffer.get(), given.c_str(), given.size() + 1);
        std::memset(reply.get(), 0, kReplySize);
        HostText text(command);
        uint8_t status = Transfer(addressBuffer.get(), text, query ? reply.get() : nullptr);
        const char* path = given[0] == 'h' ? "SICL path" : "bus driver path";
        FUZZ_CHECK(!text.Get(), "%s keeps the command block", path);
        CheckOutcome(path, status, query ? reply.get() : nullptr);
    }
    FUZZ_CHECK(PlatformOpenKeyCount() == 0, "the transfers leave %zu keys open", PlatformOpenKeyCount());
    FUZZ_CHECK(PlatformOpenServiceHandleCount() == 0, "the transfers leave service handles open");
    ResetMachine();
    return 0;
}
