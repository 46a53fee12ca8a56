// Fuzz target: the input as the start of a reply through ScanBlockHeader.
// A header it finds is really there ('#', the digit, that many digits, the
// length they give); one found in a prefix is the same in the whole; a
// header is never decided from fewer bytes than it has.
#include "fuzz_support.h"

#include "gpib/arbitrary_block.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    BlockHeader header = ScanBlockHeader(text, size);
    const void* hash = size ? std::memchr(text, '#', size) : nullptr;
    size_t at = hash ? static_cast<size_t>(static_cast<const char*>(hash) - text) : size;
    switch (header.form) {
    case BlockForm::Incomplete:
        FUZZ_CHECK(header.problem.empty(), "an incomplete header with a problem");
        break;
    case BlockForm::Malformed:
        FUZZ_CHECK(hash && !header.problem.empty(), "a malformed header without '#' or problem");
        break;
    case BlockForm::Indefinite:
        FUZZ_CHECK(hash && at + 1 < size && text[at + 1] == '0' && header.payloadOffset == at + 2,
                   "an indefinite block at %zu", header.payloadOffset);
        break;
    case BlockForm::Definite: {
        FUZZ_CHECK(hash && at + 1 < size && text[at + 1] >= '1' && text[at + 1] <= '9', "no length digit");
        size_t digits = static_cast<size_t>(text[at + 1] - '0');
        FUZZ_CHECK(header.payloadOffset == at + 2 + digits && header.payloadOffset <= size, "payload at %zu of %zu",
                   header.payloadOffset, size);
        size_t length = 0;
        for (size_t i = at + 2; i < header.payloadOffset; ++i) {
            FUZZ_CHECK(text[i] >= '0' && text[i] <= '9', "a length digit %d", text[i]);
            length = length * 10 + static_cast<size_t>(text[i] - '0');
        }
        FUZZ_CHECK(length == header.payloadLength, "length %zu read as %zu", length, header.payloadLength);
        break;
    }
    }
    // The same answer from the bytes up to the payload, once decided.
    if (header.form == BlockForm::Definite || header.form == BlockForm::Indefinite) {
        BlockHeader prefix = ScanBlockHeader(text, header.payloadOffset);
        FUZZ_CHECK(prefix.form == header.form && prefix.payloadLength == header.payloadLength,
                   "the header's own bytes give another answer");
        if (header.payloadOffset > 0)
            FUZZ_CHECK(ScanBlockHeader(text, header.payloadOffset - 1).form == BlockForm::Incomplete,
                       "a header decided from fewer bytes than it has");
    }
    return 0;
}
