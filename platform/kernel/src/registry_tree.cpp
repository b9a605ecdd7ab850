#include "registry_tree.h"

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

bool SplitBelowRoot(const std::wstring& path, std::vector<std::wstring>* parts)
{
    *parts = SplitPath(path);
    if (parts->empty() || Lower(parts->front()) != L"registry") {
        return false;
    }
    parts->erase(parts->begin());
    return true;
}

std::shared_ptr<Key> Walk(std::shared_ptr<Key> key, const std::vector<std::wstring>& parts, size_t count)
{
    for (size_t i = 0; i < count && key != nullptr; ++i) {
        auto sub = key->subkeys.find(Lower(parts[i]));
        key = sub == key->subkeys.end() ? nullptr : sub->second;
    }
    return key;
}

std::shared_ptr<Key> Find(const std::wstring& path)
{
    std::vector<std::wstring> parts;
    if (!SplitBelowRoot(path, &parts)) {
        return nullptr;
    }
    return Walk(Root(), parts, parts.size());
}

std::shared_ptr<Key> CreatePath(const std::wstring& path)
{
    std::vector<std::wstring> parts;
    if (!SplitBelowRoot(path, &parts)) {
        return nullptr;
    }
    std::shared_ptr<Key> key = Root();
    for (const std::wstring& part : parts) {
        auto& slot = key->subkeys[Lower(part)];
        if (slot == nullptr) {
            slot = std::make_shared<Key>();
            slot->name = part;
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
