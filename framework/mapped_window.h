// CMapped: routes a window's commands and notifications through its class's
// message map, T::kMessageMap, before the base's own handling:
//     class CMyDialog : public CMapped<CMyDialog, CDialog> { ... };
#pragma once

#include "framework/message_map.h"

#include <windows.h>

template <class T, class Base> class CMapped : public Base {
public:
    using Base::Base;

protected:
    bool OnCommand(int id, int code) override
    {
        return DispatchCommand(T::kMessageMap, static_cast<T*>(this), id, code);
    }

    bool OnNotify(const NMHDR* header, LRESULT& result) override
    {
        return DispatchNotify(T::kMessageMap, static_cast<T*>(this), header, static_cast<int>(header->idFrom),
                              header->code, result);
    }
};
