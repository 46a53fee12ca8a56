// Static initialisation of the module, in its fixed order.
#include "config/os_family.h"

namespace {

struct ModuleInit {
    ModuleInit() { LoadOsVersion(); }
};

const ModuleInit g_moduleInit;

} // namespace
