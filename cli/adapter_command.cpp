#include "cli/adapter_command.h"

#include "cli/bus_walk.h"
#include "cli/exit_status.h"
#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/interface_names.h"
#include "config/reg_key.h"
#include "drovane/drovane.h"
#include "text/text_compare.h"

AdapterAnswer AskAdapter(const std::string& url, int timeoutMs)
{
    char text[kAdapterAnswerSize] = {};
    int answer = DrvProbeAdapter(url.c_str(), text, sizeof text, timeoutMs);
    AdapterAnswer result;
    result.isAddress = answer >= 0;
    result.gateway = StartsWithNoCase(url.c_str(), "vxi11://");
    result.answers = answer > 0;
    result.text = text;
    return result;
}

int AdapterCommand(const std::string& interfaceName, const std::string& url, bool clear, std::ostream& out,
                   std::ostream& err)
{
    if (clear == !url.empty()) {
        err << "quenbus adapter: give either a URL or --clear\n";
        return kUsageError;
    }
    if (!clear) {
        AdapterAnswer checked = AskAdapter(url, 0);
        if (!checked.isAddress) {
            err << "quenbus adapter: " << url << ": " << checked.text << '\n';
            return kUsageError;
        }
    }
    std::string node = NamedInterfaceNode(interfaceName);
    if (node.empty()) {
        std::string names = ConfiguredNamesText();
        err << "quenbus adapter: no interface is named " << interfaceName << "; the configured interfaces are: "
            << (names.empty() ? "none (open the IEEE 488 applet once, or run the setup program)" : names) << '\n';
        return 1;
    }
    HKEY key = nullptr;
    if (!ConfigOpenNode(node.c_str(), &key)) {
        err << "quenbus adapter: the node " << node << " does not open\n";
        return 1;
    }
    RegKey holder(key, nullptr);
    if (clear) {
        LONG result = RegDeleteValueA(key, kAdapter);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            err << "quenbus adapter: the Adapter value of node " << node << " cannot be removed (error " << result
                << ")\n";
            return 1;
        }
        out << interfaceName << " (node " << node << "): no adapter; its board serves it again\n";
        return 0;
    }
    if (!ConfigWriteString(node.c_str(), kAdapter, url.c_str())) {
        err << "quenbus adapter: the Adapter value of node " << node << " cannot be written\n";
        return 1;
    }
    out << interfaceName << " (node " << node << "): adapter " << url << '\n';
    AdapterAnswer answer = AskAdapter(url, kAdapterVersionTimeoutMs);
    if (answer.answers && answer.gateway)
        out << "the gateway answers: " << answer.text << '\n';
    else if (answer.gateway)
        out << "the gateway does not answer yet (" << answer.text << "); check its power, network and address\n";
    else if (answer.answers)
        out << "the adapter answers: " << answer.text << '\n';
    else
        out << "the adapter does not answer yet (" << answer.text << "); check its power, cable and address\n";
    return 0;
}
