// The formats of the formatted calls: what a write format sends, and how much
// a read format takes.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

const size_t kMaxReadWidth = 65536;

struct WriteText {
    std::string bytes;
    // Offsets just after each line feed of the format itself: each goes with END.
    std::vector<size_t> ends;
    // The arguments as the bus log shows them: ", \"text\", 5", made only
    // when `showArguments` is set.
    bool showArguments = true;
    std::string shownArguments;
};

// Renders `format` (%s, %d, %c, %%) with arguments taken from `args`; false
// for any other conversion.
bool FormatWrite(const char* format, va_list& args, WriteText& text);
// The most characters a read format takes: %t gives kMaxReadWidth, %Nt gives
// N (1 to kMaxReadWidth); 0 for any other format.
size_t ReadFormatWidth(const char* format);
