// In-memory registry with the semantics Windows NT (and Wine) show:
// case-insensitive, case-preserving names; subkeys in sorted order, values in
// creation order; a key with subkeys cannot be deleted; handles to a deleted
// key answer ERROR_KEY_DELETED. With QUENBUS_REGISTRY_FILE set, the store
// is that REGEDIT4 file, shared with other processes (see FileBacking).
#include "platform/emulation.h"
#include "platform/reg_file.h"
#include "text/text_compare.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

struct Key : std::enable_shared_from_this<Key> {
    std::string name;
    bool deleted = false;
    // Refuses writes of its values.
    bool readOnly = false;
    std::vector<Value> values;
    std::vector<std::shared_ptr<Key>> subkeys;
};
using KeyPtr = std::shared_ptr<Key>;

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

struct Root {
    HKEY handle;
    KeyPtr key;
};

struct Registry {
    Root roots[3] = {{HKEY_CURRENT_USER, nullptr}, {HKEY_LOCAL_MACHINE, nullptr}, {HKEY_DYN_DATA, nullptr}};
    std::map<uintptr_t, KeyPtr> handles;
    uintptr_t nextHandle = 0x1000;

    Registry() { Reset(); }

    void Reset()
    {
        handles.clear();
        for (Root& root : roots)
            root.key = std::make_shared<Key>();
    }

    Key* RootKey(HKEY hkey) const
    {
        for (const Root& root : roots) {
            if (root.handle == hkey)
                return root.key.get();
        }
        return nullptr;
    }

    // The key of a handle; the store keeps it alive until the handle closes.
    LONG Resolve(HKEY hkey, Key*& out) const
    {
        if (Key* root = RootKey(hkey)) {
            out = root;
            return ERROR_SUCCESS;
        }
        auto handle = handles.find(reinterpret_cast<uintptr_t>(hkey));
        if (handle == handles.end())
            return ERROR_INVALID_HANDLE;
        if (handle->second->deleted)
            return ERROR_KEY_DELETED;
        out = handle->second.get();
        return ERROR_SUCCESS;
    }

    HKEY NewHandle(Key* key)
    {
        uintptr_t id = nextHandle;
        nextHandle += 4;
        handles.emplace(id, key->shared_from_this());
        return reinterpret_cast<HKEY>(id);
    }
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

// The file behind the store. Before a call the store takes the file in again
// when it has changed since it was last read or written, provided no key is
// open; after each change the whole store is written back (through a
// temporary file, so that readers never see half of it).
class FileBacking {
public:
    void Refresh()
    {
        // While a key is open the store stays as it is: no need to look further.
        if (busy_ || !TheRegistry().handles.empty())
            return;
        const char* path = std::getenv(kPlatformRegistryFileVariable);
        if (!path || !*path)
            return;
        if (path == path_ && StampOf(path) == stamp_)
            return;
        busy_ = true;
        TheRegistry().Reset();
        std::string error;
        if (StampOf(path).exists && !RegLoadFile(path, &error))
            std::fprintf(stderr, "registry: %s\n", error.c_str());
        path_ = path;
        stamp_ = StampOf(path);
        busy_ = false;
    }

    void Save()
    {
        const char* path = std::getenv(kPlatformRegistryFileVariable);
        if (busy_ || path_.empty() || !path || path != path_)
            return;
        busy_ = true;
        std::string text = "REGEDIT4\n";
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_DYN_DATA})
            RegExportKey(root, "", text);
        std::string temporary = path_ + ".tmp";
        std::ofstream(temporary, std::ios::binary | std::ios::trunc) << text;
        if (std::rename(temporary.c_str(), path_.c_str()) != 0)
            std::fprintf(stderr, "registry: cannot write %s\n", path_.c_str());
        stamp_ = StampOf(path_.c_str());
        busy_ = false;
    }

    // The store is emptied: the file is read again before the next call.
    void Forget() { path_.clear(); }

private:
    struct Stamp {
        bool exists = false;
        long long seconds = 0;
        long nanoseconds = 0;
        long long size = 0;
        unsigned long long inode = 0;
        bool operator==(const Stamp& other) const
        {
            return exists == other.exists && seconds == other.seconds && nanoseconds == other.nanoseconds &&
                   size == other.size && inode == other.inode;
        }
    };

    static Stamp StampOf(const char* path)
    {
        Stamp stamp;
        struct stat info;
        if (stat(path, &info) == 0) {
            stamp.exists = true;
            stamp.seconds = info.st_mtim.tv_sec;
            stamp.nanoseconds = info.st_mtim.tv_nsec;
            stamp.size = info.st_size;
            stamp.inode = info.st_ino;
        }
        return stamp;
    }

    std::string path_;
    Stamp stamp_;
    bool busy_ = false;
};

