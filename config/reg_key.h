// RegKey: a move-only holder of an open key. It never closes a predefined
// root, nor the key it was told belongs to the caller.
#pragma once

#include "platform/win32.h"

class RegKey {
public:
    RegKey() = default;
    RegKey(HKEY key, HKEY callersKey) : key_(key), owned_(key && key != callersKey && !IsPredefined(key)) {}
    ~RegKey() { Close(); }

    RegKey(RegKey&& other) noexcept : key_(other.key_), owned_(other.owned_) { other.owned_ = false; }
    RegKey& operator=(RegKey&& other) noexcept
    {
        if (this != &other) {
            Close();
            key_ = other.key_;
            owned_ = other.owned_;
            other.owned_ = false;
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY Get() const { return key_; }

    void Close()
    {
        if (owned_)
            RegCloseKey(key_);
        owned_ = false;
        key_ = nullptr;
    }

    static bool IsPredefined(HKEY key)
    {
        return key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_DYN_DATA ||
               key == HKEY_CLASSES_ROOT || key == HKEY_USERS;
    }

private:
    HKEY key_ = nullptr;
    bool owned_ = false;
};
