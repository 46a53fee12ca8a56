// Fuzz target: a registry made from the input, then every entry point that
// runs natively over it, as one of the OS families.
//
// Input: one byte of options, then the registry.
//   bits 0-1  the family: 0 Windows 9x (1/4.10), 1 NT 4 (2/4.0), 2 NT 5 (2/5.0),
//             3 GetVersionExA fails
//   bit 2     the registry is REGEDIT4 text (0) or the records below (1)
//   bit 3     the setup exports run before the readers (1) or after (0)
//   bit 4     RegInitHdwrConfigNT describes a board model first
//   bit 5     that model is "Quoran" (1) or "Rumex" (0)
// Records, each an operation byte (its low 3 bits) and its operands:
//   0 key      base, text        current key := base\text (created)
//   1 value    name, type, data  value of the current key, stored byte for byte
//   2 subkey   text              current key := current\text (created)
//   3 nodes    count             subkeys "0000"... of the current key: a count
//                                byte, 255 for a u16 count mod 1500 after it
//   4 fill     name, type, count (u16), byte   a value of 2 * count copies of byte
//   5 delete   name              deletes a value of the current key
//   6 dword    name, u32         a REG_DWORD
//   7 string   name, text        a REG_SZ with its terminator
// A text is a length byte and that many bytes; data is a length byte (255:
// a u16 length follows) and the bytes; a type byte 255 is followed by a u32
// type; a name byte picks a known value name, 255 a text of its own.
#include "fuzz_support.h"

#include "config/config_layout.h"
#include "config/hardware_store.h"
#include "config/os_family.h"
#include "discovery/board_discovery.h"
#include "properties/item_settings.h"
#include "setup/setup_exports.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct FamilyVersion {
    DWORD platformId;
    DWORD major;
    DWORD minor;
    bool fails;
};

const FamilyVersion kFamilies[4] = {
    {VER_PLATFORM_WIN32_WINDOWS, 4, 10, false},
    {VER_PLATFORM_WIN32_NT, 4, 0, false},
    {VER_PLATFORM_WIN32_NT, 5, 0, false},
    {VER_PLATFORM_WIN32_NT, 5, 0, true},
};

struct Base {
    HKEY root;
    const char* path;
};

