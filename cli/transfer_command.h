// quenbus query ADDRESS TEXT and quenbus write ADDRESS TEXT: one transfer as
// busquery and buswrite make it.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

struct TransferResult {
    bool addressFits;
    uint8_t status;     // the status bits of busquery and buswrite
    std::string reply;  // busquery's reply
};

// With `query` the reply is read as busquery reads it.
TransferResult RunTransfer(const std::string& address, const std::string& text, bool query);

// "open failed, send or read failed", "" for 0.
std::string StatusWords(uint8_t status);

// Prints the reply (query), or the status in words on failure; 0 on success,
// 1 on failure, 2 for an address that does not fit.
int TransferCommand(const std::string& address, const std::string& text, bool query, std::ostream& out,
                    std::ostream& err);
