// The registry layer: every operation returns 1 for success and 0 for
// failure, and closes what it opened except a key it returns.
#pragma once

#include "platform/win32.h"

// Path operations: root\part1\part2, a null or empty part counts as absent.
int RegOpenPath(HKEY root, const char* part1, const char* part2, HKEY* key, int create);
int RegPathExists(HKEY root, const char* part1, const char* part2);
int RegReadPathString(HKEY root, const char* part1, const char* part2, const char* name, char* buffer,
                      unsigned capacity);
int RegReadPathDword(HKEY root, const char* part1, const char* part2, const char* name, DWORD* number);
int RegReadPathSize(HKEY root, const char* part1, const char* part2, const char* name, DWORD* size);
int RegDeletePathSubkey(HKEY root, const char* part1, const char* part2, const char* subkey);
int RegCopyPathValues(HKEY root, const char* part1, const char* part2, HKEY destination);

// Operations on an open key.
int RegReadTyped(HKEY key, const char* name, void* buffer, unsigned capacity, DWORD type);
int RegValueSize(HKEY key, const char* name, DWORD* size);
int RegReadOrDefault(HKEY key, const char* name, const void* defaultBytes, unsigned defaultLength, void* buffer,
                     unsigned capacity, DWORD type);
char* RegFetchString(HKEY key, const char* name, const char* defaultText, char* buffer, unsigned capacity);
DWORD RegFetchDword(HKEY key, const char* name, DWORD defaultNumber);
int RegPutString(HKEY key, const char* name, const char* text);
int RegPutDword(HKEY key, const char* name, DWORD number);
int RegHasValue(HKEY key, const char* name);
int RegPutStringIfAbsent(HKEY key, const char* name, const char* text);
int RegPutDwordIfAbsent(HKEY key, const char* name, DWORD number);
int RegHasDefaultValue(HKEY key);
int RegPutDefaultIfAbsent(HKEY key, const char* text);
int RegHasSubkey(HKEY key);
