// IEEE 488.2 arbitrary blocks: definite length "#<n><n digits><bytes>" and
// indefinite "#0<bytes>", which the LF that comes with END ends. Bytes
// before the '#' are skipped.
#pragma once

#include <cstddef>
#include <string>

enum class BlockForm {
    Incomplete, // no header yet: more bytes are needed (or, at END, the reply is no block)
    Definite,
    Indefinite,
    Malformed
};

struct BlockHeader {
    BlockForm form = BlockForm::Incomplete;
    size_t payloadOffset = 0;  // where the payload starts
    size_t payloadLength = 0;  // a definite block's length
    std::string problem;       // a malformed header: what is wrong
};

// The header in the `count` bytes of a reply that have come so far.
BlockHeader ScanBlockHeader(const char* data, size_t count);
// The longest definite block: its header holds at most nine length digits.
const unsigned long long kLongestDefiniteBlock = 999999999ULL;
// The header of a definite block of `length` bytes, at most
// kLongestDefiniteBlock: "#<n><length>".
std::string DefiniteBlockHeader(size_t length);
