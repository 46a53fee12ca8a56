// The ISA board models of legacy NT, one row each: the resources each offers
// and the factory values its instance keys in the hardware store start with.
// The hardware store set-up and the resources dialog both read this table.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <string>

struct ResourceList {
    uint16_t count;
    uint16_t values[16];
    bool noneAllowed;
};

struct ResourceLists {
    ResourceList io;
    ResourceList irq;
    ResourceList dma;
};

struct IsaModel {
    const char* name;
    DWORD portAddr;
    DWORD irqLevel;
    DWORD dmaChan;
    ResourceLists lists;
};

const int kIsaModelCount = 3;
extern const IsaModel kIsaModels[kIsaModelCount];

// Value names of an instance key in the hardware store.
extern const char kPortAddr[];
extern const char kIrqLevel[];
extern const char kIrqNone[];
extern const char kDmaChan[];
extern const char kDmaNone[];
// The one value of an instance key of a model outside the ISA family.
extern const char kHardwareInst[];

// The first row, in table order, that `TextEqualNoCase` matches; null for a
// model outside the family.
const IsaModel* FindIsaModel(const char* model);
// 1 for the ISA family models.
int IsIsaModel(const char* model);
// The row of exactly that name; any other name gets the first row.
const IsaModel& IsaModelOrFirst(const std::string& model);
