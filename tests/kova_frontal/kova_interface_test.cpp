// The filter driver calls the engine's operations by position, so the slot
// of every operation is part of the interface. Under the Itanium C++ ABI a
// pointer to a virtual member function holds 1 + the byte offset of its
// slot in the table; these tests read the slots from there.
#include <gtest/gtest.h>

#include <cstring>

#include "kova_interface.h"

namespace {

template <typename Method>
std::ptrdiff_t SlotOf(Method method)
{
    static_assert(sizeof(Method) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t raw[2];
    std::memcpy(raw, &method, sizeof(raw));
    return (raw[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

#define SLOT(Class, Method) {#Method, SlotOf(&Class::Method)}

struct Slot {
    const char* name;
    std::ptrdiff_t slot;
};

TEST(KOVAInterface, manager_operations_sit_at_their_positions_0_to_37)
{
    const Slot slots[] = {
        SLOT(KOVAManager, Destroy),              SLOT(KOVAManager, Release),
        SLOT(KOVAManager, CreateStream),         SLOT(KOVAManager, HandlePropertyRequest),
        SLOT(KOVAManager, GetEnable),            SLOT(KOVAManager, SetEnable),
        SLOT(KOVAManager, GetHeadphone),         SLOT(KOVAManager, SetHeadphone),
        SLOT(KOVAManager, GetKVHDMode),          SLOT(KOVAManager, SetKVHDMode),
        SLOT(KOVAManager, GetElevoEnable),       SLOT(KOVAManager, SetElevoEnable),
        SLOT(KOVAManager, GetElevoLevel),        SLOT(KOVAManager, SetElevoLevel),
        SLOT(KOVAManager, GetSubviaEnable),      SLOT(KOVAManager, SetSubviaEnable),
        SLOT(KOVAManager, GetSubviaLevel),       SLOT(KOVAManager, SetSubviaLevel),
        SLOT(KOVAManager, GetSubviaSize),        SLOT(KOVAManager, SetSubviaSize),
        SLOT(KOVAManager, GetInputGain),         SLOT(KOVAManager, SetInputGain),
        SLOT(KOVAManager, GetOutputGain),        SLOT(KOVAManager, SetOutputGain),
        SLOT(KOVAManager, GetOutputMode),        SLOT(KOVAManager, SetOutputMode),
        SLOT(KOVAManager, GetSubviaSubEnable),   SLOT(KOVAManager, SetSubviaSubEnable),
        SLOT(KOVAManager, GetSubviaSubSize),     SLOT(KOVAManager, SetSubviaSubSize),
        SLOT(KOVAManager, GetSubviaSubLevel),    SLOT(KOVAManager, SetSubviaSubLevel),
        SLOT(KOVAManager, GetSpeakerGroupGain),  SLOT(KOVAManager, SetSpeakerGroupGain),
        SLOT(KOVAManager, SaveSettings),         SLOT(KOVAManager, LoadSettings),
        SLOT(KOVAManager, GetCrossoverSelect),   SLOT(KOVAManager, SetCrossoverSelect),
    };
    ASSERT_EQ(std::size(slots), 38u);
    for (std::size_t position = 0; position < std::size(slots); ++position) {
        EXPECT_EQ(slots[position].slot, static_cast<std::ptrdiff_t>(position)) << slots[position].name;
    }
}

TEST(KOVAInterface, stream_operations_sit_at_their_positions_0_to_5)
{
    const Slot slots[] = {
        SLOT(KOVAStream, Destroy),      SLOT(KOVAStream, Release),        SLOT(KOVAStream, SetFormat),
        SLOT(KOVAStream, ProcessFloat), SLOT(KOVAStream, ProcessInPlace), SLOT(KOVAStream, ResetState),
    };
    for (std::size_t position = 0; position < std::size(slots); ++position) {
        EXPECT_EQ(slots[position].slot, static_cast<std::ptrdiff_t>(position)) << slots[position].name;
    }
}

}  // namespace
