// quenbus query ADDRESS TEXT with --raw, --block, --hex or --output: the
// reply of any length, bytes as they are, or the payload of the IEEE 488.2
// block it holds; streamed, so memory does not grow with its size.
#pragma once

#include "buslink/long_reply.h"
#include "buslink/transfers.h"

#include <cstddef>
#include <ostream>
#include <string>

struct LongQueryOptions {
    bool block = false;      // the block's payload only
    bool hex = false;        // a hex dump instead of the bytes
    std::string outputFile;  // the bytes go there instead of `out`; empty for `out`
    size_t limit = kDefaultReplyLimit;
    long timeoutMs = kTransferTimeoutMs;
    bool quiet = false;      // no progress line
};

// 0 on success; 1 on a failure, said on `err` with what went wrong; 2 for
// an address that does not fit. A file is written whole or not at all.
int LongQueryCommand(const std::string& address, const std::string& text, const LongQueryOptions& options,
                     std::ostream& out, std::ostream& err);
