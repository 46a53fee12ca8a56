// Replies of any length through a connection (buslink/connection.h): a
// whole reply read on while the buffer fills, and a reply that holds an
// arbitrary block (buslink/arbitrary_block.h). A limit keeps a talker that
// never ends from filling memory.
#pragma once

#include "buslink/connection.h"

#include <cstddef>
#include <string>

enum class LongRead {
    Done,
    NotABlock, // the reply, whole, held no block header
    Malformed, // a bad header, or a block shorter than it announced
    TooLong,   // more than the limit came
    Failed     // a read failed (the connection's LastError says why)
};

struct LongReply {
    LongRead result = LongRead::Done;
    std::string bytes; // the reply, or the block's payload
    std::string problem;
};

const size_t kDefaultReplyLimit = 256u * 1024 * 1024;

// Reads until the reply ends with END or the input character.
LongReply ReceiveWhole(Connection& connection, size_t limit = kDefaultReplyLimit);
// Reads a reply that holds a block, up to the block's end and its
// terminator: the payload. Input characters inside the block do not end it.
LongReply ReceiveBlock(Connection& connection, size_t limit = kDefaultReplyLimit);
