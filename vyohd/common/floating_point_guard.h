#pragma once

#include <wdm.h>

// Brackets floating-point work outside the audio path: saves the state when
// constructed and restores it when it goes out of scope, only if the save
// succeeded. Callers check Status() and do no float work after a failure.
class FloatingPointGuard {
public:
    FloatingPointGuard() : m_Status(KeSaveFloatingPointState(&m_Save)) {}

    ~FloatingPointGuard()
    {
        if (NT_SUCCESS(m_Status)) {
            KeRestoreFloatingPointState(&m_Save);
        }
    }

    NTSTATUS Status() const { return m_Status; }

    FloatingPointGuard(const FloatingPointGuard&) = delete;
    FloatingPointGuard& operator=(const FloatingPointGuard&) = delete;

private:
    KFLOATING_SAVE m_Save;
    NTSTATUS m_Status;
};