// Where the entry points look.
const Base kBases[] = {
    {HKEY_CURRENT_USER, "Software\\Korvex\\IEEE"},
    {HKEY_CURRENT_USER, "Software\\Korvex"},
    {HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum"},
    {HKEY_LOCAL_MACHINE, "Enum"},
    {HKEY_DYN_DATA, "Config Manager\\Enum"},
    {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Enum"},
    {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services"},
    {HKEY_LOCAL_MACHINE, ""},
};
const size_t kBaseCount = sizeof kBases / sizeof kBases[0];

// The value names the entry points read.
const char* const kNames[] = {
    "UserName", "HardwareKey", "SystemController", "PrimaryAddress", "SecondaryAddress", "Timeout",
    "BlockModeEnabled", "TermInEOI", "TermOutEOI", "TermIn0", "TermIn1", "TermOut0", "TermOut1", "TermIn",
    "TermOut", "", "Driver", "PortAddr", "IrqLevel", "IrqNone", "DmaChan", "DmaNone", "HardwareInst",
    "HardWareKey", "Allocation", "DeviceDesc", "LocationInformation", "UINumber", "Count", "0", "1", "2",
    "Type", "Start", "ErrorControl", "Group", "ImagePath", "IEEE", "Enum", "DisplayName",
};
const size_t kNameCount = sizeof kNames / sizeof kNames[0];

const unsigned kMaxNumberedKeys = 1500;
// Nodes whose settings are loaded and stored, per input.
const unsigned kMaxSettingsNodes = 16;

class RegistryBuilder {
public:
    explicit RegistryBuilder(ByteReader& in) : in_(in) {}
    ~RegistryBuilder() { Close(); }

    void Run()
    {
        while (!in_.AtEnd()) {
            switch (in_.Byte() & 7) {
            case 0: {
                const Base& base = kBases[in_.Byte() % kBaseCount];
                std::string path = base.path;
                std::string name = ShortText();
                if (!name.empty())
                    path += path.empty() ? name : "\\" + name;
                Open(base.root, path);
                break;
            }
            case 1: {
                std::string name = Name();
                DWORD type = Type();
                std::string data = Data();
                SetValue(name, type, data);
                break;
            }
            case 2:
                if (current_)
                    Open(current_, ShortText());
                break;
            case 3: {
                unsigned count = in_.Byte();
                NumberedKeys(count == 255 ? in_.Word() % kMaxNumberedKeys : count);
                break;
            }
            case 4: {
                std::string name = Name();
                DWORD type = Type();
                size_t count = 2u * in_.Word();
                SetValue(name, type, std::string(count, static_cast<char>(in_.Byte())));
                break;
            }
            case 5: {
                std::string name = Name();
                if (current_)
                    RegDeleteValueA(current_, name.c_str());
                break;
            }
            case 6: {
                std::string name = Name();
                DWORD number = in_.Dword();
                SetValue(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number));
                break;
            }
            case 7: {
                std::string name = Name();
                std::string text = ShortText();
                SetValue(name, REG_SZ, std::string(text.c_str(), std::strlen(text.c_str()) + 1));
                break;
            }
            }
        }
    }

private:
    std::string ShortText() { return in_.Bytes(in_.Byte()); }

    std::string Name()
    {
        uint8_t pick = in_.Byte();
        return pick == 255 ? ShortText() : kNames[pick % kNameCount];
    }

    DWORD Type()
    {
        uint8_t type = in_.Byte();
        return type == 255 ? in_.Dword() : type % 12;
    }

    std::string Data()
    {
        size_t length = in_.Byte();
        if (length == 255)
            length = in_.Word();
        return in_.Bytes(length);
    }

    void Close()
    {
        if (current_)
            RegCloseKey(current_);
        current_ = nullptr;
    }

    void Open(HKEY parent, const std::string& path)
    {
        HKEY key = nullptr;
        if (RegCreateKeyA(parent, path.c_str(), &key) != ERROR_SUCCESS)
            return;
        Close();
        current_ = key;
    }

    // Stores exactly `data`: a byte other than NUL follows it, so the
    // registry does not count a missing terminator.
    void SetValue(const std::string& name, DWORD type, const std::string& data)
    {
        if (!current_)
            return;
        std::vector<BYTE> bytes(data.begin(), data.end());
        bytes.push_back(0xFF);
        RegSetValueExA(current_, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(data.size()));
    }

    void NumberedKeys(unsigned count)
    {
        for (unsigned i = 0; current_ && i < count; ++i) {
            char name[8];
            std::snprintf(name, sizeof name, "%04X", i);
            HKEY key = nullptr;
            if (RegCreateKeyA(current_, name, &key) == ERROR_SUCCESS)
                RegCloseKey(key);
        }
    }

    ByteReader& in_;
    HKEY current_ = nullptr;
};

size_t g_baselineKeys = 0;

void CheckNothingLeftOpen(const char* step)
{
    size_t keys = PlatformOpenKeyCount();
    size_t services = PlatformOpenServiceHandleCount();
    FUZZ_CHECK(keys == g_baselineKeys, "%s leaves %zu key handles open (%zu before)", step, keys, g_baselineKeys);
    FUZZ_CHECK(services == 0, "%s leaves %zu service handles open", step, services);
}

// The subkey names of root\path, at most `limit`.
std::vector<std::string> SubkeyNames(HKEY root, const std::string& path, size_t limit)
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS)
        return names;
    static std::vector<char> name(4096);
    for (DWORD index = 0; names.size() < limit; ++index) {
        LONG rc = RegEnumKeyA(key, index, name.data(), static_cast<DWORD>(name.size()));
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc == ERROR_SUCCESS)
            names.push_back(name.data());
    }
    if (key != root)
        RegCloseKey(key);
    return names;
}

