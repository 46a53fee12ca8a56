// The bus driver library's error numbers in words.
#pragma once

#include "drovane/drovane.h"

#include <string>

std::string DriverErrorText(int error);
