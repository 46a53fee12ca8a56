// One simulated instrument: it takes in bytes from the controller and, at the
// end of each message, prepares what it has to say.
#pragma once

#include "simbus/bench.h"

#include <string>

class Instrument {
public:
    explicit Instrument(const BenchEntry& entry) : entry_(entry) {}

    const BenchEntry& Entry() const { return entry_; }

    // Bytes from the controller; `end` marks the last byte of a message.
    void Listen(const char* data, size_t count, bool end);
    // What the instrument still has to say; the controller takes from it.
    std::string& Output() { return output_; }

private:
    void Respond(const std::string& message);

    BenchEntry entry_;
    std::string input_;
    std::string output_;
};

// A message without its trailing carriage returns and line feeds.
std::string WithoutTerminator(const std::string& message);
