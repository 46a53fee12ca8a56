#include "framework/data_exchange.h"

#include "framework/validation.h"
#include "framework/window.h"

#include <vector>

namespace {

std::string ListEntryText(HWND list, int index)
{
    LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1);
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

} // namespace

void DataExchange::Fail(int id, const std::string& prompt)
{
    failed_ = true;
    HWND top = GetAncestor(dialog_, GA_ROOT);
    MessageBoxA(dialog_, prompt.c_str(), WindowText(top).c_str(), MB_OK | MB_ICONEXCLAMATION);
    HWND edit = GetDlgItem(dialog_, id);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
}

void DataExchange::Control(int id, CWnd& control)
{
    control.m_hWnd = GetDlgItem(dialog_, id);
}

void DataExchange::Text(int id, std::string& value)
{
    if (!Active())
        return;
    if (saving_)
        value = WindowText(GetDlgItem(dialog_, id));
    else
        SetDlgItemTextA(dialog_, id, value.c_str());
}

void DataExchange::MaxChars(int id, std::string& value, int maxChars)
{
    if (!Active())
        return;
    if (!saving_) {
        SendDlgItemMessageA(dialog_, id, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        return;
    }
    if (static_cast<int>(value.size()) > maxChars)
        Fail(id, PromptMaxChars(maxChars));
}

void DataExchange::UInt(int id, DWORD& value)
{
    if (!Active())
        return;
    if (!saving_) {
        SetDlgItemTextA(dialog_, id, std::to_string(value).c_str());
        return;
    }
    unsigned long number = 0;
    if (!ParseUnsignedText(WindowText(GetDlgItem(dialog_, id)), number))
        return Fail(id, kPromptPositiveInteger);
    value = number;
}

void DataExchange::Int(int id, int& value, int low, int high)
{
    if (!Active())
        return;
    if (!saving_) {
        SetDlgItemTextA(dialog_, id, std::to_string(value).c_str());
        return;
    }
    long number = 0;
    std::string prompt;
    if (!ParseIntegerInRange(WindowText(GetDlgItem(dialog_, id)), low, high, number, prompt))
        return Fail(id, prompt);
    value = static_cast<int>(number);
}

void DataExchange::Check(int id, int& value)
{
    if (!Active())
        return;
    if (saving_)
        value = IsDlgButtonChecked(dialog_, id) == BST_CHECKED ? 1 : 0;
    else
        CheckDlgButton(dialog_, id, value ? BST_CHECKED : BST_UNCHECKED);
}

void DataExchange::CheckState(int id, int& value)
{
    if (!Active())
        return;
    if (saving_)
        value = static_cast<int>(IsDlgButtonChecked(dialog_, id));
    else
        CheckDlgButton(dialog_, id, static_cast<UINT>(CheckStateForValue(value)));
}

void DataExchange::ListIndex(int id, int& value)
{
    if (!Active())
        return;
    if (saving_)
        value = static_cast<int>(SendDlgItemMessageA(dialog_, id, CB_GETCURSEL, 0, 0));
    else
        SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void DataExchange::ListText(int id, std::string& value)
{
    if (!Active())
        return;
    HWND list = GetDlgItem(dialog_, id);
    if (saving_) {
        int index = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
        value = index == CB_ERR ? std::string() : ListEntryText(list, index);
        return;
    }
    // CB_FINDSTRING compares the beginning of each entry without regard to case.
    LRESULT index = SendMessageA(list, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.c_str()));
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index == CB_ERR ? -1 : index), 0);
}
