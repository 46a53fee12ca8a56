#include "cli/transfer_command.h"

#include "buslink/interface_check.h"
#include "buslink/transfers.h"
#include "cli/bus_address.h"
#include "cli/bus_walk.h"
#include "cli/exit_status.h"

#include <cstring>

namespace {

const size_t kInterfaceNameLength = 5;

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

} // namespace

TransferResult RunTransfer(const std::string& address, const std::string& text, bool query)
{
    TransferResult result{false, 0, ""};
    // Up to the first NUL, as the MATLAB commands take it.
    size_t length = std::strlen(address.c_str());
    if (length >= kAddressSize)
        return result;
    result.addressFits = true;
    char reply[kReplySize] = {};
    OwnedText command(text);
    Connection connection(MatlabRead);
    uint8_t opened = OpenToolAddress(connection, address, kTransferTimeoutMs).ok ? 0 : kOpenFailed;
    result.status = Exchange(connection, opened, command, query ? reply : nullptr);
    result.reply = reply;
    return result;
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

int TransferCommand(const std::string& address, const std::string& text, bool query, std::ostream& out,
                    std::ostream& err)
{
    TransferResult result = RunTransfer(address, text, query);
    if (!result.addressFits) {
        err << "quenbus: the address \"" << address << "\" is longer than " << kAddressSize - 1
            << " characters; give an interface and a primary address, as IEEE0:22 or hpib7,22\n";
        return kUsageError;
    }
    // A failed query that read nothing prints nothing.
    if (query && (result.status == 0 || !result.reply.empty())) {
        out << result.reply;
        if (result.reply.empty() || result.reply.back() != '\n')
            out << '\n';
    }
    if (result.status == 0)
        return 0;
    err << "quenbus: " << address << ": status " << static_cast<int>(result.status) << " ("
        << StatusWords(result.status) << ")";
    if ((result.status & kOpenFailed) && address[0] != 'h') {
        std::optional<BusAddress> parts = ParseBusAddress(address);
        std::string interfaceName = parts ? parts->interfaceName : address.substr(0, kInterfaceNameLength);
        if (CheckDriverName(interfaceName.c_str()) == DriverCheck::Unrecognised)
            err << "; there is no interface named " << interfaceName << "; the configured interfaces are: "
                << ConfiguredNamesText();
        else
            err << "; check that the interface's board is present (quenbus list)";
    } else if (result.status & kTransferFailed) {
        err << "; is an instrument listening at that address, and does it answer that command?";
    }
    err << '\n';
    return 1;
}
