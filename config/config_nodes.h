// Interface and device nodes under the configuration root. Node paths are
// relative to the root: "0001" for an interface, "0001\0003" for a device.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

int ConfigOpenNode(const char* nodePath, HKEY* key);
int ConfigCreateNodeKey(const char* nodePath, HKEY* key);
int ConfigDeleteNode(const char* nodePath);
int ConfigReadString(const char* nodePath, const char* name, char* buffer, unsigned capacity);
int ConfigReadDword(const char* nodePath, const char* name, DWORD* number);
int ConfigWriteString(const char* nodePath, const char* name, const char* text);
int ConfigSetUserName(const char* nodePath, const char* text);
// Creates the node if needed and fills every absent value with its default.
int ConfigCreateNode(const char* nodePath, int isInterface, const char* userName);
// The same for the node `name` under an open node key.
int ConfigCreateChildNode(HKEY parentKey, const char* name, int isInterface, const char* userName);
// The nodes among the subkeys of `key` (the root's interfaces, an
// interface's devices), in enumeration order. Other subkeys are not nodes,
// nor are names that do not fit a node name; the walk looks at kMaxNodes
// subkeys at most.
std::vector<std::string> ConfigNodeNames(HKEY key);
int ConfigSetTermNameIfAbsent(HKEY key, const char* nameValue, const char* firstValue, const char* secondValue);