void EnumerateInterfaces()
{
    size_t count = SubkeyNames(HKEY_CURRENT_USER, kConfigRootPath, SIZE_MAX).size();
    size_t last = count < kMaxNodes ? count : kMaxNodes;
    FUZZ_CHECK(EnumInterface(-1, nullptr, 0) == 0, "EnumInterface takes a null buffer");
    for (int size : {static_cast<int>(kUserNameSize), 3}) {
        for (size_t index = 0; index <= last; ++index) {
            // Exactly `size` bytes, so that a write past them is caught.
            std::unique_ptr<char[]> buffer(new char[size]);
            std::memset(buffer.get(), 'x', size);
            int found = EnumInterface(static_cast<int>(index), buffer.get(), size);
            FUZZ_CHECK(found == 0 || found == 1, "EnumInterface(%zu) answers %d", index, found);
            FUZZ_CHECK(!found || std::memchr(buffer.get(), '\0', size), "EnumInterface(%zu, %d) leaves no terminator",
                       index, size);
            FUZZ_CHECK(index < count || !found, "EnumInterface finds an interface at %zu of %zu", index, count);
        }
        CheckNothingLeftOpen("EnumInterface");
    }
}

void DescribeFoundBoards(int capacity)
{
    std::unique_ptr<char*[]> list(new char*[capacity]());
    int count = FindBoards(list.get(), capacity);
    CheckNothingLeftOpen("FindBoards");
    FUZZ_CHECK(count >= -1 && count <= capacity, "FindBoards fills %d of %d slots", count, capacity);
    FUZZ_CHECK(count != -1 || IsWin9x(), "FindBoards answers -1 outside Windows 9x");
    int slot = 0;
    for (int i = 0; i < capacity; ++i) {
        FUZZ_CHECK((i < count) == (list[i] != nullptr), "FindBoards: slot %d of %d is %s", i, count,
                   list[i] ? "filled" : "empty");
        if (!list[i])
            continue;
        for (unsigned size : {256u, 12u}) {
            std::unique_ptr<char[]> buffer(new char[size]);
            std::memset(buffer.get(), 'x', size);
            int described = DescribeBoard(list[i], buffer.get(), size, i % 2 ? &slot : nullptr);
            FUZZ_CHECK(!described || std::memchr(buffer.get(), '\0', size),
                       "DescribeBoard(\"%s\", %u) leaves no terminator", list[i], size);
        }
        CheckNothingLeftOpen("DescribeBoard");
    }
    ReleaseHardwareKeyList(list.get(), capacity);
}

// The installed boards as the Properties dialog lists them: described by
// discovery on Plug-and-Play systems, by the hardware store on legacy NT.
void DescribeInstalledBoards()
{
    HardwareKeyList boards = ListInstalledBoards();
    CheckNothingLeftOpen("ListInstalledBoards");
    FUZZ_CHECK(boards.count >= -1 && boards.count <= kHardwareKeySlots, "ListInstalledBoards counts %d", boards.count);
    int slot = 0;
    for (int i = 0; i < boards.count; ++i) {
        const unsigned size = 128;
        std::unique_ptr<char[]> text(new char[size]);
        std::memset(text.get(), 'x', size);
        int described = IsPnpOs() ? DescribeBoard(boards.slots[i], text.get(), size, IsWinNT5OrLater() ? &slot : nullptr)
                                  : ReadHardwareDescription(boards.slots[i], text.get(), size);
        FUZZ_CHECK(!described || std::memchr(text.get(), '\0', size), "board %d: a description without terminator", i);
        CheckNothingLeftOpen("describing a board");
    }
}

bool SameSettings(const ItemSettings& a, const ItemSettings& b)
{
    auto sameRow = [](const TermRow& x, const TermRow& y) {
        return x.eoi == y.eoi && x.eos == y.eos && x.term1 == y.term1 && x.term2 == y.term2;
    };
    return a.hardwareKey == b.hardwareKey && a.boardModel == b.boardModel && a.primaryAddress == b.primaryAddress &&
           a.secondaryAddress == b.secondaryAddress && a.secondaryNone == b.secondaryNone && a.timeout == b.timeout &&
           a.blockModeEnabled == b.blockModeEnabled && sameRow(a.in, b.in) && sameRow(a.out, b.out);
}

