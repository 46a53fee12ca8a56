// The "++" command language of a GPIB adapter: the commands for an address
// (a write, a read, the device operations), each preceded by the settings
// that changed (the adapter keeps what it was last told), the commands of
// the interface, and the escapes of a data line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One direction's terminator settings of a device.
struct AdapterTerminator {
    bool eoi = true;         // writes: the last byte goes with EOI
    bool eosEnabled = false; // the character ends a read, and a message it ends goes with EOI
    unsigned char eosChar = 0;
};

// The adapter is the bus controller (++mode 1), never reads on its own
// (++auto 0) and marks a byte that came with EOI by appending byte 4
// (++eot_enable 1, ++eot_char 4).
extern const char kAdapterSetup[];
const char kAdapterEndMark = 4;

// The interface's commands, which take no address: the SRQ line ("0" or
// "1" in answer), interface clear, local lockout.
extern const char kAdapterSrqLine[];
extern const char kAdapterInterfaceClear[];
extern const char kAdapterLockout[];
// Remote enable asserted or released (AR488 only).
std::string AdapterRemoteEnable(bool enable);

class PlusPlusCodec {
public:
    // The adapter has been set up afresh: it has been told nothing yet.
    void Forget() { sent_ = Settings(); }

    // The serial poll of the device, answered by its status byte.
    std::string SerialPoll(int primary, int secondary, int timeoutMs);
    // The data lines of a write to the device, cut into messages at the
    // enabled output character (each with EOI); the rest with EOI when `end`
    // and the output side asks for it.
    std::string Write(int primary, int secondary, int timeoutMs, const char* data, size_t count, bool end,
                      const AdapterTerminator& out);
    // A read up to EOI, or up to the enabled input character.
    std::string Read(int primary, int secondary, int timeoutMs, const AdapterTerminator& in);
    // Device clear, group execute trigger and go to local of the device.
    std::string Clear(int primary, int secondary, int timeoutMs);
    std::string Trigger(int primary, int secondary, int timeoutMs);
    std::string Local(int primary, int secondary, int timeoutMs);

private:
    struct Settings {
        int address = -1;
        int eos = -1;
        int eoi = -1;
        int timeout = -1;
    };

    std::string Address(int primary, int secondary, int timeoutMs);
    static std::string Set(int& sent, int value, const std::string& command);

    Settings sent_;
};

// The bytes as a data line carries them: CR, LF, ESC and '+' preceded by ESC.
std::string EscapeAdapterData(const char* data, size_t count);
// The longest read time-out an adapter takes.
const int kMaxAdapterTimeoutMs = 3000;
// The adapter's own read time-out for a device time-out: 1 to kMaxAdapterTimeoutMs.
int AdapterTimeout(int timeoutMs);
// A serial poll's answer (a status byte in decimal): false for a line that
// is none.
bool StatusByteOf(const std::string& line, uint8_t& statusByte);
