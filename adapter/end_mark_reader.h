// What an adapter sends back, taken apart: answer lines (++ver, ++spoll),
// and read replies that end at the end mark (the adapter's sign of EOI) or
// at the input character. An end mark that follows a reply already ended at
// its character is dropped when it comes.
#pragma once

#include <cstddef>
#include <string>

class EndMarkReader {
public:
    // Bytes as they came from the adapter.
    void Add(const char* bytes, size_t count);
    // Forgets what came and has not been taken (answers nobody waits for);
    // an end mark still to come is still dropped.
    void DropUnread() { inbox_.clear(); }

    // Takes one answer line without its CR LF; false when none is whole yet.
    bool TakeLine(std::string& line);
    // Moves reply bytes to `reply`: true when the reply has ended, at the end
    // mark (`eoi` set) or after the input character (eosChar not negative);
    // false when every byte so far has been moved and more is to come.
    bool TakeReply(int eosChar, std::string& reply, bool& eoi);

private:
    std::string inbox_;
    // A reply ended at its character and the end mark that may follow has
    // not come yet.
    bool strayMark_ = false;
};
