#include "adapter/plusplus_codec.h"

#include "gpib/bus_limits.h"
#include "gpib/message_framing.h"

#include <algorithm>
#include <cctype>

namespace {

const char kEscape = 27;
// A secondary address goes on the bus as 96 plus the address.
const int kSecondaryBase = 96;

// ++eos: what the adapter appends to a data line.
const int kEosCrLf = 0;
const int kEosCr = 1;
const int kEosLf = 2;
const int kEosNone = 3;

bool HasSecondary(int secondary)
{
    return secondary >= 0 && secondary <= GPIB_MAX_ADDRESS;
}

std::string AddressText(int primary, int secondary)
{
    std::string text = std::to_string(primary);
    if (HasSecondary(secondary))
        text += " " + std::to_string(kSecondaryBase + secondary);
    return text;
}

// One message of a write: its bytes on the data line, what ++eos appends,
// and whether its last byte goes with EOI.
struct Message {
    std::string bytes;
    int eos;
    bool eoi;
};

// A message that an enabled output character ends: the adapter appends CR,
// LF or CR LF itself where the message ends with them.
Message EndedMessage(const std::string& part, unsigned char eosChar)
{
    Message message{part, kEosNone, true};
    size_t size = part.size();
    if (eosChar == '\n' && size > 2 && part.compare(size - 2, 2, "\r\n") == 0)
        message = Message{part.substr(0, size - 2), kEosCrLf, true};
    else if (size > 1 && (eosChar == '\r' || eosChar == '\n'))
        message = Message{part.substr(0, size - 1), eosChar == '\r' ? kEosCr : kEosLf, true};
    return message;
}

} // namespace

const char kAdapterSetup[] = "++mode 1\n++auto 0\n++eot_enable 1\n++eot_char 4\n";
const char kAdapterSrqLine[] = "++srq\n";
const char kAdapterInterfaceClear[] = "++ifc\n";
const char kAdapterLockout[] = "++llo\n";

std::string AdapterRemoteEnable(bool enable)
{
    return enable ? "++ren 1\n" : "++ren 0\n";
}

std::string EscapeAdapterData(const char* data, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (data[i] == '\r' || data[i] == '\n' || data[i] == kEscape || data[i] == '+')
            text += kEscape;
        text += data[i];
    }
    return text;
}

int AdapterTimeout(int timeoutMs)
{
    return timeoutMs <= 0 || timeoutMs > kMaxAdapterTimeoutMs ? kMaxAdapterTimeoutMs : timeoutMs;
}

bool StatusByteOf(const std::string& line, uint8_t& statusByte)
{
    bool digits = !line.empty() && line.size() <= 3 &&
                  std::all_of(line.begin(), line.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    if (!digits || std::stoi(line) > 255)
        return false;
    statusByte = static_cast<uint8_t>(std::stoi(line));
    return true;
}

std::string PlusPlusCodec::Set(int& sent, int value, const std::string& command)
{
    if (sent == value)
        return "";
    sent = value;
    return command + "\n";
}

std::string PlusPlusCodec::Address(int primary, int secondary, int timeoutMs)
{
    int address = primary * 32 + (HasSecondary(secondary) ? secondary + 1 : 0);
    int timeout = AdapterTimeout(timeoutMs);
    return Set(sent_.address, address, "++addr " + AddressText(primary, secondary)) +
           Set(sent_.timeout, timeout, "++read_tmo_ms " + std::to_string(timeout));
}

std::string PlusPlusCodec::SerialPoll(int primary, int secondary, int timeoutMs)
{
    return Address(primary, secondary, timeoutMs) + "++spoll " + AddressText(primary, secondary) + "\n";
}

std::string PlusPlusCodec::Write(int primary, int secondary, int timeoutMs, const char* data, size_t count, bool end,
                                 const AdapterTerminator& out)
{
    int eosChar = out.eosEnabled ? out.eosChar : -1;
    std::string text;
    for (const MessagePart& part : SplitAtEndOfString(data, count, eosChar, end && out.eoi)) {
        // A data line needs a byte to carry EOI: an empty message sends nothing.
        if (part.count == 0)
            continue;
        std::string bytes(data + part.offset, part.count);
        bool endedByCharacter = eosChar >= 0 && static_cast<unsigned char>(bytes.back()) == eosChar;
        Message message = endedByCharacter ? EndedMessage(bytes, out.eosChar) : Message{bytes, kEosNone, part.end};
        text += Set(sent_.eos, message.eos, "++eos " + std::to_string(message.eos));
        text += Set(sent_.eoi, message.eoi ? 1 : 0, message.eoi ? "++eoi 1" : "++eoi 0");
        text += EscapeAdapterData(message.bytes.data(), message.bytes.size()) + "\n";
    }
    // Nothing to send needs no address.
    return text.empty() ? text : Address(primary, secondary, timeoutMs) + text;
}

std::string PlusPlusCodec::Read(int primary, int secondary, int timeoutMs, const AdapterTerminator& in)
{
    std::string command = in.eosEnabled ? "++read " + std::to_string(in.eosChar) : "++read eoi";
    return Address(primary, secondary, timeoutMs) + command + "\n";
}

std::string PlusPlusCodec::Clear(int primary, int secondary, int timeoutMs)
{
    return Address(primary, secondary, timeoutMs) + "++clr\n";
}

std::string PlusPlusCodec::Trigger(int primary, int secondary, int timeoutMs)
{
    return Address(primary, secondary, timeoutMs) + "++trg " + AddressText(primary, secondary) + "\n";
}

std::string PlusPlusCodec::Local(int primary, int secondary, int timeoutMs)
{
    return Address(primary, secondary, timeoutMs) + "++loc\n";
}
