// The KS headers as kernel-mode code sees them: GUIDs with the bytes the
// platform keeps in memory, control codes with their published numbers.
// (Sizes and field offsets are asserted where the structures are declared;
// including drmk.h here compiles those asserts in a kernel-mode unit.)

#include <gtest/gtest.h>
#include <wdm.h>

#include <drmk.h>
#include <ks.h>
#include <ksmedia.h>

#include <cstring>
#include <vector>

namespace {

struct GuidBytes {
    const char* name;
    const GUID* guid;
    std::vector<unsigned char> bytes;
};

TEST(KsHeaders, guids_hold_the_bytes_the_platform_keeps_in_memory)
{
    const GuidBytes cases[] = {
        {"KSDATAFORMAT_SUBTYPE_PCM", &KSDATAFORMAT_SUBTYPE_PCM,
         {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}},
        {"KSDATAFORMAT_TYPE_AUDIO", &KSDATAFORMAT_TYPE_AUDIO,
         {0x61, 0x75, 0x64, 0x73, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}},
        {"KSPROPSETID_Pin", &KSPROPSETID_Pin,
         {0x60, 0x49, 0x13, 0x8C, 0xAD, 0x51, 0xCF, 0x11, 0x87, 0x8A, 0x94, 0xF8, 0x01, 0xC1, 0x00, 0x00}},
        {"KSPROPSETID_Connection", &KSPROPSETID_Connection,
         {0x20, 0xC9, 0x58, 0x1D, 0x9B, 0xAC, 0xCF, 0x11, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00}},
        {"KSPROPSETID_Audio", &KSPROPSETID_Audio,
         {0xA0, 0xAA, 0xFF, 0x45, 0x1B, 0x6E, 0xD0, 0x11, 0xBC, 0xF2, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}},
        {"KSDATAFORMAT_SPECIFIER_DSOUND", &KSDATAFORMAT_SPECIFIER_DSOUND,
         {0xA2, 0x90, 0x85, 0x51, 0x84, 0xA1, 0xD0, 0x11, 0x85, 0x22, 0x00, 0xC0, 0x4F, 0xD9, 0xBA, 0xF3}},
        {"KSCATEGORY_RENDER", &KSCATEGORY_RENDER,
         {0x3E, 0x77, 0xE8, 0x65, 0x56, 0x8F, 0xD0, 0x11, 0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> memory(16);
        std::memcpy(memory.data(), c.guid, 16);
        EXPECT_EQ(memory, c.bytes) << c.name;
    }
}

TEST(KsHeaders, control_codes_and_statuses_have_their_published_numbers)
{
    EXPECT_EQ(IOCTL_KS_PROPERTY, 0x2F0003u);
    EXPECT_EQ(IOCTL_KS_WRITE_STREAM, 0x2F8013u);
    EXPECT_EQ(IOCTL_KS_READ_STREAM, 0x2F4017u);
    EXPECT_EQ(static_cast<ULONG>(STATUS_PROPSET_NOT_FOUND), 0xC0000230u);
    EXPECT_EQ(KSSTREAM_HEADER_OPTIONSF_LOOPEDDATA, 0x80000000u);
    EXPECT_EQ(static_cast<int>(KSPROPERTY_PIN_INTERFACES), 5);
    EXPECT_EQ(static_cast<int>(KSPROPERTY_PIN_DATAINTERSECTION), 4);
    EXPECT_EQ(static_cast<int>(KSPROPERTY_CONNECTION_DATAFORMAT), 2);
}

TEST(KsHeaders, the_create_item_is_kept_where_kernel_streaming_keeps_it)
{
    IRP irp{};
    KSOBJECT_CREATE_ITEM item{};
    KSCREATE_ITEM_IRP_STORAGE(&irp) = &item;
    EXPECT_EQ(irp.Tail.Overlay.DriverContext[0], &item);
}

}  // namespace
