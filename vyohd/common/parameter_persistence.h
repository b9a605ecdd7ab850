// Table-driven saving and loading of an engine's parameters: one table of
// {registry value name, getter, setter} rows of the engine's interface,
// walked by one loop, in table order. Loaded values go through the setters,
// so they are validated exactly as any other change; a value the setter
// refuses leaves the parameter as it was.
//
// PASSIVE_LEVEL. The key handle stays the caller's; write failures are not
// reported (the next save writes again).
#pragma once

#include <wdm.h>

#include "floating_point_guard.h"
#include "registry_values.h"

// A switch stored as REG_DWORD 0 or 1. Flag is the setter's argument type.
template <typename Object, typename Flag>
struct BoolParameter {
    PCWSTR name;
    BOOLEAN (NTAPI Object::*get)();
    NTSTATUS (NTAPI Object::*set)(Flag);
};

// A level or gain stored as the float's 4 bytes in REG_BINARY.
template <typename Object>
struct FloatParameter {
    PCWSTR name;
    float (NTAPI Object::*get)();
    NTSTATUS (NTAPI Object::*set)(float);
};

// A 32-bit integer stored as REG_DWORD. An engine's integer getters and
// setters take LONG or ULONG, so a row holds accessors that see the value as
// the 32 bits it is: DwordGetter<&Interface::GetX>, DwordSetter<&Interface::SetX>.
template <typename Object>
struct DwordParameter {
    PCWSTR name;
    ULONG (*get)(Object* object);
    NTSTATUS (*set)(Object* object, ULONG value);
};

template <typename Member>
struct MemberOf;
template <typename Object, typename Value>
struct MemberOf<Value (NTAPI Object::*)()> {
    using ObjectType = Object;
};
template <typename Object, typename Value>
struct MemberOf<NTSTATUS (NTAPI Object::*)(Value)> {
    using ObjectType = Object;
    using ValueType = Value;
};

template <auto Get>
ULONG DwordGetter(typename MemberOf<decltype(Get)>::ObjectType* object)
{
    static_assert(sizeof((object->*Get)()) == sizeof(ULONG), "a REG_DWORD parameter is 32 bits wide");
    return static_cast<ULONG>((object->*Get)());
}

template <auto Set>
NTSTATUS DwordSetter(typename MemberOf<decltype(Set)>::ObjectType* object, ULONG value)
{
    using Value = typename MemberOf<decltype(Set)>::ValueType;
    static_assert(sizeof(Value) == sizeof(ULONG), "a REG_DWORD parameter is 32 bits wide");
    return (object->*Set)(static_cast<Value>(value));
}

// Writes each getter's low byte.
template <typename Object, typename Flag>
VOID SaveBoolParameters(HANDLE key, Object* object, const BoolParameter<Object, Flag>* table, ULONG count)
{
    for (ULONG row = 0; row < count; ++row) {
        const UCHAR flag = static_cast<UCHAR>((object->*table[row].get)());
        WriteRegistryDword(key, table[row].name, flag);
    }
}

// Passes 0 or 1 to the setter for each value that is found.
template <typename Object, typename Flag>
VOID LoadBoolParameters(HANDLE key, Object* object, const BoolParameter<Object, Flag>* table, ULONG count)
{
    for (ULONG row = 0; row < count; ++row) {
        UCHAR flag = 0;
        if (ReadRegistryBool(key, table[row].name, &flag)) {
            (object->*table[row].set)(static_cast<Flag>(flag));
        }
    }
}

template <typename Object>
VOID SaveDwordParameters(HANDLE key, Object* object, const DwordParameter<Object>* table, ULONG count)
{
    for (ULONG row = 0; row < count; ++row) {
        WriteRegistryDword(key, table[row].name, table[row].get(object));
    }
}

template <typename Object>
VOID LoadDwordParameters(HANDLE key, Object* object, const DwordParameter<Object>* table, ULONG count)
{
    for (ULONG row = 0; row < count; ++row) {
        ULONG value;
        if (ReadRegistryDword(key, table[row].name, &value)) {
            table[row].set(object, value);
        }
    }
}

// Floats travel through the floating-point unit, so the whole walk is
// bracketed by a save of its state; when that save fails, no float is
// written.
template <typename Object>
VOID SaveFloatParameters(HANDLE key, Object* object, const FloatParameter<Object>* table, ULONG count)
{
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return;
    }
    for (ULONG row = 0; row < count; ++row) {
        WriteRegistryFloat(key, table[row].name, (object->*table[row].get)());
    }
}

// As SaveFloatParameters: when the floating-point state cannot be saved, no
// float is loaded.
template <typename Object>
VOID LoadFloatParameters(HANDLE key, Object* object, const FloatParameter<Object>* table, ULONG count)
{
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return;
    }
    for (ULONG row = 0; row < count; ++row) {
        float value;
        if (ReadRegistryFloat(key, table[row].name, &value)) {
            (object->*table[row].set)(value);
        }
    }
}

// An engine's whole set: its switches, then its levels and gains, then its
// integer choices, each table in its own order.
template <typename Object, typename Flag, ULONG Switches, ULONG Levels, ULONG Choices>
VOID SaveParameters(HANDLE key, Object* object, const BoolParameter<Object, Flag> (&switches)[Switches],
                    const FloatParameter<Object> (&levels)[Levels], const DwordParameter<Object> (&choices)[Choices])
{
    SaveBoolParameters(key, object, switches, Switches);
    SaveFloatParameters(key, object, levels, Levels);
    SaveDwordParameters(key, object, choices, Choices);
}

template <typename Object, typename Flag, ULONG Switches, ULONG Levels, ULONG Choices>
VOID LoadParameters(HANDLE key, Object* object, const BoolParameter<Object, Flag> (&switches)[Switches],
                    const FloatParameter<Object> (&levels)[Levels], const DwordParameter<Object> (&choices)[Choices])
{
    LoadBoolParameters(key, object, switches, Switches);
    LoadFloatParameters(key, object, levels, Levels);
    LoadDwordParameters(key, object, choices, Choices);
}
