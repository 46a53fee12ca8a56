#include "adapter/block_tracker.h"

#include "gpib/arbitrary_block.h"

#include <cstring>

void BlockTracker::Pass(const char* data, size_t count)
{
    size_t i = 0;
    while (i < count) {
        switch (state_) {
        case State::Text: {
            const void* hash = std::memchr(data + i, '#', count - i);
            if (!hash) {
                i = count;
                break;
            }
            i = static_cast<size_t>(static_cast<const char*>(hash) - data) + 1;
            header_ = "#";
            state_ = State::Header;
            break;
        }
        case State::Header: {
            header_ += data[i++];
            BlockHeader header = ScanBlockHeader(header_.data(), header_.size());
            if (header.form == BlockForm::Definite) {
                remaining_ = header.payloadLength;
                state_ = remaining_ ? State::Payload : State::After;
            } else if (header.form == BlockForm::Indefinite) {
                state_ = State::Indefinite;
            } else if (header.form == BlockForm::Malformed) {
                state_ = State::After;
            }
            break;
        }
        case State::Payload: {
            size_t taken = count - i < remaining_ ? count - i : remaining_;
            remaining_ -= taken;
            i += taken;
            if (remaining_ == 0)
                state_ = State::After;
            break;
        }
        case State::Indefinite:
        case State::After:
            i = count;
            break;
        }
    }
    if (count)
        last_ = data[count - 1];
}

bool BlockTracker::MarkPossible() const
{
    switch (state_) {
    case State::Payload:
        return false;
    case State::Indefinite:
        return last_ == '\n';
    default:
        return true;
    }
}
