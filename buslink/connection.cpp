#include "buslink/connection.h"

#include "drovane/drovane.h"
#include "sicl/sicl32.h"

#include <cstring>

namespace {

const int kCarriageReturn = 13;

StepOutcome Outcome(bool ok, size_t count = 0)
{
    StepOutcome outcome;
    outcome.ok = ok;
    outcome.count = count;
    return outcome;
}

ReadEnd EndOf(int ended)
{
    switch (ended) {
    case DRV_END_EOI:
        return ReadEnd::Eoi;
    case DRV_END_EOS:
        return ReadEnd::EndOfString;
    case DRV_END_FULL:
        return ReadEnd::BufferFull;
    }
    return ReadEnd::None;
}

ReadEnd EndOfSicl(int reason)
{
    if (reason & SICL_TERM_END)
        return ReadEnd::Eoi;
    if (reason & SICL_TERM_CHR)
        return ReadEnd::EndOfString;
    if (reason & SICL_TERM_MAXCNT)
        return ReadEnd::BufferFull;
    return ReadEnd::None;
}

} // namespace

int DROVANE_CALL MatlabRead(int handle, char* buffer, unsigned long size, unsigned long* count, int* ended)
{
    long read = DrvRead(handle, buffer, size, 1, 0, 0, 0);
    *count = read >= 0 ? static_cast<unsigned long>(read) : static_cast<unsigned long>(strnlen(buffer, size));
    *ended = DRV_END_NONE;
    return read >= 0 ? 0 : -1;
}

StepOutcome Connection::OpenSicl(const char* address, long timeoutMs)
{
    sicl_ = true;
    id_ = SiclOpen(address);
    SiclTimeout(id_, timeoutMs);
    SiclTermChar(id_, binaryReads_ ? -1 : kCarriageReturn);
    return Outcome(id_ != 0);
}

StepOutcome Connection::OpenDevice(const char* interfaceName, int primary, int secondary, long timeoutMs)
{
    sicl_ = false;
    DrvTermRecord terminator = {};
    terminator.eoi = 1;
    terminator.eosEnabled = 1;
    terminator.eosChar = kCarriageReturn;
    DrvTermRecord input = terminator;
    input.eosEnabled = binaryReads_ ? 0 : 1;
    id_ = DrvOpenDevice(interfaceName, "TEMP", static_cast<uint8_t>(primary), secondary, &input, &terminator,
                        static_cast<int>(timeoutMs));
    return Outcome(id_ != -1);
}

StepOutcome Connection::Send(const char* text)
{
    if (sicl_)
        return Outcome(SiclPrintf(id_, "%s\n", text) != 0, std::strlen(text) + 1);
    long sent = DrvWrite(id_, text, std::strlen(text), 1, 1, 0, 0, 0);
    return Outcome(sent >= 0, sent >= 0 ? static_cast<size_t>(sent) : 0);
}

StepOutcome Connection::Query(const char* text, size_t size)
{
    if (!sicl_) {
        StepOutcome sent = Send(text);
        StepOutcome read = Receive(size);
        read.ok = read.ok && sent.ok;
        return read;
    }
    reply_.assign(size, '\0');
    std::string format = "%" + std::to_string(size - 1) + "t";
    bool ok = SiclPromptf(id_, "%s\n", format.c_str(), text, &reply_[0]) != 0;
    reply_.resize(std::strlen(reply_.c_str()));
    return Outcome(ok, reply_.size());
}

StepOutcome Connection::Receive(size_t size)
{
    reply_.clear();
    return ReceiveAppending(reply_, size);
}

StepOutcome Connection::ReceiveAppending(std::string& bytes, size_t size)
{
    if (sicl_ && !siclRead_)
        return Outcome(false);
    const size_t start = bytes.size();
    bytes.resize(start + size);
    unsigned long count = 0;
    StepOutcome outcome;
    if (sicl_) {
        int reason = 0;
        bool ok = siclRead_(id_, &bytes[start], static_cast<unsigned long>(size), &reason, &count) == 0;
        outcome = Outcome(ok, count);
        outcome.ended = EndOfSicl(reason);
    } else {
        int ended = DRV_END_NONE;
        bool ok = read_(id_, &bytes[start], static_cast<unsigned long>(size), &count, &ended) == 0;
        outcome = Outcome(ok, count);
        outcome.ended = EndOf(ended);
    }
    bytes.resize(start + (count < size ? count : size));
    return outcome;
}

StepOutcome Connection::Close()
{
    if (!sicl_)
        return Outcome(DrvClose(id_) >= 0);
    bool ok = SiclClose(id_) == 0;
    SiclCleanup();
    return Outcome(ok);
}

