#include "simbus/instrument.h"

#include "gpib/arbitrary_block.h"
#include "text/text_compare.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

const char kVoltage[] = "+1.234500E+00";

// "+1.000000E+00" and the comma or line feed after it: every reading up to
// the millionth, +1.000999E+03, takes as many characters.
const size_t kReadingWidth = 14;

std::string TalkerText(size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += static_cast<char>('A' + i % 26);
    return text;
}

const char* Identification(InstrumentKind kind)
{
    switch (kind) {
    case InstrumentKind::Block: return "Simbus,Block,0,1.0\n";
    case InstrumentKind::Indefinite: return "Simbus,Indefinite,0,1.0\n";
    case InstrumentKind::Readings: return "Simbus,Readings,0,1.0\n";
    case InstrumentKind::Store: return "Simbus,Store,0,1.0\n";
    case InstrumentKind::Recorder: return "Simbus,Recorder,0,1.0\n";
    default: return "";
    }
}

bool IsQuery(const std::string& message)
{
    return !message.empty() && message.back() == '?';
}

// The payload bytes from `index` on, byte i being i % 256.
void FillCounting(size_t index, char* data, size_t count)
{
    static const struct Table {
        char bytes[256];
        Table()
        {
            for (int i = 0; i < 256; ++i)
                bytes[i] = static_cast<char>(i);
        }
    } table;
    while (count > 0) {
        size_t start = index % 256;
        size_t part = count < 256 - start ? count : 256 - start;
        std::memcpy(data, table.bytes + start, part);
        data += part;
        index += part;
        count -= part;
    }
}

// A block as an instrument answers it: the header, the payload, and a line
// feed. The payload is the `stored` bytes, or without them counting bytes.
struct BlockAnswer {
    std::string header;
    size_t length;
    std::shared_ptr<const std::string> stored;

    size_t Total() const { return header.size() + length + 1; }

    void operator()(size_t offset, char* data, size_t count) const
    {
        size_t end = offset + count;
        size_t payloadEnd = header.size() + length;
        if (offset < header.size()) {
            size_t part = (end < header.size() ? end : header.size()) - offset;
            std::memcpy(data, header.data() + offset, part);
            data += part;
            offset += part;
        }
        if (offset < end && offset < payloadEnd) {
            size_t part = (end < payloadEnd ? end : payloadEnd) - offset;
            size_t index = offset - header.size();
            if (stored)
                std::memcpy(data, stored->data() + index, part);
            else
                FillCounting(index, data, part);
            data += part;
            offset += part;
        }
        if (offset < end)
            *data = '\n';
    }
};

std::string DefiniteHeader(size_t length)
{
    std::string digits = std::to_string(length);
    return "#" + std::to_string(digits.size()) + digits;
}

void SayBlock(InstrumentOutput& output, BlockAnswer answer)
{
    size_t total = answer.Total();
    output.Generate(total, std::move(answer));
}

// Reading k, 1 + k / 1000, as "%+.6E" writes it, without printf: some C
// libraries give the exponent three digits. `text` gets kReadingWidth - 1 characters.
void FormatReading(size_t k, char* text)
{
    std::string digits = std::to_string(1000 + k); // thousandths: 4 to 7 digits
    size_t exponent = digits.size() - 4;
    digits.resize(7, '0');
    text[0] = '+';
    text[1] = digits[0];
    text[2] = '.';
    std::memcpy(text + 3, digits.data() + 1, 6);
    std::memcpy(text + 9, "E+0", 3);
    text[12] = static_cast<char>('0' + exponent);
}

// Readings separated by commas, the last ended by a line feed.
void SayReadings(InstrumentOutput& output, size_t readings)
{
    output.Generate(readings * kReadingWidth, [readings](size_t offset, char* data, size_t count) {
        while (count > 0) {
            size_t k = offset / kReadingWidth;
            size_t within = offset % kReadingWidth;
            char text[kReadingWidth];
            FormatReading(k, text);
            text[kReadingWidth - 1] = k + 1 == readings ? '\n' : ',';
            size_t part = count < kReadingWidth - within ? count : kReadingWidth - within;
            std::memcpy(data, text + within, part);
            data += part;
            offset += part;
            count -= part;
        }
    });
}

} // namespace

void InstrumentOutput::Set(const std::string& text)
{
    window_ = text;
    taken_ = 0;
    total_ = 0;
    made_ = 0;
    generator_ = nullptr;
}

