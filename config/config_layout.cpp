#include "config/config_layout.h"

const char kConfigRootPath[] = "Software\\Korvex\\IEEE";
const char kHardwareStorePath[] = "Software\\Korvex\\IEEE\\Enum";

const char kUserName[] = "UserName";
const char kHardwareKey[] = "HardwareKey";
const char kSystemController[] = "SystemController";
const char kPrimaryAddress[] = "PrimaryAddress";
const char kSecondaryAddress[] = "SecondaryAddress";
const char kTimeout[] = "Timeout";
const char kBlockModeEnabled[] = "BlockModeEnabled";
const char kTermInEoi[] = "TermInEOI";
const char kTermOutEoi[] = "TermOutEOI";
const char kTermIn0[] = "TermIn0";
const char kTermIn1[] = "TermIn1";
const char kTermOut0[] = "TermOut0";
const char kTermOut1[] = "TermOut1";
const char kTermIn[] = "TermIn";
const char kTermOut[] = "TermOut";
const char kAdapter[] = "Adapter";
const char kTrace[] = "Trace";
const char kTraceCap[] = "TraceCap";
