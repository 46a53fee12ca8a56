// The case tables of tests/mex/cases, read as the Octave runner reads them.
#pragma once

#include <string>
#include <vector>

struct CaseArgument {
    bool isText = true;
    std::string text;
    double number = 0;
};

struct MexCase {
    std::string title;
    int line = 0;
    std::string function;
    int nargout = 0;
    std::vector<CaseArgument> arguments;
    bool checksReply = false;
    std::string reply;
    bool checksStatus = false;
    double status = 0;
    bool checksError = false;
    std::string error;
    bool checksTrace = false;
    std::vector<std::string> trace;
};

// Reads a table; on failure describes the first bad line in `error`.
bool ParseCaseTable(const std::string& text, std::vector<MexCase>& cases, std::string& error);
bool ReadCaseTable(const std::string& path, std::vector<MexCase>& cases, std::string& error);
