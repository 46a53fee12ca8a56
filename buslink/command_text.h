// A command text on its way to an instrument: the transfers free it as soon
// as it has been sent, before any read or close.
#pragma once

class CommandText {
public:
    virtual ~CommandText() = default;
    virtual const char* Get() const = 0;
    virtual void Free() = 0;
};
