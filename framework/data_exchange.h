// DataExchange: moves values between a dialog's controls and its members in
// either direction. Saving validates; the first failure shows the standard
// prompt, selects the offending edit's text, gives it the focus and makes
// every later call of the same exchange do nothing.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class DataExchange {
public:
    DataExchange(HWND dialog, bool saving) : dialog_(dialog), saving_(saving) {}

    bool Saving() const { return saving_; }
    bool Failed() const { return failed_; }

    // Binds a control object to the template's control of that id.
    void Control(int id, CWnd& control);
    void Text(int id, std::string& value);
    // Text limited to `maxChars` characters (the edit refuses more).
    void MaxChars(int id, std::string& value, int maxChars);
    void UInt(int id, DWORD& value);
    void Int(int id, int& value, int low, int high);
    // A flag: set or clear; saving gives 0 or 1.
    void Check(int id, int& value);
    // A value the box shows as the platform does (CheckStateForValue);
    // saving gives the box's own answer.
    void CheckState(int id, int& value);
    // The selected entry of a list (-1 for none).
    void ListIndex(int id, int& value);
    // The selected entry's text; loading selects the first entry that begins with the text.
    void ListText(int id, std::string& value);

private:
    bool Active() const { return !failed_; }
    void Fail(int id, const std::string& prompt);

    HWND dialog_;
    bool saving_;
    bool failed_ = false;
};
