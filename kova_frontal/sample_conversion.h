// Conversions between interleaved PCM samples and normalized floats (full
// scale +-1.0), one small type per sample width.
//
// Outgoing values are clamped to +-1.0 before they are scaled, so nothing
// wraps around. A NaN (which only a broken parameter or float input can
// produce) is written as silence: converting it to an integer would be
// undefined, and a full-scale click is the worst answer there is.
#pragma once

#include <wdm.h>

inline float ClampToFullScale(float x)
{
    if (x >= 1.0f) {
        return 1.0f;
    }
    if (x <= -1.0f) {
        return -1.0f;
    }
    if (x != x) {
        return 0.0f;
    }
    return x;
}

// 8 bits, unsigned with 128 as zero. Full-scale negative gives 1, not 0.
struct Pcm8 {
    static constexpr ULONG kBytes = 1;

    static float ToFloat(const UCHAR* sample)
    {
        return (static_cast<float>(sample[0]) - 128.0f) * 0.0078125f;
    }

    static void FromFloat(float x, UCHAR* sample)
    {
        sample[0] = static_cast<UCHAR>(static_cast<LONG>(ClampToFullScale(x) * 127.0f + 128.0f));
    }
};

// 16 bits, signed little-endian.
struct Pcm16 {
    static constexpr ULONG kBytes = 2;

    static float ToFloat(const UCHAR* sample)
    {
        const SHORT value = static_cast<SHORT>(sample[0] | (sample[1] << 8));
        return static_cast<float>(value) / 32768.0f;
    }

    static void FromFloat(float x, UCHAR* sample)
    {
        const LONG value = static_cast<LONG>(ClampToFullScale(x) * 32767.0f);
        sample[0] = static_cast<UCHAR>(value);
        sample[1] = static_cast<UCHAR>(value >> 8);
    }
};

// 24 bits, signed, packed in three bytes, least significant first.
struct Pcm24 {
    static constexpr ULONG kBytes = 3;
    static constexpr float kToFloat = 1.0f / 8388608.0f;  // 2^-23

    static float ToFloat(const UCHAR* sample)
    {
        const ULONG raw = static_cast<ULONG>(sample[0]) | static_cast<ULONG>(sample[1]) << 8 |
                          static_cast<ULONG>(sample[2]) << 16;
        // Sign-extend from bit 23.
        const LONG value = static_cast<LONG>(raw ^ 0x800000u) - 0x800000;
        return static_cast<float>(value) * kToFloat;
    }

    static void FromFloat(float x, UCHAR* sample)
    {
        const LONG value = static_cast<LONG>(ClampToFullScale(x) * 8388607.0f);
        sample[0] = static_cast<UCHAR>(value);
        sample[1] = static_cast<UCHAR>(value >> 8);
        sample[2] = static_cast<UCHAR>(value >> 16);
    }
};

// 32 bits, signed little-endian. Both directions go through double: in
// single precision 2147483647.0 rounds up to 2^31, so +1.0 would overflow.
struct Pcm32 {
    static constexpr ULONG kBytes = 4;

    static float ToFloat(const UCHAR* sample)
    {
        const LONG value = static_cast<LONG>(static_cast<ULONG>(sample[0]) | static_cast<ULONG>(sample[1]) << 8 |
                                             static_cast<ULONG>(sample[2]) << 16 |
                                             static_cast<ULONG>(sample[3]) << 24);
        return static_cast<float>(static_cast<double>(value) / 2147483648.0);
    }

    static void FromFloat(float x, UCHAR* sample)
    {
        const LONG value = static_cast<LONG>(static_cast<double>(ClampToFullScale(x)) * 2147483647.0);
        const ULONG bits = static_cast<ULONG>(value);
        sample[0] = static_cast<UCHAR>(bits);
        sample[1] = static_cast<UCHAR>(bits >> 8);
        sample[2] = static_cast<UCHAR>(bits >> 16);
        sample[3] = static_cast<UCHAR>(bits >> 24);
    }
};
