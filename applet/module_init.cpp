// Static initialisation of the module, in its fixed order: the application
// object with its applet, then the operating-system version.
#include "applet/cpl_applet.h"
#include "config/os_family.h"

namespace {

CCplApp g_application;

struct OsVersionCapture {
    OsVersionCapture() { LoadOsVersion(); }
};

const OsVersionCapture g_osVersion;

} // namespace