void InstrumentOutput::Generate(size_t total, Generator generator)
{
    window_.clear();
    taken_ = 0;
    total_ = total;
    made_ = 0;
    generator_ = std::move(generator);
}

void InstrumentOutput::Clear()
{
    Generate(0, nullptr);
}

const char* InstrumentOutput::Ready(size_t& count)
{
    if (taken_ == window_.size() && made_ < total_) {
        size_t chunk = total_ - made_ < kChunk ? total_ - made_ : kChunk;
        window_.resize(chunk);
        generator_(made_, &window_[0], chunk);
        made_ += chunk;
        taken_ = 0;
    }
    count = window_.size() - taken_;
    return window_.data() + taken_;
}

std::string WithoutTerminator(const std::string& message)
{
    size_t end = message.find_last_not_of("\r\n");
    return end == std::string::npos ? std::string() : message.substr(0, end + 1);
}

void Instrument::Listen(const char* data, size_t count, bool end)
{
    if (entry_.kind == InstrumentKind::Recorder) {
        Record(data, count);
        Update();
        return;
    }
    input_.append(data, count);
    if (end) {
        Respond(input_);
        // A long message does not hold its memory until the next one.
        if (input_.capacity() > InstrumentOutput::kChunk)
            std::string().swap(input_);
        else
            input_.clear();
    }
    Update();
}

void Instrument::DeviceClear()
{
    input_.clear();
    receiving_ = false;
    output_.Clear();
    measuring_ = false;
    completionAwaited_ = false;
    Update();
}

void Instrument::Trigger()
{
    Update();
    ++readings_;
}

uint8_t Instrument::SerialPoll()
{
    Update();
    return status_.Poll(output_.Unsaid() > 0);
}

bool Instrument::Requesting()
{
    Update();
    return status_.Requesting();
}

void Instrument::Update()
{
    if (measuring_ && Clock::now() >= measured_) {
        measuring_ = false;
        ++readings_;
        if (completionAwaited_)
            status_.SetEvent(kEventOpc);
        completionAwaited_ = false;
    }
    status_.Update(output_.Unsaid() > 0);
}

namespace {

// Keeps a query's answer; true.
bool Said(std::string& answer, const std::string& text)
{
    answer = text;
    return true;
}

} // namespace

// Reading k: +1.2345kkE+00 with the last two digits of k.
std::string Instrument::Reading() const
{
    std::string digits = std::to_string(100 + readings_ % 100);
    return "+1.2345" + digits.substr(1) + "E+00";
}

void Instrument::Command(const std::string& message)
{
    std::string answers;
    int queries = 0;
    size_t begin = 0;
    while (begin <= message.size()) {
        size_t end = message.find(';', begin);
        if (end == std::string::npos)
            end = message.size();
        std::string command = message.substr(begin, end - begin);
        size_t first = command.find_first_not_of(' ');
        size_t last = command.find_last_not_of(' ');
        command = first == std::string::npos ? std::string() : command.substr(first, last - first + 1);
        std::string answer;
        if (Answer(command, answer)) {
            answers += (queries ? ";" : "") + answer;
            ++queries;
        }
        begin = end + 1;
    }
    // A query answers even with an empty text: its line feed.
    if (queries)
        output_.Set(answers + '\n');
}

