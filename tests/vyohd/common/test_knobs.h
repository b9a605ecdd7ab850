// A small object with one parameter of each kind, in the shape of an
// engine's interface: getters and validating setters that count their calls.
#pragma once

#include <wdm.h>

struct TestKnobs {
    UCHAR flag = 1;
    float level = 0.5f;  // 0 .. 1
    float gain = 1.0f;   // 0 .. 2
    ULONG size = 3;      // 0 .. 7
    int getterCalls = 0;
    int setterCalls = 0;

    BOOLEAN NTAPI GetFlag() { return ++getterCalls, flag; }
    NTSTATUS NTAPI SetFlag(UCHAR value)
    {
        ++setterCalls;
        flag = value;
        return STATUS_SUCCESS;
    }
    float NTAPI GetLevel() { return ++getterCalls, level; }
    NTSTATUS NTAPI SetLevel(float value) { return Store(&level, value, 1.0f); }
    float NTAPI GetGain() { return ++getterCalls, gain; }
    NTSTATUS NTAPI SetGain(float value) { return Store(&gain, value, 2.0f); }
    ULONG NTAPI GetSize() { return ++getterCalls, size; }
    NTSTATUS NTAPI SetSize(ULONG value)
    {
        ++setterCalls;
        if (value > 7) {
            return STATUS_INVALID_PARAMETER;
        }
        size = value;
        return STATUS_SUCCESS;
    }

private:
    NTSTATUS Store(float* field, float value, float maximum)
    {
        ++setterCalls;
        if (!(value >= 0.0f && value <= maximum)) {
            return STATUS_INVALID_PARAMETER;
        }
        *field = value;
        return STATUS_SUCCESS;
    }
};
