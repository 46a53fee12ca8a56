// Fuzz target: an adapter's answer bytes through EndMarkReader, in chunks
// the input chooses, with an input character or none. A reply never holds
// the end mark, holds the character only as its last byte, and nothing
// taken is more than what came.
#include "fuzz_support.h"

#include "adapter/end_mark_reader.h"
#include "adapter/plusplus_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: the input character (odd: none); second: the chunk size.
    int eosChar = data[0] % 2 ? -1 : data[0];
    size_t chunk = data[1] % 16 + 1;
    EndMarkReader reader;
    size_t given = 0;
    size_t taken = 0;
    std::string reply;
    for (size_t at = 2; at < size; at += chunk) {
        size_t count = size - at < chunk ? size - at : chunk;
        reader.Add(reinterpret_cast<const char*>(data + at), count);
        given += count;
        bool eoi = false;
        while (reader.TakeReply(eosChar, reply, eoi)) {
            FUZZ_CHECK(reply.find(kAdapterEndMark) == std::string::npos, "a reply holds the end mark");
            if (eosChar >= 0 && !eoi) {
                FUZZ_CHECK(!reply.empty() && static_cast<unsigned char>(reply.back()) == eosChar,
                           "a reply ended at its character does not end with it");
            }
            size_t character = eosChar >= 0 ? reply.find(static_cast<char>(eosChar)) : std::string::npos;
            FUZZ_CHECK(character == std::string::npos || character + 1 == reply.size(),
                       "the character inside a reply at %zu of %zu", character, reply.size());
            taken += reply.size() + (eoi ? 1 : 0);
            reply.clear();
        }
        FUZZ_CHECK(reply.find(kAdapterEndMark) == std::string::npos, "an unfinished reply holds the end mark");
        std::string line;
        if (data[at] & 1 && reader.TakeLine(line))
            taken += line.size() + 1;
        FUZZ_CHECK(taken + reply.size() <= given, "%zu bytes taken of %zu given", taken + reply.size(), given);
    }
    return 0;
}
