#include "config/isa_models.h"

#include "text/text_compare.h"

namespace {

const ResourceList kIsaPorts = {4, {0x02E1, 0x22E1, 0x42E1, 0x62E1}, false};
const ResourceList kSotalIrqs = {6, {2, 3, 4, 5, 6, 7}, true};
const ResourceList kSotalDmas = {3, {1, 2, 3}, true};

} // namespace

const IsaModel kIsaModels[kIsaModelCount] = {
    {"Rumex", 0x02E1, 5, 5,
     {kIsaPorts, {11, {3, 4, 5, 6, 7, 9, 10, 11, 12, 14, 15}, false}, {7, {0, 1, 2, 3, 5, 6, 7}, true}}},
    {"Sotal", 0x02E1, 5, 1, {kIsaPorts, kSotalIrqs, kSotalDmas}},
    {"Vinor", 0x02E1, 5, 1, {kIsaPorts, kSotalIrqs, kSotalDmas}},
};

const char kPortAddr[] = "PortAddr";
const char kIrqLevel[] = "IrqLevel";
const char kIrqNone[] = "IrqNone";
const char kDmaChan[] = "DmaChan";
const char kDmaNone[] = "DmaNone";
const char kHardwareInst[] = "HardwareInst";

const IsaModel* FindIsaModel(const char* model)
{
    for (const IsaModel& row : kIsaModels) {
        if (TextEqualNoCase(model, row.name))
            return &row;
    }
    return nullptr;
}

int IsIsaModel(const char* model)
{
    return FindIsaModel(model) != nullptr;
}

const IsaModel& IsaModelOrFirst(const std::string& model)
{
    for (const IsaModel& row : kIsaModels) {
        if (model == row.name)
            return row;
    }
    return kIsaModels[0];
}
