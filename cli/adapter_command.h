// quenbus adapter INTERFACE URL | --clear: binds an interface to a "++" GPIB
// adapter (its "Adapter" value), or unbinds it; and the question whether an
// adapter answers, for list and check.
#pragma once

#include <ostream>
#include <string>

// What the bus driver library's probe of an adapter found.
struct AdapterAnswer {
    bool isAddress = false; // the URL is an adapter address
    bool gateway = false;   // a LAN/GPIB gateway's (vxi11://)
    bool answers = false;   // the adapter answered ++ver, the gateway made a link
    std::string text;       // its answer, or why there is none
};
const size_t kAdapterAnswerSize = 256;
const int kAdapterVersionTimeoutMs = 2000;

// Asks the adapter at `url` for its version within `timeoutMs`; with 0 only
// whether the URL is an adapter address.
AdapterAnswer AskAdapter(const std::string& url, int timeoutMs);

// 0 done, 1 no such interface or the value not written, 2 a bad URL.
int AdapterCommand(const std::string& interfaceName, const std::string& url, bool clear, std::ostream& out,
                   std::ostream& err);
