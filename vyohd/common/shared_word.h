// A parameter, or a reference into a constant coefficient table, that a
// setter stores on one thread while the audio path reads it on another,
// without a lock. Each one is a single aligned word stored and loaded whole,
// so a reader sees either the old or the new value, never a torn mix; there
// is no ordering between words (a block may see some parameters old and
// some new, which the engines allow).
//
// Both types are trivial, so records holding them can live in pool memory
// that their owner initializes field by field.
#pragma once

#include <wdm.h>

// A 32-bit value: a float, LONG or ULONG parameter.
template <typename T>
struct SharedWord {
    static_assert(sizeof(T) == sizeof(LONG), "a shared word is 32 bits wide");

    LONG volatile bits;

    T Load() const
    {
        const LONG word = ReadNoFence(&bits);
        T value;
        RtlCopyMemory(&value, &word, sizeof(value));
        return value;
    }

    void Store(T value)
    {
        LONG word;
        RtlCopyMemory(&word, &value, sizeof(word));
        WriteNoFence(&bits, word);
    }
};

// A reference to a row of a constant table.
template <typename T>
struct SharedPointer {
    PVOID volatile pointer;

    const T* Load() const { return static_cast<const T*>(ReadPointerNoFence(&pointer)); }

    void Store(const T* value) { WritePointerNoFence(&pointer, const_cast<T*>(value)); }
};
