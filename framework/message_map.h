// Message maps: static tables that route a control's notification to a
// handler. The first entry that matches wins; an entry whose control is
// kAnyControl matches that code from every control, so it goes after the
// entries of single controls. A lookup that finds nothing leaves the message
// to default handling.
#pragma once

#include "platform/win32.h"

#include <cstddef>

struct tagNMHDR;

// The control of an entry that takes its code from every control.
const int kAnyControl = -1;

template <class T> struct CommandEntry {
    int id;
    int code;
    void (T::*handler)();
};

template <class T> struct NotifyEntry {
    int idFrom;
    unsigned code;
    // Returns the notification's result.
    LRESULT (T::*handler)(const tagNMHDR* header);
};

// A class's two tables; either may be empty.
template <class T> struct MessageMap {
    const CommandEntry<T>* commands;
    size_t commandCount;
    const NotifyEntry<T>* notifications;
    size_t notificationCount;
};

template <class T, size_t C> constexpr MessageMap<T> MakeMessageMap(const CommandEntry<T> (&commands)[C])
{
    return {commands, C, nullptr, 0};
}

template <class T, size_t C, size_t N>
constexpr MessageMap<T> MakeMessageMap(const CommandEntry<T> (&commands)[C], const NotifyEntry<T> (&notifications)[N])
{
    return {commands, C, notifications, N};
}

// Runs the handler of (id, code) on `object`; false when the map has none.
template <class T> bool DispatchCommand(const MessageMap<T>& map, T* object, int id, int code)
{
    for (size_t i = 0; i < map.commandCount; ++i) {
        const CommandEntry<T>& entry = map.commands[i];
        if ((entry.id == id || entry.id == kAnyControl) && entry.code == code) {
            (object->*entry.handler)();
            return true;
        }
    }
    return false;
}

// Runs the handler of (idFrom, code) on `object` and gives its result; false
// (and `result` untouched) when the map has none.
template <class T>
bool DispatchNotify(const MessageMap<T>& map, T* object, const tagNMHDR* header, int idFrom, unsigned code,
                    LRESULT& result)
{
    for (size_t i = 0; i < map.notificationCount; ++i) {
        const NotifyEntry<T>& entry = map.notifications[i];
        if ((entry.idFrom == idFrom || entry.idFrom == kAnyControl) && entry.code == code) {
            result = (object->*entry.handler)(header);
            return true;
        }
    }
    return false;
}
