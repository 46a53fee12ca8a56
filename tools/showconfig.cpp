// Prints the bus configuration: every interface and device node with its values.
#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/reg_key.h"
#include "config/registry_access.h"

#include <cstdio>
#include <string>

namespace {

void PrintValues(HKEY key, const char* indent)
{
    char name[256];
    BYTE data[256];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = sizeof name;
        DWORD size = sizeof data - 1;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        if (type == REG_SZ) {
            data[size] = 0;
            std::printf("%s%-18s \"%s\"\n", indent, name, reinterpret_cast<char*>(data));
        } else if (type == REG_DWORD && size == 4) {
            DWORD number = data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24;
            std::printf("%s%-18s %ld\n", indent, name, static_cast<long>(static_cast<LONG>(number)));
        } else {
            std::printf("%s%-18s (type %lu, %lu bytes)\n", indent, name, static_cast<unsigned long>(type),
                        static_cast<unsigned long>(size));
        }
    }
}

void PrintNode(const std::string& path, int depth)
{
    HKEY key = nullptr;
    if (!ConfigOpenNode(path.c_str(), &key))
        return;
    RegKey node(key, HKEY_CURRENT_USER);
    char userName[kUserNameSize];
    RegFetchString(key, kUserName, path.substr(path.size() - 4).c_str(), userName, sizeof userName);
    std::printf("%*s%s  %s\n", depth * 4, "", path.c_str(), userName);
    PrintValues(key, depth ? "            " : "        ");
    char child[kNodeNameSize];
    for (DWORD index = 0; RegEnumKeyA(key, index, child, sizeof child) == ERROR_SUCCESS; ++index)
        PrintNode(path + "\\" + child, depth + 1);
}

} // namespace

int main()
{
    HKEY root = nullptr;
    if (!ConfigOpenNode(nullptr, &root)) {
        std::fprintf(stderr, "no bus configuration under HKEY_CURRENT_USER\\%s\n", kConfigRootPath);
        return 1;
    }
    RegKey holder(root, HKEY_CURRENT_USER);
    std::printf("HKEY_CURRENT_USER\\%s\n", kConfigRootPath);
    char child[kNodeNameSize];
    for (DWORD index = 0; RegEnumKeyA(root, index, child, sizeof child) == ERROR_SUCCESS; ++index)
        PrintNode(child, 0);
    return 0;
}
