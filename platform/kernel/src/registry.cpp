// The registry routines of the kernel over the simulated registry tree.

#include <iterator>
#include <new>

#include "names.h"
#include "object_manager.h"
#include "object_types.h"
#include "registry_tree.h"
#include "sim/registry.h"

namespace {

using sim::registry_internal::Key;
using sim::registry_internal::Value;
using sim::registry_internal::Walk;
using sim::registry::Operation;
using sim::FromUnicodeString;

struct KeyBody {
    std::shared_ptr<Key> key;
};

struct Faults {
    std::mutex lock;
    std::map<Operation, std::pair<std::uint32_t, NTSTATUS>> pending;
};

Faults& FaultPlan()
{
    static Faults faults;
    return faults;
}

NTSTATUS InjectedFailure(Operation operation)
{
    Faults& faults = FaultPlan();
    std::lock_guard<std::mutex> guard(faults.lock);
    auto pending = faults.pending.find(operation);
    if (pending == faults.pending.end() || pending->second.first == 0) {
        return STATUS_SUCCESS;
    }
    pending->second.first -= 1;
    return pending->second.second;
}

// The key behind a handle, referenced for the caller. The Zw routines are
// kernel code's entry points, which the platform runs with KernelMode as
// the previous mode, also in a thread that entered the kernel from a client
// (a driver reading its settings while it dispatches a client's create).
NTSTATUS KeyFromHandle(HANDLE handle, std::shared_ptr<Key>* key)
{
    PVOID object = nullptr;
    NTSTATUS status = ObReferenceObjectByHandle(handle, 0, sim::KeyObjectType(), KernelMode, &object, nullptr);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    *key = static_cast<KeyBody*>(object)->key;
    ObfDereferenceObject(object);
    return STATUS_SUCCESS;
}

NTSTATUS MakeKeyHandle(const std::shared_ptr<Key>& key, ACCESS_MASK access, ULONG attributes, PHANDLE handle)
{
    auto* body = static_cast<KeyBody*>(sim::ob::CreateObject(sim::KeyObjectType(), sizeof(KeyBody)));
    if (body == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    new (body) KeyBody{key};
    sim::ob::InsertHandle(body, access, attributes, handle);
    ObfDereferenceObject(body);
    return STATUS_SUCCESS;
}

// The key behind a handle for one operation, unless a test planned the
// operation's failure.
NTSTATUS KeyForOperation(Operation operation, HANDLE handle, std::shared_ptr<Key>* key)
{
    NTSTATUS status = InjectedFailure(operation);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    return KeyFromHandle(handle, key);
}

// The parent key and the path below it that the object attributes name,
// unless a test planned the operation's failure.
NTSTATUS ResolveStart(Operation operation, POBJECT_ATTRIBUTES attributes, std::shared_ptr<Key>* start,
                      std::wstring* relative)
{
    NTSTATUS status = InjectedFailure(operation);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const std::wstring name = FromUnicodeString(attributes->ObjectName);
    if (attributes->RootDirectory != nullptr) {
        status = KeyFromHandle(attributes->RootDirectory, start);
        if (!NT_SUCCESS(status)) {
            return status;
        }
        if (!name.empty() && name[0] == L'\\') {
            return STATUS_OBJECT_PATH_SYNTAX_BAD;
        }
        *relative = name;
        return STATUS_SUCCESS;
    }
    const std::wstring prefix = L"\\registry";
    if (sim::Lower(name.substr(0, prefix.size())) != prefix ||
        (name.size() > prefix.size() && name[prefix.size()] != L'\\')) {
        return STATUS_OBJECT_PATH_SYNTAX_BAD;
    }
    *start = sim::registry_internal::Root();
    *relative = name.size() > prefix.size() ? name.substr(prefix.size() + 1) : L"";
    return STATUS_SUCCESS;
}

}  // namespace

namespace sim::registry_internal {

void DeleteKeyObject(PVOID body)
{
    static_cast<KeyBody*>(body)->~KeyBody();
}

}  // namespace sim::registry_internal

namespace sim::registry {

void FailNext(Operation operation, std::uint32_t count, NTSTATUS status)
{
    Faults& faults = FaultPlan();
    std::lock_guard<std::mutex> guard(faults.lock);
    faults.pending[operation] = {count, status};
}

void ClearFaults()
{
    Faults& faults = FaultPlan();
    std::lock_guard<std::mutex> guard(faults.lock);
    faults.pending.clear();
}

}  // namespace sim::registry

NTSYSAPI NTSTATUS NTAPI ZwOpenKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess, POBJECT_ATTRIBUTES ObjectAttributes)
{
    *KeyHandle = nullptr;
    std::shared_ptr<Key> start;
    std::wstring relative;
    NTSTATUS status = ResolveStart(Operation::OpenKey, ObjectAttributes, &start, &relative);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    std::shared_ptr<Key> key;
    {
        std::lock_guard<std::mutex> guard(sim::registry_internal::Lock());
        if (start->deleted) {
            return STATUS_KEY_DELETED;
        }
        const auto parts = sim::registry_internal::SplitPath(relative);
        key = Walk(start, parts, parts.size());
    }
    if (key == nullptr) {
        return STATUS_OBJECT_NAME_NOT_FOUND;
    }
    return MakeKeyHandle(key, DesiredAccess, ObjectAttributes->Attributes, KeyHandle);
}

