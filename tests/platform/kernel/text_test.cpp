#include <gtest/gtest.h>

#include "sim/text.h"

namespace {

TEST(MachineText, utf8_and_wchar_strings_convert_both_ways)
{
    const std::wstring wide = L"Caf\u00E9 \u266A \U0001F3B5 \\Registry";
    const std::string utf8 = "Caf\xC3\xA9 \xE2\x99\xAA \xF0\x9F\x8E\xB5 \\Registry";
    EXPECT_EQ(sim::Utf8FromWide(wide), utf8);
    std::wstring decoded;
    ASSERT_TRUE(sim::TryWideFromUtf8(utf8, &decoded));
    EXPECT_EQ(decoded, wide);
    EXPECT_EQ(sim::WideFromUtf8(utf8), wide);
}

TEST(MachineText, malformed_utf8_is_refused_or_replaced)
{
    const std::string cases[] = {
        "\x80",          // a continuation byte without a lead
        "ab\xC3",        // a sequence cut short at the end
        "\xE2\x28\xA1",  // a lead followed by a non-continuation
        "\xFF",          // never a lead byte
    };
    for (const std::string& text : cases) {
        std::wstring decoded;
        EXPECT_FALSE(sim::TryWideFromUtf8(text, &decoded)) << "bytes of length " << text.size();
        EXPECT_NE(sim::WideFromUtf8(text).find(wchar_t(0xFFFD)), std::wstring::npos);
    }
}

}  // namespace