// Whether one command is a query that answers, with its answer in `answer`.
bool Instrument::Answer(const std::string& command, std::string& answer)
{
    size_t space = command.find(' ');
    const std::string name = command.substr(0, space);
    const int argument = space == std::string::npos ? 0 : std::atoi(command.c_str() + space + 1) & 0xFF;
    Update();
    if (EqualNoCase(name, "*IDN?"))
        return Said(answer, entry_.text);
    if (EqualNoCase(name, "MEAS:VOLT?"))
        return Said(answer, kVoltage);
    if (EqualNoCase(name, "*CLS")) {
        status_.ClearEvents();
    } else if (EqualNoCase(name, "*ESE")) {
        status_.SetEventEnable(static_cast<uint8_t>(argument));
    } else if (EqualNoCase(name, "*ESE?")) {
        return Said(answer, std::to_string(status_.EventEnable()));
    } else if (EqualNoCase(name, "*ESR?")) {
        return Said(answer, std::to_string(status_.TakeEvents()));
    } else if (EqualNoCase(name, "*SRE")) {
        status_.SetRequestEnable(static_cast<uint8_t>(argument));
    } else if (EqualNoCase(name, "*SRE?")) {
        return Said(answer, std::to_string(status_.RequestEnable()));
    } else if (EqualNoCase(name, "*STB?")) {
        return Said(answer, std::to_string(status_.SummaryByte(output_.Unsaid() > 0)));
    } else if (EqualNoCase(name, "*OPC")) {
        if (measuring_)
            completionAwaited_ = true;
        else
            status_.SetEvent(kEventOpc);
    } else if (EqualNoCase(name, "*OPC?")) {
        return Said(answer, "1");
    } else if (EqualNoCase(name, "*TRG")) {
        Trigger();
    } else if (EqualNoCase(name, "*RST")) {
        measuring_ = false;
        completionAwaited_ = false;
    } else if (EqualNoCase(name, "INIT")) {
        measuring_ = true;
        measured_ = Clock::now() + std::chrono::milliseconds(kMeasurementMs);
    } else if (EqualNoCase(name, "FETC?") || EqualNoCase(name, "FETCH?")) {
        return Said(answer, Reading());
    } else if (EqualNoCase(name, "READ?")) {
        ++readings_;
        return Said(answer, Reading());
    }
    return false;
}

// A new message discards what the previous one left unread.
void Instrument::Respond(const std::string& input)
{
    output_.Clear();
    // A store's message is binary: its raw bytes hold the block, terminator bytes too.
    if (entry_.kind == InstrumentKind::Store && std::memchr(input.data(), '#', input.size())) {
        Keep(input);
        return;
    }
    const std::string message = WithoutTerminator(input);
    switch (entry_.kind) {
    case InstrumentKind::Multimeter:
        Command(message);
        break;
    case InstrumentKind::Echo:
        output_.Set(message);
        break;
    case InstrumentKind::Silent:
        break;
    case InstrumentKind::Talker:
        output_.Set(TalkerText(entry_.length));
        break;
    case InstrumentKind::Reply:
        output_.Set(entry_.text);
        break;
    case InstrumentKind::Block:
    case InstrumentKind::Indefinite:
    case InstrumentKind::Readings:
        if (EqualNoCase(message, "*IDN?"))
            output_.Set(Identification(entry_.kind));
        else if (IsQuery(message) && entry_.kind == InstrumentKind::Readings)
            SayReadings(output_, entry_.length);
        else if (IsQuery(message))
            SayBlock(output_, BlockAnswer{entry_.kind == InstrumentKind::Block ? DefiniteHeader(entry_.length) : "#0",
                                          entry_.length, nullptr});
        break;
    case InstrumentKind::Store:
        if (EqualNoCase(message, "*IDN?"))
            output_.Set(Identification(entry_.kind));
        else if (IsQuery(message))
            SayBlock(output_, BlockAnswer{DefiniteHeader(stored_->size()), stored_->size(), stored_});
        break;
    case InstrumentKind::Recorder: // takes lines as they come (Record)
        break;
    }
}

// A complete definite-length block replaces what the store keeps; a
// malformed, short or indefinite one leaves it.
void Instrument::Keep(const std::string& message)
{
    BlockHeader header = ScanBlockHeader(message.data(), message.size());
    if (header.form == BlockForm::Definite && message.size() - header.payloadOffset >= header.payloadLength)
        stored_ = std::make_shared<const std::string>(message, header.payloadOffset, header.payloadLength);
}

void Instrument::Record(const char* data, size_t count)
{
    const char* end = data + count;
    while (data < end) {
        const char* feed = static_cast<const char*>(std::memchr(data, '\n', static_cast<size_t>(end - data)));
        const char* next = feed ? feed + 1 : end;
        input_.append(data, static_cast<size_t>(next - data));
        data = next;
        if (!feed)
            break;
        if (receiving_) {
            receiving_ = false;
            recorded_ = input_;
        } else {
            const std::string command = WithoutTerminator(input_);
            if (EqualNoCase(command, "RECEIVE"))
                receiving_ = true;
            else if (EqualNoCase(command, "SEND"))
                output_.Set(recorded_);
            else if (EqualNoCase(command, "*IDN?"))
                output_.Set(Identification(entry_.kind));
        }
        input_.clear();
    }
}
