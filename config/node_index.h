// Node names: four upper-case hexadecimal digits.
#pragma once

// Writes the name of node `number` (low 16 bits); null when capacity < 5.
char* FormatNodeIndex(unsigned number, char* buffer, unsigned capacity);
// 1 for a node name: exactly four hexadecimal digits, in either case.
int IsNodeName(const char* name);
// The number a node name stands for; a short name reads as if padded with 0.
unsigned short ParseNodeIndex(const char* name);
// Writes "IIII\DDDD" and returns the device part; null when capacity < 10.
char* FormatDevicePath(unsigned interfaceNumber, unsigned deviceNumber, char* buffer, unsigned capacity);
