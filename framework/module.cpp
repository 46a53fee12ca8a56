#include "framework/module.h"

namespace {

HINSTANCE g_instance = nullptr;

} // namespace

void SetModuleInstance(HINSTANCE instance)
{
    g_instance = instance;
}

HINSTANCE ModuleInstance()
{
    return g_instance ? g_instance : GetModuleHandleA(nullptr);
}

std::string LoadModuleString(UINT id)
{
    char text[512];
    int length = LoadStringA(ModuleInstance(), id, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}
