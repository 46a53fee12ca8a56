// quenbus query ADDRESS TEXT and quenbus write ADDRESS TEXT: one transfer as
// busquery and buswrite make it.
#pragma once

#include "buslink/transfers.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

// What the tool's query saw of the reply besides busquery's text.
struct ReplyExtent {
    size_t had = 0;           // the reply's bytes, as far as they were read
    bool hadKnown = true;     // false: the reads stopped early, `had` is the least it had
    bool heldNul = false;     // busquery's text ends at a NUL byte of the reply
    bool mayGoOn = false;     // SICL drops what follows busquery's 255 characters
};

struct TransferResult {
    bool addressFits;
    uint8_t status;     // the status bits of busquery and buswrite
    std::string reply;  // busquery's reply
    ReplyExtent extent; // with TransferOptions::noticeCut
};

struct TransferOptions {
    // A query reads knowing how each read ended, and reads on past
    // busquery's 256 bytes to tell what its text left out; the text and
    // status stay busquery's, the library calls do not.
    bool noticeCut = false;
    long timeoutMs = kTransferTimeoutMs;
};

// With `query` the reply is read as busquery reads it.
TransferResult RunTransfer(const std::string& address, const std::string& text, bool query,
                           const TransferOptions& options = TransferOptions());

// Whether busquery's text left part of the reply out.
bool ReplyWasCut(const TransferResult& result);

// "open failed, send or read failed", "" for 0.
std::string StatusWords(uint8_t status);

// False, with the reason on `err`, for an address longer than the commands take.
bool AddressFits(const std::string& address, std::ostream& err);

// "quenbus: ADDRESS: status N (words)", then ": problem" when there is one,
// and a hint for a failed open or transfer; one line.
void ReportStatus(const std::string& address, uint8_t status, const std::string& problem, std::ostream& err);

// Prints the reply (query), or the status in words on failure; 0 on success,
// 1 on failure, 2 for an address that does not fit. A query that left part
// of the reply out says so on `err`.
int TransferCommand(const std::string& address, const std::string& text, bool query, std::ostream& out,
                    std::ostream& err, long timeoutMs = kTransferTimeoutMs);
