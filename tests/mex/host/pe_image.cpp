#include "pe_image.h"

namespace {

const BYTE* Base(HMODULE module)
{
    return reinterpret_cast<const BYTE*>(module);
}

const IMAGE_DATA_DIRECTORY& Directory(HMODULE module, int entry)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(Base(module));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(Base(module) + dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[entry];
}

template <typename T> const T* At(HMODULE module, DWORD rva)
{
    return reinterpret_cast<const T*>(Base(module) + rva);
}

} // namespace

ExportTable ExportsOf(HMODULE module)
{
    ExportTable table;
    const IMAGE_DATA_DIRECTORY& directory = Directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (!directory.VirtualAddress)
        return table;
    const auto* exports = At<IMAGE_EXPORT_DIRECTORY>(module, directory.VirtualAddress);
    table.functionCount = exports->NumberOfFunctions;
    const DWORD* names = At<DWORD>(module, exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        table.names.push_back(At<char>(module, names[i]));
    return table;
}

ImportTable ImportsOf(HMODULE module, const char* dllName)
{
    ImportTable table;
    const IMAGE_DATA_DIRECTORY& directory = Directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (!directory.VirtualAddress)
        return table;
    for (const auto* entry = At<IMAGE_IMPORT_DESCRIPTOR>(module, directory.VirtualAddress); entry->Name; ++entry) {
        if (lstrcmpiA(At<char>(module, entry->Name), dllName) != 0)
            continue;
        table.found = true;
        for (const auto* thunk = At<IMAGE_THUNK_DATA>(module, entry->OriginalFirstThunk); thunk->u1.AddressOfData;
             ++thunk) {
            if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal))
                table.ordinals.push_back(static_cast<unsigned>(IMAGE_ORDINAL(thunk->u1.Ordinal)));
            else
                table.names.push_back(At<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(thunk->u1.AddressOfData))->Name);
        }
    }
    return table;
}
