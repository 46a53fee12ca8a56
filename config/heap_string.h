// String: an owned heap text, `data` and its allocated `size` in bytes.
#pragma once

class String {
public:
    char* data = nullptr;
    unsigned size = 0;

    String();
    explicit String(int characters);
    explicit String(const char* text);
    ~String();
    String(const String&) = delete;
    String& operator=(const String&) = delete;

    // Only for a String that holds no buffer. Prints a diagnostic on failure.
    void Alloc(int count);
    void Assign(const char* text);
    void Free();
    int IsNull() const;
    int Clear();
};
