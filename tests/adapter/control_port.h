// The control port of a simulated adapter or gateway, for the suites that
// run beside one: a command line and its answer.
#pragma once

#include <string>

// Sends `line` to the loopback port named by the environment variable
// `portVariable`: the answer's first line, or for "take" the record it
// hands out (its length on a first line, then the bytes).
std::string AskControlPort(const char* portVariable, const std::string& line);
