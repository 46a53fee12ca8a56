// How bytes become messages on the bus, for every backend: where a write
// asserts END, and where a read stops.
#pragma once

#include <cstddef>
#include <vector>

// One part of a write: `count` bytes from `offset`, the last with END when `end`.
struct MessagePart {
    size_t offset;
    size_t count;
    bool end;
};

// A write of `count` bytes cut after each offset of `ends` (ascending), each
// such part with END; the rest goes with END when `end`. Zero bytes are one
// empty part: it still addresses the device, and with END ends the message
// the device holds.
std::vector<MessagePart> MessageParts(const std::vector<size_t>& ends, size_t count, bool end);
// The same for a write whose enabled end-of-string character (eosChar not
// negative) ends a message wherever it occurs.
std::vector<MessagePart> SplitAtEndOfString(const char* data, size_t count, int eosChar, bool end);

// SplitAtEndOfString's parts one at a time, for a write that sends them as
// it goes.
class EndOfStringSplitter {
public:
    EndOfStringSplitter(const char* data, size_t count, int eosChar, bool end)
        : data_(data), count_(count), eosChar_(eosChar), end_(end)
    {
    }
    // The next part; false after the last.
    bool Next(MessagePart& part);

private:
    const char* data_;
    size_t count_;
    int eosChar_;
    bool end_;
    size_t start_ = 0;
    bool done_ = false;
};

// Why a read ended.
enum class ReadEnd {
    None,         // it did not: more is to come, or nothing came in time
    Eoi,          // the last byte came with END
    EndOfString,  // after the input end-of-string character
    BufferFull    // the buffer filled before either
};

struct ReadStop {
    size_t count;
    ReadEnd ended;
};

// Where a read of at most `size` bytes stops in the `available` bytes that
// have come: after the first enabled end-of-string character (eosChar not
// negative), else with the last of them when `endWithLast` (they end with
// END and END ends the read), else with the buffer full.
ReadStop FindReadStop(const char* data, size_t available, size_t size, int eosChar, bool endWithLast);
