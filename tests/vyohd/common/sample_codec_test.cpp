// The PCM conversions both engines use.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "sample_codec.h"

namespace {

template <typename Codec>
std::int64_t Encode(float x)
{
    UCHAR bytes[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    Codec::FromFloat(x, bytes);
    for (ULONG i = Codec::kBytes; i < 4; ++i) {
        EXPECT_EQ(bytes[i], 0xEE) << "wrote past the sample";
    }
    std::uint32_t word = 0;
    for (ULONG i = 0; i < Codec::kBytes; ++i) {
        word |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    }
    if (Codec::kBytes == 1) {
        return word;  // unsigned
    }
    const unsigned bits = 8 * Codec::kBytes;
    const std::int64_t sign = std::int64_t{1} << (bits - 1);
    return static_cast<std::int64_t>(word) - ((word & sign) ? (sign << 1) : 0);
}

template <typename Codec>
float Decode(std::uint32_t word)
{
    UCHAR bytes[4];
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<UCHAR>(word >> (8 * i));
    }
    return Codec::ToFloat(bytes);
}

TEST(SampleCodec, integers_to_floats)
{
    EXPECT_EQ(Decode<Pcm8>(0), -1.0f);
    EXPECT_EQ(Decode<Pcm8>(128), 0.0f);
    EXPECT_EQ(Decode<Pcm8>(255), 0.9921875f);
    EXPECT_EQ(Decode<Pcm16>(0x8000), -1.0f);
    EXPECT_EQ(Decode<Pcm16>(0x7FFF), 32767.0f / 32768.0f);
    EXPECT_EQ(Decode<Pcm16>(0xFFFF), -1.0f / 32768.0f);
    // 24-bit samples are sign-extended from bit 23; the fourth byte is not read.
    EXPECT_EQ(Decode<Pcm24>(0xAB800000), -1.0f);
    EXPECT_EQ(Decode<Pcm24>(0x00FFFFFF), -1.0f / 8388608.0f);
    EXPECT_EQ(Decode<Pcm24>(0xFF7FFFFF), 8388607.0f / 8388608.0f);
    EXPECT_EQ(Decode<Pcm24>(0x00000001), 1.0f / 8388608.0f);
    EXPECT_EQ(Decode<Pcm32>(0x80000000), -1.0f);
    EXPECT_EQ(Decode<Pcm32>(0xC0000000), -0.5f);
    EXPECT_EQ(Decode<Pcm32>(0x7FFFFFFF), 1.0f);  // 2147483647 / 2^31 rounds to 1.0f
}

TEST(SampleCodec, floats_to_integers_truncate_and_clamp)
{
    struct Case {
        std::string what;
        std::int64_t got;
        std::int64_t expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {"8-bit +1.0", Encode<Pcm8>(1.0f), 255},
        {"8-bit -1.0 gives 1, not 0", Encode<Pcm8>(-1.0f), 1},
        {"8-bit below full scale", Encode<Pcm8>(-3.0f), 1},
        {"8-bit silence", Encode<Pcm8>(0.0f), 128},
        {"8-bit truncates", Encode<Pcm8>(0.5f), 191},  // 63.5 + 128
        {"16-bit +1.0", Encode<Pcm16>(1.0f), 32767},
        {"16-bit -1.0", Encode<Pcm16>(-1.0f), -32767},
        {"16-bit above full scale", Encode<Pcm16>(3.0f), 32767},
        {"16-bit negative half truncates toward zero", Encode<Pcm16>(-0.5f), -16383},
        {"16-bit truncates toward zero", Encode<Pcm16>(-1.9f / 32767.0f), -1},
        {"24-bit above full scale", Encode<Pcm24>(1.5f), 8388607},
        {"24-bit below full scale", Encode<Pcm24>(-1.5f), -8388607},
        {"24-bit -1.0", Encode<Pcm24>(-1.0f), -8388607},
        {"24-bit negative half", Encode<Pcm24>(-0.5f), -4194303},
        {"32-bit +1.0 does not overflow", Encode<Pcm32>(1.0f), 2147483647},
        {"32-bit -1.0", Encode<Pcm32>(-1.0f), -2147483647},
        {"32-bit above full scale", Encode<Pcm32>(7.0f), 2147483647},
        {"32-bit infinity", Encode<Pcm32>(infinity), 2147483647},
        {"32-bit largest float below 1", Encode<Pcm32>(std::nextafter(1.0f, 0.0f)), 2147483519},
        {"a NaN leaves as silence", Encode<Pcm16>(nan), 0},
        {"an 8-bit NaN leaves as silence", Encode<Pcm8>(nan), 128},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got, c.expected) << c.what;
    }
}

TEST(SampleCodec, every_16_bit_value_survives_a_round_trip_at_unity)
{
    // x / 32768 x 32767 loses less than one step; truncation toward zero
    // moves every nonzero value one step toward zero at most.
    for (std::int32_t v = -32768; v <= 32767; ++v) {
        const std::int64_t back = Encode<Pcm16>(Decode<Pcm16>(static_cast<std::uint16_t>(v)));
        ASSERT_LE(std::abs(back - v), 1) << v;
        ASSERT_LE(std::abs(back), std::abs(static_cast<std::int64_t>(v))) << v;
    }
}

}  // namespace