FileBacking& TheFile()
{
    static FileBacking file;
    return file;
}

// Every call begins here: the store takes in a changed file.
Registry& Store()
{
    TheFile().Refresh();
    return TheRegistry();
}

std::vector<KeyPtr>::iterator FindSubkeySlot(Key& key, const std::string& name)
{
    return std::lower_bound(key.subkeys.begin(), key.subkeys.end(), name,
                            [](const KeyPtr& k, const std::string& n) { return CompareNoCase(k->name, n) < 0; });
}

Value* FindValue(Key& key, const char* name)
{
    std::string wanted = name ? name : "";
    for (Value& value : key.values) {
        if (EqualNoCase(value.name, wanted))
            return &value;
    }
    return nullptr;
}

// The length of a relative path without its trailing backslash, which is
// allowed; 0 when a part of it is empty.
size_t CheckedPathLength(const char* path)
{
    size_t length = std::strlen(path);
    if (length && path[length - 1] == '\\')
        --length;
    if (length == 0 || path[0] == '\\' || path[length - 1] == '\\')
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if (path[i] == '\\' && path[i - 1] == '\\')
            return 0;
    }
    return length;
}

// Walks the first `length` characters of a checked path down from `from`.
LONG Walk(Key* from, const char* path, size_t length, bool create, Key*& out, bool* created = nullptr)
{
    Key* current = from;
    std::string part;
    for (size_t start = 0; start < length;) {
        const void* stop = std::memchr(path + start, '\\', length - start);
        size_t end = stop ? static_cast<size_t>(static_cast<const char*>(stop) - path) : length;
        part.assign(path + start, end - start);
        auto slot = FindSubkeySlot(*current, part);
        if (slot == current->subkeys.end() || !EqualNoCase((*slot)->name, part)) {
            if (!create)
                return ERROR_FILE_NOT_FOUND;
            slot = current->subkeys.insert(slot, std::make_shared<Key>());
            (*slot)->name = part;
            if (created)
                *created = true;
        }
        current = slot->get();
        start = end + 1;
    }
    out = current;
    return ERROR_SUCCESS;
}

LONG Walk(Key* from, const char* path, bool create, Key*& out, bool* created = nullptr)
{
    size_t length = CheckedPathLength(path);
    return length ? Walk(from, path, length, create, out, created) : ERROR_BAD_PATHNAME;
}

LONG OpenOrCreate(HKEY hkey, LPCSTR subKey, PHKEY result, bool create)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    Registry& registry = Store();
    Key* key = nullptr;
    LONG rc = registry.Resolve(hkey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (!subKey || !*subKey) {
        // RegOpenKeyA hands back the caller's own handle; RegCreateKeyA opens a new one.
        *result = create ? registry.NewHandle(key) : hkey;
        return ERROR_SUCCESS;
    }
    Key* target = nullptr;
    bool created = false;
    rc = Walk(key, subKey, create, target, &created);
    if (rc != ERROR_SUCCESS)
        return rc;
    *result = registry.NewHandle(target);
    if (created)
        TheFile().Save();
    return ERROR_SUCCESS;
}

} // namespace

void PlatformResetRegistry()
{
    TheRegistry().Reset();
    TheFile().Forget();
}

size_t PlatformOpenKeyCount()
{
    return TheRegistry().handles.size();
}

bool PlatformSetKeyReadOnly(HKEY root, const char* path, bool readOnly)
{
    Key* from = nullptr;
    Key* key = nullptr;
    if (Store().Resolve(root, from) != ERROR_SUCCESS || Walk(from, path, false, key) != ERROR_SUCCESS)
        return false;
    key->readOnly = readOnly;
    return true;
}

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    return OpenOrCreate(key, subKey, result, false);
}

LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    return OpenOrCreate(key, subKey, result, true);
}

