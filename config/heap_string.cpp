#include "config/heap_string.h"

#include <cstdio>
#include <cstring>
#include <new>

String::String()
{
    Alloc(0);
}

String::String(int characters)
{
    Alloc(characters + 1);
}

String::String(const char* text)
{
    Alloc(0);
    Assign(text);
}

String::~String()
{
    Free();
}

void String::Alloc(int count)
{
    if (data)
        return;
    if (count <= 0) {
        size = 0;
        return;
    }
    size = static_cast<unsigned>(count);
    data = new (std::nothrow) char[size];
    if (data)
        data[0] = '\0';
    else
        std::printf("String::Alloc( %u ) failed.\n", size);
}

void String::Assign(const char* text)
{
    Free();
    if (!text) {
        Alloc(0);
        return;
    }
    size_t length = std::strlen(text);
    Alloc(static_cast<int>(length + 1));
    if (data)
        std::memcpy(data, text, length + 1);
}

void String::Free()
{
    delete[] data;
    data = nullptr;
    size = 0;
}

int String::IsNull() const
{
    return data == nullptr;
}

int String::Clear()
{
    if (!data)
        return 0;
    data[0] = '\0';
    return 1;
}
