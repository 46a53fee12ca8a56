// What an adapter sends back, taken apart: answer lines (++ver, ++spoll),
// and read replies that end at the end mark (the adapter's sign of EOI) or
// at the input character. An end mark that follows a reply already ended at
// its character is dropped when it comes. A mark byte inside a block's
// payload is data (adapter/block_tracker.h), and so is one with bytes after
// it: the adapter sends nothing after a reply's mark until it is asked again.
#pragma once

#include "adapter/block_tracker.h"

#include <cstddef>
#include <string>

// Where a reply's bytes taken so far stop.
enum class ReplyEnd {
    More,      // every byte so far is taken, and more is to come
    Mark,      // at the end mark: the last byte came with EOI
    Character, // after the input character
    Full       // the limit is reached, the reply goes on
};

class EndMarkReader {
public:
    // Bytes as they came from the adapter.
    void Add(const char* bytes, size_t count);
    // Forgets what came and has not been taken (answers nobody waits for);
    // an end mark still to come is still dropped.
    void DropUnread() { inbox_.clear(); }

    // Takes one answer line without its CR LF; false when none is whole yet.
    bool TakeLine(std::string& line);
    // Moves bytes of the device's message to `reply` until it holds `limit`
    // bytes, up to the end mark or after the input character (eosChar not
    // negative). `block` follows the message, and restarts after its mark.
    // A mark byte that is the last byte come so far is the mark when
    // `settled` (nothing more is coming); else the reply stops before it,
    // More, with MarkHeld() true.
    ReplyEnd TakeReply(int eosChar, size_t limit, BlockTracker& block, std::string& reply, bool settled = true);
    // Whether the last TakeReply stopped at a mark byte with nothing after it.
    bool MarkHeld() const { return markHeld_; }

private:
    enum class MarkByte { Data, Mark, Unsure };
    MarkByte MarkAt(size_t at, bool settled) const;

    std::string inbox_;
    // A reply ended at its character and the end mark that may follow has
    // not come yet.
    bool strayMark_ = false;
    bool markHeld_ = false;
};
