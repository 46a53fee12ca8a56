// quenbus adapter INTERFACE URL | --clear: binds an interface to a "++" GPIB
// adapter (its "Adapter" value), or unbinds it; and the question whether an
// adapter answers, for list and check.
#pragma once

#include <ostream>
#include <string>

// The adapter's answer to ++ver; empty with the reason in `problem` when it
// gives none.
std::string AskAdapterVersion(const std::string& url, std::string& problem);

// 0 done, 1 no such interface or the value not written, 2 a bad URL.
int AdapterCommand(const std::string& interfaceName, const std::string& url, bool clear, std::ostream& out,
                   std::ostream& err);