// Loads and stores a node's settings as the Properties dialog does on OK:
// after one store the settings are what the node holds, so a second load
// and store change nothing.
void RoundTripSettings(NodeKind kind, const std::string& node)
{
    ItemSettings first;
    bool loaded = LoadSettings(kind, node, first);
    CheckNothingLeftOpen("LoadSettings");
    if (!loaded)
        return;
    FUZZ_CHECK(StoreSettings(kind, node, first), "StoreSettings refuses node %s that LoadSettings read", node.c_str());
    ItemSettings second;
    ItemSettings third;
    FUZZ_CHECK(LoadSettings(kind, node, second), "node %s cannot be read after a store", node.c_str());
    StoreSettings(kind, node, second);
    FUZZ_CHECK(LoadSettings(kind, node, third) && SameSettings(second, third),
               "node %s: a second store of its settings changes them", node.c_str());
    CheckNothingLeftOpen("StoreSettings");
}

void RoundTripEveryNode()
{
    unsigned visited = 0;
    std::string root = kConfigRootPath;
    for (const std::string& interfaceNode : SubkeyNames(HKEY_CURRENT_USER, root, kMaxSettingsNodes)) {
        if (visited++ >= kMaxSettingsNodes)
            return;
        RoundTripSettings(NodeKind::Interface, interfaceNode);
        for (const std::string& device : SubkeyNames(HKEY_CURRENT_USER, root + "\\" + interfaceNode, kMaxSettingsNodes)) {
            if (visited++ >= kMaxSettingsNodes)
                return;
            RoundTripSettings(NodeKind::Device, interfaceNode + "\\" + device);
        }
    }
}

void RunReaders()
{
    EnumerateInterfaces();
    DescribeFoundBoards(kHardwareKeySlots);
    DescribeFoundBoards(1);
    DescribeInstalledBoards();
    RoundTripEveryNode();
}

void RunSetupExports(uint8_t options)
{
    if (options & 0x10) {
        RegInitHdwrConfigNT(options & 0x20 ? "Quoran" : "Rumex", "IEEE 488 interface", "driver");
        CheckNothingLeftOpen("RegInitHdwrConfigNT");
    }
    RegInitUserConfig();
    CheckNothingLeftOpen("RegInitUserConfig");
    // Every value it writes is written only when absent: a second run finds
    // nothing to do.
    std::string before = RegistrySnapshot();
    RegInitUserConfig();
    CheckNothingLeftOpen("RegInitUserConfig");
    FUZZ_CHECK(RegistrySnapshot() == before, "a second RegInitUserConfig changes the registry");
    int handedOver = RegInitDrvrConfigNT();
    FUZZ_CHECK(handedOver == 0 || handedOver == 1, "RegInitDrvrConfigNT answers %d", handedOver);
    CheckNothingLeftOpen("RegInitDrvrConfigNT");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    ByteReader in(data, size);
    uint8_t options = in.Byte();
    const FamilyVersion& family = kFamilies[options & 3];

    ResetMachine();
    PlatformSetVersionFails(false);
    PlatformSetVersion(family.platformId, family.major, family.minor);
    PlatformSetVersionFails(family.fails);
    LoadOsVersion();

    if (options & 4) {
        RegistryBuilder(in).Run();
    } else {
        std::string text = in.Rest();
        RegLoadText(text, nullptr);
    }
    g_baselineKeys = PlatformOpenKeyCount();

    if (options & 8) {
        RunSetupExports(options);
        RunReaders();
    } else {
        RunReaders();
        RunSetupExports(options);
        EnumerateInterfaces();
    }
    // Nothing stays allocated between inputs, so that a leak stands out.
    ResetMachine();
    return 0;
}