LONG RegCloseKey(HKEY key)
{
    Registry& registry = TheRegistry();
    if (registry.RootKey(key))
        return ERROR_SUCCESS;
    return registry.handles.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExA(HKEY hkey, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size)
{
    Key* key = nullptr;
    LONG rc = Store().Resolve(hkey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    const Value* value = FindValue(*key, name);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    DWORD length = static_cast<DWORD>(value->data.size());
    if (data) {
        if (*size < length) {
            *size = length;
            return ERROR_MORE_DATA;
        }
        if (length)
            std::memcpy(data, value->data.data(), length);
        // An unterminated string gets a NUL when the buffer has room for it.
        if (IsStringType(value->type) && length && data[length - 1] && length < *size)
            data[length] = 0;
    }
    if (size)
        *size = length;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hkey, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    Key* key = nullptr;
    LONG rc = Store().Resolve(hkey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (key->readOnly)
        return ERROR_ACCESS_DENIED;
    if (!data && size)
        return 998; // ERROR_NOACCESS
    // NT counts a forgotten terminator when it follows the data.
    if (IsStringType(type) && size && data[size - 1] && !data[size])
        ++size;
    std::vector<BYTE> bytes(data, data + size);
    Value* value = FindValue(*key, name);
    if (value) {
        value->type = type;
        value->data = bytes;
    } else {
        key->values.push_back(Value{name ? name : "", type, bytes});
    }
    TheFile().Save();
    return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY hkey, LPCSTR name)
{
    Key* key = nullptr;
    LONG rc = Store().Resolve(hkey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (key->readOnly)
        return ERROR_ACCESS_DENIED;
    Value* value = FindValue(*key, name);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    key->values.erase(key->values.begin() + (value - key->values.data()));
    TheFile().Save();
    return ERROR_SUCCESS;
}

LONG RegEnumKeyExA(HKEY hkey, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPSTR className,
                   LPDWORD classLength, PFILETIME lastWrite)
{
    Key* key = nullptr;
    LONG rc = Store().Resolve(hkey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (!nameLength)
        return ERROR_INVALID_PARAMETER;
    if (index >= key->subkeys.size())
        return ERROR_NO_MORE_ITEMS;
    const std::string& found = key->subkeys[index]->name;
    if (!name || found.size() >= *nameLength)
        return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameLength = static_cast<DWORD>(found.size());
    if (className && classLength && *classLength)
        className[0] = '\0';
    if (classLength)
        *classLength = 0;
    if (lastWrite)
        *lastWrite = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD capacity)
{
    DWORD length = capacity;
    return RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValueA(HKEY hkey, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD size)
{
    Key* key = nullptr;
    LONG rc = Store().Resolve(hkey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (!nameLength || (data && !size))
        return ERROR_INVALID_PARAMETER;
    if (index >= key->values.size())
        return ERROR_NO_MORE_ITEMS;
    const Value& value = key->values[index];
    if (!name || value.name.size() >= *nameLength)
        return ERROR_MORE_DATA;
    DWORD length = static_cast<DWORD>(value.data.size());
    if (data && *size < length) {
        *size = length;
        return ERROR_MORE_DATA;
    }
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameLength = static_cast<DWORD>(value.name.size());
    if (type)
        *type = value.type;
    if (data && length)
        std::memcpy(data, value.data.data(), length);
    if (size)
        *size = length;
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY hkey, LPCSTR subKey)
{
    if (!subKey)
        return ERROR_INVALID_PARAMETER;
    Key* key = nullptr;
    LONG rc = Store().Resolve(hkey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (!*subKey)
        return ERROR_ACCESS_DENIED;
    size_t length = CheckedPathLength(subKey);
    if (length == 0)
        return ERROR_BAD_PATHNAME;
    // The parent is the path up to the last part.
    size_t last = length;
    while (last > 0 && subKey[last - 1] != '\\')
        --last;
    Key* parent = key;
    if (last > 0 && Walk(key, subKey, last - 1, false, parent) != ERROR_SUCCESS)
        return ERROR_FILE_NOT_FOUND;
    std::string name(subKey + last, length - last);
    auto slot = FindSubkeySlot(*parent, name);
    if (slot == parent->subkeys.end() || !EqualNoCase((*slot)->name, name))
        return ERROR_FILE_NOT_FOUND;
    if (!(*slot)->subkeys.empty())
        return ERROR_ACCESS_DENIED;
    (*slot)->deleted = true;
    parent->subkeys.erase(slot);
    TheFile().Save();
    return ERROR_SUCCESS;
}
