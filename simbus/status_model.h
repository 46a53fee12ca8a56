// An instrument's IEEE 488.2 status reporting: the standard event status
// register and its enable mask, the service request enable mask, and the
// service request that a serial poll clears.
#pragma once

#include <cstdint>

// Status byte bits.
const uint8_t kStatusMav = 0x10; // a message is available
const uint8_t kStatusEsb = 0x20; // an enabled standard event happened
const uint8_t kStatusRqs = 0x40; // requesting service; MSS in *STB?
// Standard event status bits.
const uint8_t kEventOpc = 0x01; // operation complete

class StatusModel {
public:
    void SetEvent(uint8_t bits) { events_ |= bits; }
    // *ESR?: the events, which it clears.
    uint8_t TakeEvents();
    uint8_t EventEnable() const { return eventEnable_; }
    void SetEventEnable(uint8_t mask) { eventEnable_ = mask; }
    uint8_t RequestEnable() const { return requestEnable_; }
    // *SRE: bit 6 of the mask is ignored.
    void SetRequestEnable(uint8_t mask) { requestEnable_ = mask & ~kStatusRqs; }
    // *CLS: the events, and with them their request.
    void ClearEvents() { events_ = 0; }

    // Brings the request up to date with the message available or not: a
    // request begins when the summary of the enabled bits turns true and
    // ends when it turns false or a poll takes it.
    void Update(bool messageAvailable);
    bool Requesting() const { return requesting_; }
    // *STB?: the status byte with the summary (MSS) in bit 6; clears nothing.
    uint8_t SummaryByte(bool messageAvailable) const;
    // A serial poll: the status byte with RQS in bit 6, which it clears.
    uint8_t Poll(bool messageAvailable);

private:
    uint8_t Bits(bool messageAvailable) const;

    uint8_t events_ = 0;
    uint8_t eventEnable_ = 0;
    uint8_t requestEnable_ = 0;
    bool summary_ = false;
    bool requesting_ = false;
};
