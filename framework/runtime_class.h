// Runtime class names, and creation of an object by its class name.
#pragma once

class CObject;

class RuntimeClass {
public:
    typedef CObject* (*Factory)();

    // Registers the class; `factory` may be null for classes not created by name.
    RuntimeClass(const char* name, Factory factory);
    RuntimeClass(const RuntimeClass&) = delete;
    RuntimeClass& operator=(const RuntimeClass&) = delete;

    const char* Name() const { return name_; }
    // A new object of the class registered under `name`, or null.
    static CObject* CreateByName(const char* name);

private:
    const char* name_;
    Factory factory_;
    const RuntimeClass* next_;
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const RuntimeClass& GetRuntimeClass() const = 0;
};
