// Where the configuration lives and the names and defaults of its values.
#pragma once

#include "gpib/bus_limits.h"
#include "platform/win32.h"

// Under HKEY_CURRENT_USER: interface nodes 0000..., device nodes beneath them.
extern const char kConfigRootPath[];
// Under HKEY_LOCAL_MACHINE (legacy NT): board models and their instance keys.
extern const char kHardwareStorePath[];

extern const char kUserName[];
extern const char kHardwareKey[];
extern const char kSystemController[];
extern const char kPrimaryAddress[];
extern const char kSecondaryAddress[];
extern const char kTimeout[];
extern const char kBlockModeEnabled[];
extern const char kTermInEoi[];
extern const char kTermOutEoi[];
extern const char kTermIn0[];
extern const char kTermIn1[];
extern const char kTermOut0[];
extern const char kTermOut1[];
extern const char kTermIn[];
extern const char kTermOut[];
// Our own: the "++" GPIB adapter that an interface drives (tcp://HOST[:PORT] or serial://COMn[?baud=N]).
extern const char kAdapter[];
// Our own, on the root: the I/O trace's switch (1 records) and its cap in bytes.
extern const char kTrace[];
extern const char kTraceCap[];

// A terminator position without a character.
const DWORD NO_TERM_CHAR = 0xFFFFFFFFu;
// The encoding of "no secondary address".
const DWORD kNoSecondaryAddress = GPIB_NO_SECONDARY;

const DWORD kInterfacePrimaryAddress = 21;
const DWORD kDevicePrimaryAddress = 16;
const DWORD kDefaultTimeout = 10000;
const DWORD kCarriageReturn = 13;
const DWORD kLineFeed = 10;

// The most interface or device nodes a walk of the configuration visits.
const DWORD kMaxNodes = 1000;

// Buffer sizes that readers of the configuration use.
const unsigned kNodeNameSize = 5;
const unsigned kUserNameSize = 32;
const unsigned kNodePathSize = 128;
// A hardware key: 256 characters and the terminator, room for any device
// instance path.
const unsigned kHardwareKeySize = 257;
