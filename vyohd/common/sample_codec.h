// Conversions between interleaved PCM samples and the engines' normalized
// floats (full scale +-1.0), one codec per sample width; both engines
// convert alike. Samples are little-endian at any byte address; 8-bit
// samples are unsigned with 128 as zero, the others signed (24-bit packed in
// three bytes).
//
// Real-time code.
#pragma once

#include <wdm.h>

// 1.0 at or above full scale, -1.0 at or below, the value itself between.
// A NaN would make the integer conversions undefined; it leaves as silence.
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

// Samples are stored least significant byte first; writing goes through an
// unsigned word so negative values need no signed shifts.
inline void StoreLittleEndian(UCHAR* p, LONG value, ULONG bytes)
{
    const ULONG word = static_cast<ULONG>(value);
    for (ULONG i = 0; i < bytes; ++i) {
        p[i] = static_cast<UCHAR>(word >> (8 * i));
    }
}

struct Pcm8 {
    static constexpr ULONG kBytes = 1;
    static constexpr float kFullScale = 128.0f;  // 2^(bits - 1), for the float path

    static float ToFloat(const UCHAR* p) { return static_cast<float>(static_cast<LONG>(p[0]) - 128) * 0.0078125f; }

    // Full-scale negative gives 1, not 0: the scale is 127 either side of 128.
    static void FromFloat(float x, UCHAR* p)
    {
        const float scaled = ClampToFullScale(x) * 127.0f + 128.0f;
        p[0] = static_cast<UCHAR>(static_cast<LONG>(scaled));
    }
};

struct Pcm16 {
    static constexpr ULONG kBytes = 2;
    static constexpr float kFullScale = 32768.0f;

    static float ToFloat(const UCHAR* p)
    {
        const SHORT value = static_cast<SHORT>(static_cast<USHORT>(p[0] | p[1] << 8));
        return static_cast<float>(value) / 32768.0f;
    }

    static void FromFloat(float x, UCHAR* p)
    {
        const float scaled = ClampToFullScale(x) * 32767.0f;
        StoreLittleEndian(p, static_cast<LONG>(scaled), kBytes);
    }
};

struct Pcm24 {
    static constexpr ULONG kBytes = 3;
    static constexpr float kFullScale = 8388608.0f;

    // Sign-extended from bit 23, then scaled by 2^-23.
    static float ToFloat(const UCHAR* p)
    {
        LONG value = static_cast<LONG>(p[0] | p[1] << 8 | p[2] << 16);
        if (value & 0x800000) {
            value -= 0x1000000;
        }
        return static_cast<float>(value) * (1.0f / 8388608.0f);
    }

    static void FromFloat(float x, UCHAR* p)
    {
        const float scaled = ClampToFullScale(x) * 8388607.0f;
        StoreLittleEndian(p, static_cast<LONG>(scaled), kBytes);
    }
};

struct Pcm32 {
    static constexpr ULONG kBytes = 4;
    static constexpr float kFullScale = 2147483648.0f;

    static float ToFloat(const UCHAR* p)
    {
        const ULONG word = static_cast<ULONG>(p[0]) | static_cast<ULONG>(p[1]) << 8 |
                           static_cast<ULONG>(p[2]) << 16 | static_cast<ULONG>(p[3]) << 24;
        return static_cast<float>(static_cast<LONG>(word)) / 2147483648.0f;
    }

    // 2147483647 has no single-precision form: as a float it rounds to 2^31,
    // and full scale would overflow the integer. The product is formed in
    // double precision instead, so +1.0 gives 2147483647 and -1.0 gives
    // -2147483647.
    static void FromFloat(float x, UCHAR* p)
    {
        const double scaled = static_cast<double>(ClampToFullScale(x)) * 2147483647.0;
        StoreLittleEndian(p, static_cast<LONG>(scaled), kBytes);
    }
};
