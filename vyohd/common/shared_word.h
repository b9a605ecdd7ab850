// A parameter, or a reference into a constant coefficient table, that a
// setter stores on one thread while the audio path reads it on another,
// without a lock. Each one is a single aligned word stored and loaded whole
// (ReadNoFence / WriteNoFence), so a reader sees either the old or the new
// value, never a torn mix, and the compiler may not split, repeat or drop
// the access; there is no ordering between words (a block may see some
// parameters old and some new, which the engines allow).
//
// Both engines keep their parameters this way: 32-bit words for floats,
// LONG and ULONG values, 16-bit words for the KOVA switches, whose
// parameter record holds them as 16-bit fields.
//
// All types are trivial, so records holding them can live in pool memory
// that their owner initializes field by field.
#pragma once

#include <wdm.h>

// The machine word that holds a value of `Bytes` bytes, and its accesses.
template <ULONG Bytes>
struct SharedWordStorage;

template <>
struct SharedWordStorage<2> {
    using Word = SHORT;
    static Word Read(Word const volatile* word) { return ReadNoFence16(word); }
    static void Write(Word volatile* word, Word value) { WriteNoFence16(word, value); }
};

template <>
struct SharedWordStorage<4> {
    using Word = LONG;
    static Word Read(Word const volatile* word) { return ReadNoFence(word); }
    static void Write(Word volatile* word, Word value) { WriteNoFence(word, value); }
};

// A 16-bit value (USHORT, SHORT) or a 32-bit one (float, LONG, ULONG).
template <typename T>
struct SharedWord {
    using Storage = SharedWordStorage<sizeof(T)>;
    using Word = typename Storage::Word;

    Word volatile bits;

    T Load() const
    {
        const Word word = Storage::Read(&bits);
        T value;
        RtlCopyMemory(&value, &word, sizeof(value));
        return value;
    }

    void Store(T value)
    {
        Word word;
        RtlCopyMemory(&word, &value, sizeof(word));
        Storage::Write(&bits, word);
    }

    // Full barrier: stores `value` and returns what was there. 32-bit
    // words only, as the platform's InterlockedExchange.
    T Exchange(T value)
    {
        Word word;
        RtlCopyMemory(&word, &value, sizeof(word));
        const Word previous = InterlockedExchange(&bits, word);
        T result;
        RtlCopyMemory(&result, &previous, sizeof(result));
        return result;
    }
};

// A 16-bit switch (the KOVA engine's Enable, Headphone, ...): zero is off.
using SharedFlag = SharedWord<USHORT>;

// A reference to a row of a constant table.
template <typename T>
struct SharedPointer {
    PVOID volatile pointer;

    const T* Load() const { return static_cast<const T*>(ReadPointerNoFence(&pointer)); }

    void Store(const T* value) { WritePointerNoFence(&pointer, const_cast<T*>(value)); }
};
