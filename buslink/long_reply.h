// Replies of any length through a connection (buslink/connection.h): a
// whole reply read on while the buffer fills, and a reply that holds an
// arbitrary block (gpib/arbitrary_block.h). The bytes go to a sink as they
// come, so a reply of any size takes only a read's buffer; a limit keeps a
// talker that never ends from going on for ever.
#pragma once

#include "buslink/connection.h"

#include <cstddef>
#include <functional>
#include <string>

enum class LongRead {
    Done,
    NotABlock, // the reply, whole, held no block header
    Malformed, // a bad header, or a block shorter than it announced
    TooLong,   // more than the limit came
    Failed     // a read failed (the connection's LastError says why), or the sink did
};

struct LongReply {
    LongRead result = LongRead::Done;
    std::string bytes; // the reply, or the block's payload (the Receive calls)
    std::string problem;
};

// Takes the next bytes of a reply or payload; false to stop (it failed).
using ReplySink = std::function<bool(const char* data, size_t count)>;
// Hears a definite block's length before its payload comes.
using LengthNotice = std::function<void(size_t length)>;

const size_t kDefaultReplyLimit = 256u * 1024 * 1024;

// Reads until the reply ends with END or the input character; with
// `onlyAtEnd`, a read that stops at the character is read on: only END ends
// the reply.
LongReply StreamWhole(Connection& connection, const ReplySink& sink, size_t limit = kDefaultReplyLimit,
                      bool onlyAtEnd = false);
// Reads a reply that holds a block, up to the block's end and its
// terminator; the sink gets the payload only (a reply that holds no block:
// all of it, and NotABlock). Input characters inside the block do not end it.
LongReply StreamBlock(Connection& connection, const ReplySink& sink, size_t limit = kDefaultReplyLimit,
                      const LengthNotice& announced = nullptr);

// The same, the bytes gathered in the result.
LongReply ReceiveWhole(Connection& connection, size_t limit = kDefaultReplyLimit);
LongReply ReceiveBlock(Connection& connection, size_t limit = kDefaultReplyLimit);