NTSYSAPI NTSTATUS NTAPI ZwCreateKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess, POBJECT_ATTRIBUTES ObjectAttributes,
                                    ULONG TitleIndex, PUNICODE_STRING Class, ULONG CreateOptions, PULONG Disposition)
{
    (void)TitleIndex;
    (void)Class;
    *KeyHandle = nullptr;
    std::shared_ptr<Key> start;
    std::wstring relative;
    NTSTATUS status = ResolveStart(Operation::CreateKey, ObjectAttributes, &start, &relative);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    std::shared_ptr<Key> key;
    ULONG disposition = REG_OPENED_EXISTING_KEY;
    {
        std::lock_guard<std::mutex> guard(sim::registry_internal::Lock());
        if (start->deleted) {
            return STATUS_KEY_DELETED;
        }
        const auto parts = sim::registry_internal::SplitPath(relative);
        if (parts.empty()) {
            key = start;
        } else {
            std::shared_ptr<Key> parent = Walk(start, parts, parts.size() - 1);
            if (parent == nullptr) {
                return STATUS_OBJECT_NAME_NOT_FOUND;  // only the last component is created
            }
            const std::wstring lower = sim::Lower(parts.back());
            auto existing = parent->subkeys.find(lower);
            if (existing != parent->subkeys.end()) {
                key = existing->second;
            } else {
                if (parent->isVolatile && !(CreateOptions & REG_OPTION_VOLATILE)) {
                    return STATUS_CHILD_MUST_BE_VOLATILE;
                }
                key = std::make_shared<Key>();
                key->name = parts.back();
                key->parent = parent.get();
                key->isVolatile = (CreateOptions & REG_OPTION_VOLATILE) != 0;
                parent->subkeys[lower] = key;
                disposition = REG_CREATED_NEW_KEY;
            }
        }
    }
    if (Disposition != nullptr) {
        *Disposition = disposition;
    }
    return MakeKeyHandle(key, DesiredAccess, ObjectAttributes->Attributes, KeyHandle);
}

NTSYSAPI NTSTATUS NTAPI ZwDeleteKey(HANDLE KeyHandle)
{
    std::shared_ptr<Key> key;
    NTSTATUS status = KeyForOperation(Operation::DeleteKey, KeyHandle, &key);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    std::lock_guard<std::mutex> guard(sim::registry_internal::Lock());
    if (key->deleted) {
        return STATUS_KEY_DELETED;
    }
    if (!key->subkeys.empty()) {
        return STATUS_CANNOT_DELETE;
    }
    if (key->parent == nullptr) {
        return STATUS_ACCESS_DENIED;
    }
    key->deleted = true;
    key->parent->subkeys.erase(sim::Lower(key->name));
    key->parent = nullptr;
    return STATUS_SUCCESS;
}

NTSYSAPI NTSTATUS NTAPI ZwSetValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName, ULONG TitleIndex, ULONG Type,
                                      PVOID Data, ULONG DataSize)
{
    (void)TitleIndex;
    std::shared_ptr<Key> key;
    NTSTATUS status = KeyForOperation(Operation::SetValue, KeyHandle, &key);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const std::wstring name = FromUnicodeString(ValueName);
    std::vector<std::uint8_t> data(static_cast<const std::uint8_t*>(Data),
                                   static_cast<const std::uint8_t*>(Data) + (Data != nullptr ? DataSize : 0));
    std::lock_guard<std::mutex> guard(sim::registry_internal::Lock());
    if (key->deleted) {
        return STATUS_KEY_DELETED;
    }
    if (Value* value = key->FindValue(name)) {
        value->type = Type;
        value->data = std::move(data);
    } else {
        key->values.push_back(Value{name, Type, std::move(data)});
    }
    return STATUS_SUCCESS;
}

