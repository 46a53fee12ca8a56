#include "simbus/instrument.h"

#include "text/text_compare.h"

namespace {

const char kVoltage[] = "+1.234500E+00";

std::string TalkerText(size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += static_cast<char>('A' + i % 26);
    return text;
}

} // namespace

std::string WithoutTerminator(const std::string& message)
{
    size_t end = message.find_last_not_of("\r\n");
    return end == std::string::npos ? std::string() : message.substr(0, end + 1);
}

void Instrument::Listen(const char* data, size_t count, bool end)
{
    input_.append(data, count);
    if (end) {
        Respond(WithoutTerminator(input_));
        input_.clear();
    }
}

// A new message discards what the previous one left unread.
void Instrument::Respond(const std::string& message)
{
    output_.clear();
    switch (entry_.kind) {
    case InstrumentKind::Multimeter:
        // Assigned, then extended: the output keeps its buffer from one reply to the next.
        if (EqualNoCase(message, "*IDN?")) {
            output_ = entry_.text;
            output_ += '\n';
        } else if (EqualNoCase(message, "MEAS:VOLT?")) {
            output_ = kVoltage;
            output_ += '\n';
        }
        break;
    case InstrumentKind::Echo:
        output_ = message;
        break;
    case InstrumentKind::Silent:
        break;
    case InstrumentKind::Talker:
        output_ = TalkerText(entry_.length);
        break;
    case InstrumentKind::Reply:
        output_ = entry_.text;
        break;
    }
}
