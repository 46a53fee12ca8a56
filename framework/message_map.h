// Message maps: static tables that route a control's notification to a
// handler. A lookup that finds nothing leaves the message to default handling.
#pragma once

#include <cstddef>

struct tagNMHDR;

template <class T> struct CommandEntry {
    int id;
    int code;
    void (T::*handler)();
};

template <class T> struct NotifyEntry {
    int idFrom;
    unsigned code;
    // Returns the notification's result.
    long (T::*handler)(const tagNMHDR* header);
};

template <class Entry, size_t N> const Entry* FindEntry(const Entry (&table)[N], int id, int code)
{
    for (const Entry& entry : table) {
        if (entry.id == id && entry.code == code)
            return &entry;
    }
    return nullptr;
}

template <class Entry, size_t N> const Entry* FindNotifyEntry(const Entry (&table)[N], int idFrom, unsigned code)
{
    for (const Entry& entry : table) {
        if (entry.idFrom == idFrom && entry.code == code)
            return &entry;
    }
    return nullptr;
}

// Runs the handler of (id, code) on `object`; false when the table has none.
template <class T, size_t N> bool DispatchCommand(const CommandEntry<T> (&table)[N], T* object, int id, int code)
{
    const CommandEntry<T>* entry = FindEntry(table, id, code);
    if (!entry)
        return false;
    (object->*entry->handler)();
    return true;
}

template <class T, size_t N>
bool DispatchNotify(const NotifyEntry<T> (&table)[N], T* object, const tagNMHDR* header, int idFrom, unsigned code,
                    long& result)
{
    const NotifyEntry<T>* entry = FindNotifyEntry(table, idFrom, code);
    if (!entry)
        return false;
    result = (object->*entry->handler)(header);
    return true;
}
