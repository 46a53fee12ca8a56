// CApp: the module's application object.
#pragma once

#include "framework/runtime_class.h"

class CApp : public CObject {};
