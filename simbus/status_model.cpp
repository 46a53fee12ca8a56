#include "simbus/status_model.h"

uint8_t StatusModel::TakeEvents()
{
    uint8_t events = events_;
    events_ = 0;
    return events;
}

uint8_t StatusModel::Bits(bool messageAvailable) const
{
    uint8_t bits = messageAvailable ? kStatusMav : 0;
    if (events_ & eventEnable_)
        bits |= kStatusEsb;
    return bits;
}

void StatusModel::Update(bool messageAvailable)
{
    bool summary = (Bits(messageAvailable) & requestEnable_) != 0;
    if (summary && !summary_)
        requesting_ = true;
    if (!summary)
        requesting_ = false;
    summary_ = summary;
}

uint8_t StatusModel::SummaryByte(bool messageAvailable) const
{
    uint8_t bits = Bits(messageAvailable);
    return (bits & requestEnable_) ? bits | kStatusRqs : bits;
}

uint8_t StatusModel::Poll(bool messageAvailable)
{
    Update(messageAvailable);
    uint8_t bits = Bits(messageAvailable) | (requesting_ ? kStatusRqs : 0);
    requesting_ = false;
    return bits;
}