NTSYSAPI NTSTATUS NTAPI ZwQueryValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName,
                                        KEY_VALUE_INFORMATION_CLASS KeyValueInformationClass,
                                        PVOID KeyValueInformation, ULONG Length, PULONG ResultLength)
{
    *ResultLength = 0;
    std::shared_ptr<Key> key;
    NTSTATUS status = KeyForOperation(Operation::QueryValue, KeyHandle, &key);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    std::lock_guard<std::mutex> guard(sim::registry_internal::Lock());
    if (key->deleted) {
        return STATUS_KEY_DELETED;
    }
    const Value* value = key->FindValue(FromUnicodeString(ValueName));
    if (value == nullptr) {
        return STATUS_OBJECT_NAME_NOT_FOUND;
    }
    const ULONG dataLength = static_cast<ULONG>(value->data.size());
    const ULONG nameLength = static_cast<ULONG>(value->name.size() * sizeof(WCHAR));
    auto* out = static_cast<UCHAR*>(KeyValueInformation);
    ULONG fixed = 0;
    ULONG needed = 0;
    switch (KeyValueInformationClass) {
    case KeyValuePartialInformation:
        fixed = FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data);
        needed = fixed + dataLength;
        break;
    case KeyValueBasicInformation:
        fixed = FIELD_OFFSET(KEY_VALUE_BASIC_INFORMATION, Name);
        needed = fixed + nameLength;
        break;
    case KeyValueFullInformation:
        fixed = FIELD_OFFSET(KEY_VALUE_FULL_INFORMATION, Name);
        needed = fixed + nameLength + dataLength;
        break;
    default:
        return STATUS_INVALID_PARAMETER;
    }
    *ResultLength = needed;
    if (Length < fixed) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    switch (KeyValueInformationClass) {
    case KeyValuePartialInformation: {
        auto* info = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(out);
        info->TitleIndex = 0;
        info->Type = value->type;
        info->DataLength = dataLength;
        if (Length < needed) {
            return STATUS_BUFFER_OVERFLOW;
        }
        memcpy(out + fixed, value->data.data(), dataLength);
        break;
    }
    case KeyValueBasicInformation: {
        auto* info = reinterpret_cast<PKEY_VALUE_BASIC_INFORMATION>(out);
        info->TitleIndex = 0;
        info->Type = value->type;
        info->NameLength = nameLength;
        if (Length < needed) {
            return STATUS_BUFFER_OVERFLOW;
        }
        memcpy(out + fixed, value->name.data(), nameLength);
        break;
    }
    default: {
        auto* info = reinterpret_cast<PKEY_VALUE_FULL_INFORMATION>(out);
        info->TitleIndex = 0;
        info->Type = value->type;
        info->DataOffset = fixed + nameLength;
        info->DataLength = dataLength;
        info->NameLength = nameLength;
        if (Length < needed) {
            return STATUS_BUFFER_OVERFLOW;
        }
        memcpy(out + fixed, value->name.data(), nameLength);
        memcpy(out + fixed + nameLength, value->data.data(), dataLength);
        break;
    }
    }
    return STATUS_SUCCESS;
}

NTSYSAPI NTSTATUS NTAPI ZwDeleteValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName)
{
    std::shared_ptr<Key> key;
    NTSTATUS status = KeyForOperation(Operation::DeleteValue, KeyHandle, &key);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    std::lock_guard<std::mutex> guard(sim::registry_internal::Lock());
    if (key->deleted) {
        return STATUS_KEY_DELETED;
    }
    const Value* value = key->FindValue(FromUnicodeString(ValueName));
    if (value == nullptr) {
        return STATUS_OBJECT_NAME_NOT_FOUND;
    }
    key->values.erase(key->values.begin() + (value - key->values.data()));
    return STATUS_SUCCESS;
}

NTSYSAPI NTSTATUS NTAPI ZwEnumerateKey(HANDLE KeyHandle, ULONG Index, KEY_INFORMATION_CLASS KeyInformationClass,
                                       PVOID KeyInformation, ULONG Length, PULONG ResultLength)
{
    if (KeyInformationClass != KeyBasicInformation) {
        return STATUS_INVALID_PARAMETER;
    }
    std::shared_ptr<Key> key;
    NTSTATUS status = KeyFromHandle(KeyHandle, &key);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    std::lock_guard<std::mutex> guard(sim::registry_internal::Lock());
    if (Index >= key->subkeys.size()) {
        return STATUS_NO_MORE_ENTRIES;
    }
    auto sub = key->subkeys.begin();
    std::advance(sub, Index);
    const std::wstring& name = sub->second->name;
    const ULONG fixed = FIELD_OFFSET(KEY_BASIC_INFORMATION, Name);
    const ULONG nameLength = static_cast<ULONG>(name.size() * sizeof(WCHAR));
    *ResultLength = fixed + nameLength;
    if (Length < fixed) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    auto* info = static_cast<PKEY_BASIC_INFORMATION>(KeyInformation);
    info->LastWriteTime.QuadPart = 0;
    info->TitleIndex = 0;
    info->NameLength = nameLength;
    if (Length < fixed + nameLength) {
        return STATUS_BUFFER_OVERFLOW;
    }
    memcpy(info->Name, name.data(), nameLength);
    return STATUS_SUCCESS;
}
