// Fuzz target: the input as a REGEDIT4 file through RegLoadText, then the
// registry it left through RegExportKey and back. What the export writes
// loads without error and exports to the same text.
#include "fuzz_support.h"

#include <cstring>

namespace {

bool IsLoadError(const std::string& error)
{
    return error == "not a REGEDIT4 file" || error.compare(0, 5, "line ") == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ResetMachine();
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string error = "(not set)";
    bool loaded = RegLoadText(text, &error);
    FUZZ_CHECK(loaded == error.empty(), "RegLoadText answers %d with the error \"%s\"", loaded, error.c_str());
    FUZZ_CHECK(loaded || IsLoadError(error), "RegLoadText fails without naming a line: \"%s\"", error.c_str());
    FUZZ_CHECK(PlatformOpenKeyCount() == 0, "RegLoadText leaves %zu keys open", PlatformOpenKeyCount());

    std::string first;
    if (!ExportRegistry(first)) {
        ResetMachine();
        return 0;
    }
    FUZZ_CHECK(PlatformOpenKeyCount() == 0, "RegExportKey leaves %zu keys open", PlatformOpenKeyCount());

    ResetMachine();
    FUZZ_CHECK(RegLoadText(first, &error), "the export does not load back (%s):\n%s", error.c_str(), first.c_str());
    std::string second;
    FUZZ_CHECK(ExportRegistry(second), "what the export loaded does not export");
    FUZZ_CHECK(first == second, "the export changes on its way back:\n%s\n----\n%s", first.c_str(), second.c_str());
    ResetMachine();
    return 0;
}
