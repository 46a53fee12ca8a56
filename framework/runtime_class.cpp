#include "framework/runtime_class.h"

#include <cstring>

namespace {

// The registered classes, a list built during static initialisation.
const RuntimeClass*& FirstClass()
{
    static const RuntimeClass* first = nullptr;
    return first;
}

} // namespace

RuntimeClass::RuntimeClass(const char* name, Factory factory) : name_(name), factory_(factory), next_(FirstClass())
{
    FirstClass() = this;
}

CObject* RuntimeClass::CreateByName(const char* name)
{
    for (const RuntimeClass* c = FirstClass(); c; c = c->next_) {
        if (std::strcmp(c->name_, name) == 0)
            return c->factory_ ? c->factory_() : nullptr;
    }
    return nullptr;
}
