// One open connection to an instrument: through the SICL library for an
// address that begins with a lowercase "h", through the bus driver library
// otherwise. Each step returns the status bits of its failure (0 when it
// worked); a step after a failed open is still made with the failed id or
// handle, as the MATLAB commands make it.
#pragma once

#include <cstdint>

class Connection {
public:
    // `address` holds kAddressSize bytes: on the bus driver path the interface
    // name (its first five characters) is cut out in place.
    uint8_t Open(char* address, long timeoutMs);
    // A device on a bus driver interface by its parts; secondary DRV_NO_SECONDARY is none.
    uint8_t OpenDevice(const char* interfaceName, uint8_t primary, int secondary, long timeoutMs);
    // Sends the text: SICL with a line feed, the bus driver as it is.
    uint8_t Send(const char* text);
    // Sends the text and reads the reply into kReplySize bytes.
    uint8_t Query(const char* text, char* reply);
    // Reads into kReplySize bytes; the SICL library reads only in a query.
    uint8_t Receive(char* reply);
    // Closes (SICL: and cleans the library up).
    uint8_t Close();

    bool IsSicl() const { return sicl_; }

private:
    bool sicl_ = false;
    int id_ = 0;
};
