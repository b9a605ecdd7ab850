// Internals of the simulated registry: the tree of keys and values, shared
// by the kernel's registry routines and the text format.
#pragma once

#include <wdm.h>

#include "names.h"

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

std::vector<std::wstring> SplitPath(const std::wstring& path);
// The components of an absolute path ("\Registry\...") after "Registry";
// false when the path does not start there.
bool SplitBelowRoot(const std::wstring& path, std::vector<std::wstring>* parts);
// The key `count` components below `key`, or null. Lock held.
std::shared_ptr<Key> Walk(std::shared_ptr<Key> key, const std::vector<std::wstring>& parts, size_t count);
// The key at the absolute path ("\Registry\..."), or null. Lock held.
std::shared_ptr<Key> Find(const std::wstring& path);
// Creates the key and any missing parents. Lock held.
std::shared_ptr<Key> CreatePath(const std::wstring& path);
void DeleteSubtree(const std::shared_ptr<Key>& key);

}  // namespace sim::registry_internal
