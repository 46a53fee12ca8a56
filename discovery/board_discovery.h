// Finding the maker's boards among the devices Windows has enumerated.
#pragma once

#include "config/hardware_store.h"
#include "platform/win32.h"

#include <vector>

// Hardware-identifier prefixes of the boards, in the order they are tried,
// then the service group of the boards' kernel drivers.
extern const char* const BoardIdTable[5];
const int kBoardIdPrefixes = 4;

// Fills `list` (slots null on entry) with heap copies of the boards' hardware
// keys; returns the count, or -1 on Windows 9x without dynamic data.
int FindBoards(char** list, int capacity);
// The installed boards: those discovery finds on Plug-and-Play systems, the
// hardware store's models on legacy NT.
HardwareKeyList ListInstalledBoards();
int FindBoardsWin9x(const char* const* prefixes, int prefixCount, char** list, int capacity);
// The driver services of `group`: their status records in `records`; returns
// how many there are.
int ListBoardDrivers(const char* group, std::vector<BYTE>& records);
int CollectDriverDevices(const char* const* serviceNames, int serviceCount, char** list, int capacity);

// The device's description and location. `slotCounter` (may be null) numbers
// PC Cards within one filling of a list.
int DescribeBoard(const char* hardwareKey, char* buffer, unsigned capacity, int* slotCounter);
// "BBDD" from an instance part "BUS_BB&DEV_DD&...".
int PciBusDevText(const char* instancePart, char* buffer, unsigned capacity);
