// Operating-system families, from the version record captured at load.
#pragma once

// Fills the module's version record with GetVersionExA.
void LoadOsVersion();

int IsWin9x();
int IsWinNT();
int IsWinNT5OrLater();
// Plug-and-Play systems (Windows 9x, NT 5 and later); otherwise legacy NT.
int IsPnpOs();
