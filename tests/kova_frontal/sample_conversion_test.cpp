#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "sample_conversion.h"

namespace {

template <typename Pcm>
std::int64_t RoundTrip(float x)
{
    unsigned char bytes[4] = {};
    Pcm::FromFloat(x, bytes);
    std::int64_t value = 0;
    for (ULONG k = 0; k < Pcm::kBytes; ++k) {
        value |= std::int64_t(bytes[k]) << (8 * k);
    }
    // Sign-extend the signed widths.
    if (Pcm::kBytes > 1 && (value >> (8 * Pcm::kBytes - 1)) != 0) {
        value -= std::int64_t(1) << (8 * Pcm::kBytes);
    }
    return value;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

TEST(SampleConversion, outgoing_values_are_clamped_truncated_and_never_wrap)
{
    const struct {
        const char* name;
        std::int64_t (*convert)(float);
        float x;
        std::int64_t expected;
    } cases[] = {
        {"8-bit -1.0 gives 1", RoundTrip<Pcm8>, -1.0f, 1},
        {"8-bit 0 gives 128", RoundTrip<Pcm8>, 0.0f, 128},
        {"8-bit +1.0 gives 255", RoundTrip<Pcm8>, 1.0f, 255},
        {"8-bit 0.5 truncates", RoundTrip<Pcm8>, 0.5f, 191},
        {"16-bit +1.0", RoundTrip<Pcm16>, 1.0f, 32767},
        {"16-bit -1.0", RoundTrip<Pcm16>, -1.0f, -32767},
        {"16-bit above full scale", RoundTrip<Pcm16>, 3.0f, 32767},
        {"16-bit truncates toward zero", RoundTrip<Pcm16>, -0.5f, -16383},
        {"24-bit above full scale", RoundTrip<Pcm24>, 1.5f, 8388607},
        {"24-bit -1.0", RoundTrip<Pcm24>, -1.0f, -8388607},
        {"32-bit +1.0", RoundTrip<Pcm32>, 1.0f, 2147483647},
        {"32-bit -1.0", RoundTrip<Pcm32>, -1.0f, -2147483647},
        {"32-bit infinity", RoundTrip<Pcm32>, kInfinity, 2147483647},
        {"16-bit NaN is silence", RoundTrip<Pcm16>, kNaN, 0},
        {"8-bit NaN is silence", RoundTrip<Pcm8>, kNaN, 128},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.convert(c.x), c.expected) << c.name;
    }
}

TEST(SampleConversion, incoming_samples_are_scaled_to_full_scale)
{
    const unsigned char u8[] = {0, 128, 255};
    EXPECT_EQ(Pcm8::ToFloat(&u8[0]), -1.0f);
    EXPECT_EQ(Pcm8::ToFloat(&u8[1]), 0.0f);
    EXPECT_EQ(Pcm8::ToFloat(&u8[2]), 127.0f / 128.0f);

    const unsigned char s16[] = {0x00, 0x80, 0xFF, 0x7F};
    EXPECT_EQ(Pcm16::ToFloat(&s16[0]), -1.0f);
    EXPECT_EQ(Pcm16::ToFloat(&s16[2]), 32767.0f / 32768.0f);

    // 24 bits: sign-extended from bit 23.
    const unsigned char s24[] = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00};
    EXPECT_EQ(Pcm24::ToFloat(&s24[0]), -1.0f);
    EXPECT_EQ(Pcm24::ToFloat(&s24[3]), -1.0f / 8388608.0f);
    EXPECT_EQ(Pcm24::ToFloat(&s24[6]), 1.0f / 8388608.0f);

    const unsigned char s32[] = {0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(Pcm32::ToFloat(&s32[0]), -1.0f);
    EXPECT_EQ(Pcm32::ToFloat(&s32[4]), 1.0f);  // 2147483647 / 2^31 rounds to 1.0f
}

}  // namespace
