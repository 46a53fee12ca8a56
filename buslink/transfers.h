// One transfer of the MATLAB commands: open a connection (buslink/connection.h),
// send the command, free the command text, read the reply when `reply` is
// not null, and close; every step runs whatever the earlier ones returned.
#pragma once

#include "buslink/command_text.h"
#include "buslink/connection.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Status bits: opening, sending or reading, and closing failed.
const uint8_t kOpenFailed = 1;
const uint8_t kTransferFailed = 2;
const uint8_t kCloseFailed = 4;

const size_t kAddressSize = 20;
const size_t kReplySize = 256;
const long kTransferTimeoutMs = 20000;

// Through SICL or the bus driver library, as the address's first character
// chooses (a lowercase "h" goes to SICL). `address` holds kAddressSize bytes;
// `reply`, when not null, kReplySize bytes.
uint8_t Transfer(char* address, CommandText& command, char* reply);

// The open of Transfer: SICL for a lowercase "h" first, else the device at
// the primary address from the seventh character on the interface named by
// the first five, which are cut out of `address` in place.
StepOutcome OpenByMatlabRule(Connection& connection, char* address, long timeoutMs);
// The steps of Transfer after an open whose status is `status`: send, free
// the command text, read into `reply` (kReplySize bytes) when not null, close.
uint8_t Exchange(Connection& connection, uint8_t status, CommandText& command, char* reply);
// Exchange's steps before the close; `ended` (when not null) gets how the
// read ended, None when it failed or there was none.
uint8_t SendAndRead(Connection& connection, uint8_t status, CommandText& command, char* reply, ReadEnd* ended);

// A reply as the MATLAB commands return it: up to its first NUL, and at most
// kReplySize - 1 characters.
std::string MatlabReplyText(const std::string& bytes);

// The low 8 bits of the decimal number at the start of `text`, read as atoi
// reads it (leading blanks, a sign, digits up to the first other character;
// 0 without digits), whatever its size.
uint8_t LowByteOfNumber(const char* text);
