// quenbus write ADDRESS TEXT --block-file FILE: TEXT followed by the file's
// bytes as a definite-length block, END with the last byte; the file is read
// in parts, so memory does not grow with its size.
#pragma once

#include "buslink/transfers.h"

#include <ostream>
#include <string>

struct BlockFileOptions {
    long timeoutMs = kTransferTimeoutMs;
    bool quiet = false;  // no progress line
};

// 0 on success; 1 on a failure, said on `err` as write says it; 2 for an
// address that does not fit.
int BlockFileCommand(const std::string& address, const std::string& text, const std::string& fileName,
                     const BlockFileOptions& options, std::ostream& err);
