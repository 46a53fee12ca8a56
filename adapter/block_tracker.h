// Follows a device's message as its bytes come from the adapter, to tell
// where an IEEE 488.2 block's payload lies: the adapter marks END with a
// byte that the payload may also hold. Inside a definite block's announced
// length every byte is data; inside an indefinite block the mark can only
// follow the LF that ends it; elsewhere the byte is the mark.
#pragma once

#include <cstddef>
#include <string>

class BlockTracker {
public:
    // A new message begins.
    void Restart() { *this = BlockTracker(); }
    // Bytes of the message, in order, as they are taken.
    void Pass(const char* data, size_t count);
    // How many of the next bytes are payload for certain.
    size_t PayloadAhead() const { return state_ == State::Payload ? remaining_ : 0; }
    // Whether the mark byte, coming next, would be the mark and not data.
    bool MarkPossible() const;

private:
    enum class State {
        Text,       // no '#' yet
        Header,     // after '#', the header incomplete
        Payload,    // inside a definite block
        Indefinite, // inside an indefinite block
        After       // after a block, or after a '#' that began none
    };

    State state_ = State::Text;
    std::string header_;
    size_t remaining_ = 0;
    char last_ = 0;
};
