#include "option_values.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "command_error.h"

namespace {

using vastum::UsageError;

TEST(OptionValues, well_formed_values_are_taken_exactly)
{
    EXPECT_EQ(vastum::ParseChannelMask("0x3F"), 0x3Fu);
    EXPECT_EQ(vastum::ParseChannelMask("0X60f"), 0x60Fu);
    EXPECT_EQ(vastum::ParseChannelMask("3"), 0x3u);
    EXPECT_EQ(vastum::ParseChannelMask("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(vastum::ParseSeed("0"), 0u);
    EXPECT_EQ(vastum::ParseSeed("4294967295"), 4294967295u);
    EXPECT_EQ(vastum::ParseBufferFrames("1"), 1u);
    EXPECT_EQ(vastum::ParseBufferFrames("480"), 480u);
    EXPECT_EQ(vastum::ParseBufferFrames(std::to_string(vastum::kMaxBufferFrames)), vastum::kMaxBufferFrames);
}

TEST(OptionValues, malformed_values_are_refused_naming_the_option)
{
    struct MalformedCase {
        std::function<void(std::string_view)> parse;
        const char* text;
        const char* option;
    };
    const auto mask = [](std::string_view text) { vastum::ParseChannelMask(text); };
    const auto seed = [](std::string_view text) { vastum::ParseSeed(text); };
    const auto frames = [](std::string_view text) { vastum::ParseBufferFrames(text); };
    const MalformedCase cases[] = {
        {mask, "", "--mask"},          {mask, "0x", "--mask"},         {mask, "0x1FFFFFFFF", "--mask"},
        {mask, "3G", "--mask"},        {mask, "-3", "--mask"},         {mask, " 3", "--mask"},
        {seed, "", "--seed"},          {seed, "-1", "--seed"},         {seed, "4294967296", "--seed"},
        {seed, "1.5", "--seed"},       {frames, "0", "--buffer-frames"}, {frames, "-480", "--buffer-frames"},
        {frames, "1048577", "--buffer-frames"}, {frames, "480x", "--buffer-frames"},
    };
    for (const MalformedCase& c : cases) {
        try {
            c.parse(c.text);
            ADD_FAILURE() << c.option << " '" << c.text << "' was accepted";
        } catch (const UsageError& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(std::string(c.option) + " '" + c.text + "'"))
                << error.what();
        }
    }
}

}  // namespace
