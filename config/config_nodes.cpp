#include "config/config_nodes.h"

#include "config/config_layout.h"
#include "config/node_index.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "config/terminators.h"
#include "config/text_utils.h"

namespace {

void FillNodeDefaults(HKEY key, int isInterface, const char* userName)
{
    if (isInterface)
        RegPutDwordIfAbsent(key, kSystemController, 1);
    else
        RegPutDwordIfAbsent(key, kSecondaryAddress, kNoSecondaryAddress);
    RegPutDwordIfAbsent(key, kPrimaryAddress, isInterface ? kInterfacePrimaryAddress : kDevicePrimaryAddress);
    RegPutDwordIfAbsent(key, kTimeout, kDefaultTimeout);
    RegPutDwordIfAbsent(key, kTermInEoi, 1);
    RegPutDwordIfAbsent(key, kTermOutEoi, 1);
    RegPutDwordIfAbsent(key, kTermIn0, kCarriageReturn);
    RegPutDwordIfAbsent(key, kTermIn1, kLineFeed);
    RegPutDwordIfAbsent(key, kTermOut0, kCarriageReturn);
    RegPutDwordIfAbsent(key, kTermOut1, kLineFeed);
    ConfigSetTermNameIfAbsent(key, kTermIn, kTermIn0, kTermIn1);
    ConfigSetTermNameIfAbsent(key, kTermOut, kTermOut0, kTermOut1);
    if (userName)
        RegPutStringIfAbsent(key, kUserName, userName);
}

} // namespace

int ConfigOpenNode(const char* nodePath, HKEY* key)
{
    return RegOpenPath(HKEY_CURRENT_USER, kConfigRootPath, nodePath, key, 0);
}

int ConfigCreateNodeKey(const char* nodePath, HKEY* key)
{
    char path[kNodePathSize];
    CopyBounded(path, kConfigRootPath, sizeof path);
    if (nodePath && *nodePath) {
        if (!AppendBounded(path, "\\", sizeof path) || !AppendBounded(path, nodePath, sizeof path))
            return 0;
    }
    return RegCreateKeyA(HKEY_CURRENT_USER, path, key) == ERROR_SUCCESS;
}

int ConfigDeleteNode(const char* nodePath)
{
    HKEY root = nullptr;
    if (!ConfigOpenNode(nullptr, &root))
        return 0;
    RegKey closer(root, HKEY_CURRENT_USER);
    return RegDeleteKeyA(root, nodePath) == ERROR_SUCCESS;
}

int ConfigReadString(const char* nodePath, const char* name, char* buffer, unsigned capacity)
{
    return RegReadPathString(HKEY_CURRENT_USER, kConfigRootPath, nodePath, name, buffer, capacity);
}

int ConfigReadDword(const char* nodePath, const char* name, DWORD* number)
{
    return RegReadPathDword(HKEY_CURRENT_USER, kConfigRootPath, nodePath, name, number);
}

int ConfigWriteString(const char* nodePath, const char* name, const char* text)
{
    HKEY key = nullptr;
    if (!ConfigOpenNode(nodePath, &key))
        return 0;
    RegKey node(key, HKEY_CURRENT_USER);
    return RegPutString(node.Get(), name, text);
}

int ConfigSetUserName(const char* nodePath, const char* text)
{
    return ConfigWriteString(nodePath, kUserName, text);
}

int ConfigCreateNode(const char* nodePath, int isInterface, const char* userName)
{
    HKEY key = nullptr;
    if (!ConfigCreateNodeKey(nodePath, &key))
        return 0;
    RegKey node(key, HKEY_CURRENT_USER);
    FillNodeDefaults(key, isInterface, userName);
    return 1;
}

int ConfigCreateChildNode(HKEY parentKey, const char* name, int isInterface, const char* userName)
{
    HKEY key = nullptr;
    if (RegCreateKeyA(parentKey, name, &key) != ERROR_SUCCESS)
        return 0;
    RegKey node(key, parentKey);
    FillNodeDefaults(key, isInterface, userName);
    return 1;
}

std::vector<std::string> ConfigNodeNames(HKEY key)
{
    std::vector<std::string> names;
    for (DWORD index = 0; index < kMaxNodes; ++index) {
        char name[kNodeNameSize];
        LONG rc = RegEnumKeyA(key, index, name, sizeof name);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc == ERROR_SUCCESS && IsNodeName(name))
            names.push_back(name);
    }
    return names;
}

int ConfigSetTermNameIfAbsent(HKEY key, const char* nameValue, const char* firstValue, const char* secondValue)
{
    if (RegHasValue(key, nameValue))
        return 1;
    LONG first = static_cast<LONG>(RegFetchDword(key, firstValue, 0));
    LONG second = static_cast<LONG>(RegFetchDword(key, secondValue, 0));
    return RegPutString(key, nameValue, TermNameFromChars(first, second));
}
