// Internals of the simulated registry: the tree of keys and values, shared
// by the kernel's registry routines and the text format.
#pragma once

#include <wdm.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sim::registry_internal {

struct Value {
    std::wstring name;
    ULONG type;
    std::vector<std::uint8_t> data;
};

struct Key {
    std::wstring name;
    Key* parent = nullptr;
    bool isVolatile = false;
    bool deleted = false;
    std::map<std::wstring, std::shared_ptr<Key>> subkeys;  // by lower-case name
    std::vector<Value> values;                             // in the order they were first set

    Value* FindValue(const std::wstring& valueName);
    std::wstring Path() const;
};

std::mutex& Lock();
std::shared_ptr<Key>& Root();  // "\Registry"

std::wstring Lower(const std::wstring& text);
std::vector<std::wstring> SplitPath(const std::wstring& path);
// The key at the absolute path ("\Registry\..."), or null. Lock held.
std::shared_ptr<Key> Find(const std::wstring& path);
// Creates the key and any missing parents. Lock held.
std::shared_ptr<Key> CreatePath(const std::wstring& path);
void DeleteSubtree(const std::shared_ptr<Key>& key);

}  // namespace sim::registry_internal
