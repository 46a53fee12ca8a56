// The system resources of an ISA board on legacy NT: the choices each model
// offers, its factory values, and their place in the hardware store.
#pragma once

#include "config/isa_models.h"

#include <string>

struct BoardResources {
    int portAddr = 0;
    int irqLevel = 0;
    int irqNone = 0;
    int dmaChan = 0;
    int dmaNone = 0;
};

// The lists of the model (exact name); any other model gets the first row's.
const ResourceLists& LookupResourceLists(const std::string& model);
BoardResources FactoryResources(const std::string& model);

// The instance key named by the hardware key, under the hardware store.
bool ReadResources(const std::string& hardwareKey, BoardResources& resources);
bool WriteResources(const std::string& hardwareKey, const BoardResources& resources);

// List texts: the port as four upper-case hexadecimal digits, the others in decimal.
std::string PortText(int port);
// The number at the start of a list text (0 for none).
int HexPrefixValue(const std::string& text);
int DecimalPrefixValue(const std::string& text);
