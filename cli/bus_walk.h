// The bus configuration as the applet shows it: every interface node with its
// board and its devices, read once.
#pragma once

#include "buslink/interface_check.h"
#include "platform/win32.h"

#include <string>
#include <vector>

struct TerminatorSide {
    std::string name;  // the stored name ("CR_LF", ...)
    bool eoi;
    LONG first;        // a character 0 to 255, any other value is none
    LONG second;
};

struct DeviceRecord {
    std::string path;  // "0000\0001"
    std::string userName;
    DWORD primary;
    DWORD secondary;   // 0 to 31, or none
    DWORD timeout;
    TerminatorSide termIn;
    TerminatorSide termOut;
    std::vector<std::string> problems;  // values of the wrong type or too long
};

struct InterfaceRecord {
    std::string path;  // "0000"
    std::string userName;
    std::string hardwareKey;
    std::string adapter;    // the "++" adapter's URL, or empty
    bool boardPresent;
    std::string boardText;  // the board's description, or the unassigned text
    DriverCheck driverAnswer = DriverCheck::Unrecognised;  // AskDriver's
    DWORD primary;
    DWORD systemController;
    DWORD timeout;
    DWORD blockMode;
    TerminatorSide termIn;
    TerminatorSide termOut;
    std::vector<std::string> problems;
    std::vector<DeviceRecord> devices;
};

extern const char kUnassignedBoard[];
const DWORD kMaxSecondaryAddress = 31;

// Every interface node under the configuration root, read without asking
// the bus driver library; `rootFound` says whether there is a configuration.
std::vector<InterfaceRecord> WalkBus(bool* rootFound);
// Asks the bus driver library to open each interface by its name, for its
// `driverAnswer`.
void AskDriver(std::vector<InterfaceRecord>& interfaces);

// "IEEE0, IEEE1, 0002": the configured interfaces' names, read without
// opening any of them.
std::string ConfiguredNamesText();

// "opens", "no board present", "unknown name".
const char* DriverAnswerText(DriverCheck answer);
// "22" or "none".
std::string SecondaryText(DWORD secondary);
