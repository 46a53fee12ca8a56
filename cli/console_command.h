// quenbus console ADDRESS: each line is sent to the instrument; a line that
// ends in "?" also reads and prints the reply. ":read", ":timeout MS",
// ":history", "!N" (send line N of the history again) and ":quit"; ":raw"
// prints the replies that follow whole, bytes as they are, ":hex" as hex
// dumps, and ":text" as busquery returns them again.
#pragma once

#include <istream>
#include <ostream>
#include <string>

struct ConsoleStreams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool prompt;  // show a prompt: the input is a terminal
};

// 0 when every transfer worked, 1 when one failed, 2 for an address that
// does not fit.
int ConsoleCommand(const std::string& address, long timeoutMs, ConsoleStreams streams);
