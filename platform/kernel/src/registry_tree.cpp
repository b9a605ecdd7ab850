#include "registry_tree.h"

#include <cwctype>

namespace sim::registry_internal {

Value* Key::FindValue(const std::wstring& valueName)
{
    const std::wstring lower = Lower(valueName);
    for (Value& value : values) {
        if (Lower(value.name) == lower) {
            return &value;
        }
    }
    return nullptr;
}

std::wstring Key::Path() const
{
    return parent == nullptr ? L"\\" + name : parent->Path() + L"\\" + name;
}

std::mutex& Lock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<Key>& Root()
{
    static std::shared_ptr<Key> root = [] {
        auto key = std::make_shared<Key>();
        key->name = L"Registry";
        for (const wchar_t* hive : {L"Machine", L"User"}) {
            auto sub = std::make_shared<Key>();
            sub->name = hive;
            sub->parent = key.get();
            key->subkeys[Lower(hive)] = sub;
        }
        return key;
    }();
    return root;
}

std::wstring Lower(const std::wstring& text)
{
    std::wstring lower = text;
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return lower;
}

std::vector<std::wstring> SplitPath(const std::wstring& path)
{
    std::vector<std::wstring> parts;
    std::wstring part;
    for (wchar_t c : path) {
        if (c == L'\\') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

std::shared_ptr<Key> Find(const std::wstring& path)
{
    const auto parts = SplitPath(path);
    if (parts.empty() || Lower(parts[0]) != L"registry") {
        return nullptr;
    }
    std::shared_ptr<Key> key = Root();
    for (size_t i = 1; i < parts.size() && key != nullptr; ++i) {
        auto sub = key->subkeys.find(Lower(parts[i]));
        key = sub == key->subkeys.end() ? nullptr : sub->second;
    }
    return key;
}

std::shared_ptr<Key> CreatePath(const std::wstring& path)
{
    const auto parts = SplitPath(path);
    if (parts.empty() || Lower(parts[0]) != L"registry") {
        return nullptr;
    }
    std::shared_ptr<Key> key = Root();
    for (size_t i = 1; i < parts.size(); ++i) {
        auto& slot = key->subkeys[Lower(parts[i])];
        if (slot == nullptr) {
            slot = std::make_shared<Key>();
            slot->name = parts[i];
            slot->parent = key.get();
            slot->isVolatile = key->isVolatile;
        }
        key = slot;
    }
    return key;
}

void DeleteSubtree(const std::shared_ptr<Key>& key)
{
    for (auto& sub : key->subkeys) {
        sub.second->parent = nullptr;
        DeleteSubtree(sub.second);
    }
    key->subkeys.clear();
    key->deleted = true;
    if (key->parent != nullptr) {
        key->parent->subkeys.erase(Lower(key->name));
        key->parent = nullptr;
    }
}

}  // namespace sim::registry_internal
