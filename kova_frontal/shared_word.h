// Parameter words that cross threads.
//
// The manager's setters store a parameter on a property or registry thread
// while a stream's processing reads it on the audio thread, without a lock.
// Each parameter is one 16- or 32-bit word, and every access to it is one
// indivisible access without ordering (ReadNoFence / WriteNoFence): a reader
// sees the old or the new value, never a torn one, and the compiler may not
// split, repeat or drop the access. A block can therefore see a mix of old
// and new parameters, but each of them whole.
#pragma once

#include <wdm.h>

// A 16-bit switch (Enable, Headphone, ...): zero is off.
struct SharedFlag {
    SHORT word;

    USHORT Read() const { return static_cast<USHORT>(ReadNoFence16(&word)); }
    void Write(USHORT value) { WriteNoFence16(&word, static_cast<SHORT>(value)); }
};

struct SharedLong {
    LONG word;

    LONG Read() const { return ReadNoFence(&word); }
    void Write(LONG value) { WriteNoFence(&word, value); }
    // Full barrier: stores `value` and returns what was there.
    LONG Exchange(LONG value) { return InterlockedExchange(&word, value); }
};

struct SharedULong {
    LONG word;

    ULONG Read() const { return static_cast<ULONG>(ReadNoFence(&word)); }
    void Write(ULONG value) { WriteNoFence(&word, static_cast<LONG>(value)); }
};

// A single-precision float kept as its 32 bits.
struct SharedFloat {
    LONG bits;

    float Read() const
    {
        const LONG word = ReadNoFence(&bits);
        float value;
        RtlCopyMemory(&value, &word, sizeof(value));
        return value;
    }

    void Write(float value)
    {
        LONG word;
        RtlCopyMemory(&word, &value, sizeof(word));
        WriteNoFence(&bits, word);
    }
};
