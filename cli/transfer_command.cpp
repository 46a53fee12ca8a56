#include "cli/transfer_command.h"

#include "buslink/interface_check.h"
#include "buslink/long_reply.h"
#include "cli/bus_address.h"
#include "cli/bus_walk.h"
#include "cli/exit_status.h"

#include <cstring>

namespace {

const size_t kInterfaceNameLength = 5;
// How far a query reads on past busquery's read to tell how long the reply was.
const size_t kReadOnLimit = 1024 * 1024;

// The command text as the transfers take it: freed once it has been sent.
class OwnedText : public CommandText {
public:
    explicit OwnedText(const std::string& text) : text_(text.c_str()) {}
    const char* Get() const override { return text_.c_str(); }
    void Free() override { text_.clear(); }

private:
    // Up to the first NUL, as the MATLAB commands send it.
    std::string text_;
};

// Exchange's steps with the end of the read known: on the bus driver path a
// read that filled busquery's buffer is followed by reads to the reply's end.
uint8_t ExchangeNoticingCut(Connection& connection, uint8_t status, CommandText& command, char* reply,
                            ReplyExtent& extent)
{
    ReadEnd ended = ReadEnd::None;
    status = SendAndRead(connection, status, command, reply, &ended);
    size_t shown = std::strlen(reply);
    if (connection.IsSicl()) {
        extent.had = shown;
        extent.mayGoOn = extent.had == kReplySize - 1;
    } else {
        const std::string& bytes = connection.Reply();
        extent.had = bytes.size();
        extent.heldNul = shown < bytes.size() && bytes[shown] == '\0';
        // After a carriage return only a read that waits could tell.
        extent.hadKnown = ended != ReadEnd::EndOfString;
        if (ended == ReadEnd::BufferFull) {
            LongReply rest = StreamWhole(connection, [&extent](const char*, size_t count) {
                extent.had += count;
                return true;
            }, kReadOnLimit);
            extent.hadKnown = rest.result == LongRead::Done;
        }
    }
    status |= connection.Close().ok ? 0 : kCloseFailed;
    return status;
}

} // namespace

TransferResult RunTransfer(const std::string& address, const std::string& text, bool query,
                           const TransferOptions& options)
{
    TransferResult result{false, 0, "", ReplyExtent()};
    // Up to the first NUL, as the MATLAB commands take it.
    size_t length = std::strlen(address.c_str());
    if (length >= kAddressSize)
        return result;
    result.addressFits = true;
    char reply[kReplySize] = {};
    OwnedText command(text);
    bool noticing = query && options.noticeCut;
    Connection connection = noticing ? Connection() : Connection(MatlabRead);
    uint8_t opened = OpenToolAddress(connection, address, options.timeoutMs).ok ? 0 : kOpenFailed;
    if (noticing)
        result.status = ExchangeNoticingCut(connection, opened, command, reply, result.extent);
    else
        result.status = Exchange(connection, opened, command, query ? reply : nullptr);
    result.reply = reply;
    return result;
}

bool ReplyWasCut(const TransferResult& result)
{
    return result.extent.heldNul || result.extent.mayGoOn || result.extent.had > result.reply.size();
}

std::string StatusWords(uint8_t status)
{
    std::string words;
    const struct {
        uint8_t bit;
        const char* text;
    } kBits[] = {{kOpenFailed, "open failed"}, {kTransferFailed, "send or read failed"}, {kCloseFailed, "close failed"}};
    for (const auto& bit : kBits)
        if (status & bit.bit)
            words += (words.empty() ? "" : ", ") + std::string(bit.text);
    return words;
}

bool AddressFits(const std::string& address, std::ostream& err)
{
    // Up to the first NUL, as the MATLAB commands take it.
    if (std::strlen(address.c_str()) < kAddressSize)
        return true;
    err << "quenbus: the address \"" << address << "\" is longer than " << kAddressSize - 1
        << " characters; give an interface and a primary address, as IEEE0:22 or hpib7,22\n";
    return false;
}

void ReportStatus(const std::string& address, uint8_t status, const std::string& problem, std::ostream& err)
{
    err << "quenbus: " << address << ": status " << static_cast<int>(status) << " (" << StatusWords(status) << ")";
    if (!problem.empty())
        err << ": " << problem;
    if ((status & kOpenFailed) && address[0] != 'h') {
        std::optional<BusAddress> parts = ParseBusAddress(address);
        std::string interfaceName = parts ? parts->interfaceName : address.substr(0, kInterfaceNameLength);
        if (CheckDriverName(interfaceName.c_str()) == DriverCheck::Unrecognised)
            err << "; there is no interface named " << interfaceName << "; the configured interfaces are: "
                << ConfiguredNamesText();
        else
            err << "; check that the interface's board is present (quenbus list)";
    } else if ((status & kTransferFailed) && problem.empty()) {
        err << "; is an instrument listening at that address, and does it answer that command?";
    }
    err << '\n';
}

namespace {

// What busquery's text left out, and how to see it.
std::string CutNotice(const TransferResult& result)
{
    const ReplyExtent& extent = result.extent;
    std::string had = (extent.hadKnown ? "" : "at least ") + std::to_string(extent.had) + " bytes";
    std::string notice = "quenbus: ";
    if (extent.mayGoOn)
        notice += "the reply may go on past the " + std::to_string(result.reply.size()) +
                  " characters shown (the SICL library drops the rest)";
    else if (extent.heldNul)
        notice += "the reply (" + had + ") holds a NUL byte after " + std::to_string(result.reply.size()) +
                  " characters and is shown up to it";
    else
        notice += "the reply had " + had + "; its first " + std::to_string(result.reply.size()) + " are shown";
    return notice + "; --raw prints it whole\n";
}

} // namespace

int TransferCommand(const std::string& address, const std::string& text, bool query, std::ostream& out,
                    std::ostream& err, long timeoutMs)
{
    if (!AddressFits(address, err))
        return kUsageError;
    TransferOptions options;
    options.noticeCut = true;
    options.timeoutMs = timeoutMs;
    TransferResult result = RunTransfer(address, text, query, options);
    // A failed query that read nothing prints nothing.
    if (query && (result.status == 0 || !result.reply.empty())) {
        out << result.reply;
        if (result.reply.empty() || result.reply.back() != '\n')
            out << '\n';
    }
    if (query && ReplyWasCut(result))
        err << CutNotice(result);
    if (result.status == 0)
        return 0;
    ReportStatus(address, result.status, "", err);
    return 1;
}
