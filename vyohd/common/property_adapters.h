// The property value adapters: each serves one engine parameter through its
// getter and setter on the engine's interface, converting between the
// 32-bit wire value of a KS property request and the parameter. A request
// is a get when KSPROPERTY_TYPE_GET is set in its Flags, otherwise a set.
// Gets always succeed; a set returns the setter's status, which refuses an
// out-of-range value with STATUS_INVALID_PARAMETER and changes nothing.
//
// `data` is the request's captured value buffer, at least 4 bytes.
// PASSIVE_LEVEL (setters wait on the engine's mutex).
#pragma once

#include <wdm.h>

#include <ks.h>

#include "floating_point_guard.h"
#include "property_value.h"

// 0 or 1 on the wire; a set passes 1 for any nonzero value.
template <typename Object, typename Flag>
NTSTATUS BoolPropertyAdapter(const KSPROPERTY* property, PVOID data, Object* object,
                             BOOLEAN (NTAPI Object::*get)(), NTSTATUS (NTAPI Object::*set)(Flag))
{
    if (IsGetRequest(property)) {
        WriteWireValue(data, static_cast<UCHAR>((object->*get)()));
        return STATUS_SUCCESS;
    }
    return (object->*set)(static_cast<Flag>(ReadWireValue(data) != 0 ? 1 : 0));
}

// The 32-bit value unchanged, both ways.
template <typename Object, typename Value>
NTSTATUS IntPropertyAdapter(const KSPROPERTY* property, PVOID data, Object* object, Value (NTAPI Object::*get)(),
                            NTSTATUS (NTAPI Object::*set)(Value))
{
    static_assert(sizeof(Value) == sizeof(ULONG), "an integer property is 32 bits wide");
    if (IsGetRequest(property)) {
        WriteWireValue(data, static_cast<ULONG>((object->*get)()));
        return STATUS_SUCCESS;
    }
    return (object->*set)(static_cast<Value>(ReadWireValue(data)));
}

// A level in whole percent (value x 100). Float work outside the audio
// path: when the floating-point state cannot be saved, that status is
// returned and nothing else happens. An engine whose percent is computed
// otherwise passes its own pair of conversions.
template <typename Object, LONG (*ToPercent)(float) = PercentFromLevel, float (*FromPercent)(ULONG) = LevelFromPercent>
NTSTATUS PercentPropertyAdapter(const KSPROPERTY* property, PVOID data, Object* object, float (NTAPI Object::*get)(),
                                NTSTATUS (NTAPI Object::*set)(float))
{
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return floatingPoint.Status();
    }
    if (IsGetRequest(property)) {
        WriteWireValue(data, static_cast<ULONG>(ToPercent((object->*get)())));
        return STATUS_SUCCESS;
    }
    return (object->*set)(FromPercent(ReadWireValue(data)));
}

// A linear gain in whole decibels, -20..6, or -999 for a gain of 0. Any
// other value is refused here, before the setter sees it. An engine may
// pass its own decibel-to-gain conversion for the same scale.
template <typename Object, BOOLEAN (*FromDecibels)(LONG, float*) = GainFromDecibels>
NTSTATUS DecibelPropertyAdapter(const KSPROPERTY* property, PVOID data, Object* object, float (NTAPI Object::*get)(),
                                NTSTATUS (NTAPI Object::*set)(float))
{
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return floatingPoint.Status();
    }
    if (IsGetRequest(property)) {
        WriteWireValue(data, static_cast<ULONG>(DecibelsFromGain((object->*get)())));
        return STATUS_SUCCESS;
    }
    float gain;
    if (!FromDecibels(static_cast<LONG>(ReadWireValue(data)), &gain)) {
        return STATUS_INVALID_PARAMETER;
    }
    return (object->*set)(gain);
}
