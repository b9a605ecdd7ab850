#include <gtest/gtest.h>

#include "rate_class.h"

namespace {

using namespace vyohd;

TEST(RateClass, each_bound_belongs_to_the_class_below_it)
{
    struct Case {
        ULONG samplesPerSec;
        ULONG classHz;
    };
    const Case cases[] = {
        {0, 8000},         {8000, 8000},      {9391, 8000},      {9392, 11025},    {13282, 11025},
        {13283, 16000},    {18783, 16000},    {18784, 22050},    {23004, 22050},   {23005, 24000},
        {27712, 24000},    {27713, 32000},    {37566, 32000},    {37567, 44100},   {44100, 44100},
        {46008, 44100},    {46009, 48000},    {67882, 48000},    {67883, 96000},   {200000, 96000},
        {0xFFFFFFFFu, 96000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kRateClassHz[SelectRateClass(c.samplesPerSec)], c.classHz) << c.samplesPerSec << " Hz";
    }
}

}  // namespace
