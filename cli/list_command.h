// quenbus list [--json]: the configuration as the applet shows it.
#pragma once

#include <ostream>

int ListCommand(bool json, std::ostream& out, std::ostream& err);
