// What the suites that run beside a simulated adapter or gateway share: its
// control port, the environment its script sets, terminator records and
// elapsed time.
#pragma once

#include "drovane/drovane.h"

#include <chrono>
#include <string>

// An environment variable, empty when unset.
std::string Environment(const char* name);

// Sends `line` to the loopback port named by the environment variable
// `portVariable`: the answer's first line, or for "take" the record it
// hands out (its length on a first line, then the bytes).
std::string AskControlPort(const char* portVariable, const std::string& line);

DrvTermRecord Record(int eoi, int eosEnabled, int eosChar);

long ElapsedMs(std::chrono::steady_clock::time_point start);
