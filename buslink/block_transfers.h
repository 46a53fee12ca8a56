// The transfers of busblock and buswriteblock: open by the MATLAB commands'
// address rule (buslink/transfers.h), send, read or send a block, close;
// every step runs whatever the earlier ones returned, and the status has
// the bits of Transfer. Apart from transfers.cpp: busquery and buswrite
// take in none of the block calls.
#pragma once

#include "buslink/long_reply.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct BlockTransfer {
    uint8_t status = 0;
    std::string data;    // the block's payload, or the whole reply that held none
    std::string problem; // why the read failed, when it did
};

// Sends `command` and reads the reply: the payload of the block it holds, or
// all of it up to END when it holds none; at most `limit` bytes.
// `address` holds kAddressSize bytes and is changed as Transfer changes it.
BlockTransfer QueryBlock(char* address, const char* command, size_t limit = kDefaultReplyLimit);
// Sends `command` followed at once by the `count` bytes as a definite-length
// block, the last byte with END.
BlockTransfer SendBlock(char* address, const char* command, const char* data, size_t count);
