// One transfer of the MATLAB commands: open a connection (buslink/connection.h),
// send the command, free the command text, read the reply when `reply` is
// not null, and close; every step runs whatever the earlier ones returned.
#pragma once

#include "buslink/command_text.h"

#include <cstddef>
#include <cstdint>

// Status bits: opening, sending or reading, and closing failed.
const uint8_t kOpenFailed = 1;
const uint8_t kTransferFailed = 2;
const uint8_t kCloseFailed = 4;

const size_t kAddressSize = 20;
const size_t kReplySize = 256;

// Through SICL or the bus driver library, as the address's first character
// chooses (a lowercase "h" goes to SICL). `address` holds kAddressSize bytes;
// `reply`, when not null, kReplySize bytes.
uint8_t Transfer(char* address, CommandText& command, char* reply);
// The same steps to a device of a bus driver interface given by its parts
// (secondary DRV_NO_SECONDARY: none).
uint8_t TransferToDevice(const char* interfaceName, uint8_t primary, int secondary, CommandText& command,
                         char* reply);

// The low 8 bits of the decimal number at the start of `text`, read as atoi
// reads it (leading blanks, a sign, digits up to the first other character;
// 0 without digits), whatever its size.
uint8_t LowByteOfNumber(const char* text);
