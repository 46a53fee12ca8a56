// Fuzz target: an adapter's answer bytes through EndMarkReader, in chunks
// the input chooses, with an input character or none and a limit on each
// reply. A reply ends at the end mark only when nothing came after it, holds
// the character only as its last byte, never passes its limit, and nothing
// taken is more than what came. Each line taken is also read as a serial
// poll's and a ++ver's answer: a status byte is the line's decimal number.
#include "fuzz_support.h"

#include "adapter/adapter_session.h"
#include "adapter/block_tracker.h"
#include "adapter/end_mark_reader.h"
#include "adapter/plusplus_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    // First byte: the input character (odd: none); second: the chunk size;
    // third: the limit.
    int eosChar = data[0] % 2 ? -1 : data[0];
    size_t chunk = data[1] % 16 + 1;
    size_t limit = data[2] % 32 + 1;
    EndMarkReader reader;
    BlockTracker message;
    size_t given = 0;
    size_t taken = 0;
    std::string reply;
    for (size_t at = 3; at < size; at += chunk) {
        size_t count = size - at < chunk ? size - at : chunk;
        reader.Add(reinterpret_cast<const char*>(data + at), count);
        given += count;
        ReplyEnd end;
        while ((end = reader.TakeReply(eosChar, limit, message, reply)) != ReplyEnd::More) {
            FUZZ_CHECK(reply.size() <= limit, "a reply of %zu bytes passes its limit of %zu", reply.size(), limit);
            if (end == ReplyEnd::Mark) {
                BlockTracker fresh;
                std::string after;
                FUZZ_CHECK(reader.TakeReply(eosChar, limit, fresh, after) == ReplyEnd::More && after.empty(),
                           "%zu bytes came after the end mark of a reply", after.size());
            }
            if (end == ReplyEnd::Character) {
                FUZZ_CHECK(!reply.empty() && static_cast<unsigned char>(reply.back()) == eosChar,
                           "a reply ended at its character does not end with it");
            }
            size_t character = eosChar >= 0 ? reply.find(static_cast<char>(eosChar)) : std::string::npos;
            FUZZ_CHECK(character == std::string::npos || character + 1 == reply.size(),
                       "the character inside a reply at %zu of %zu", character, reply.size());
            taken += reply.size() + (end == ReplyEnd::Mark ? 1 : 0);
            reply.clear();
        }
        std::string line;
        if (data[at] & 1 && reader.TakeLine(line)) {
            taken += line.size() + 1;
            uint8_t statusByte = 0;
            if (StatusByteOf(line, statusByte))
                FUZZ_CHECK(std::to_string(statusByte) == line.substr(line.find_first_not_of('0') == std::string::npos
                                                                         ? line.size() - 1
                                                                         : line.find_first_not_of('0')),
                           "status byte %d from the line \"%s\"", statusByte, line.c_str());
            FamilyOfVersion(line);
        }
        FUZZ_CHECK(taken + reply.size() <= given, "%zu bytes taken of %zu given", taken + reply.size(), given);
    }
    return 0;
}
