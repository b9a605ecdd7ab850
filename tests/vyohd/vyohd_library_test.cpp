// The deliverable as the filter driver meets it: a shared library loaded by
// name, five exports, and objects whose operations are called by position.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <elf.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "property_request.h"
#include "vyohd_properties.h"

namespace {

using namespace vyohd;

using LibraryTest = vyohd_test::EngineTest;

// The names of the functions and data a shared library defines and exports.
std::set<std::string> ExportedNames(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto* header = reinterpret_cast<const Elf64_Ehdr*>(image.data());
    const auto* sections = reinterpret_cast<const Elf64_Shdr*>(image.data() + header->e_shoff);
    std::set<std::string> names;
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM) {
            continue;
        }
        const char* strings = image.data() + sections[sections[i].sh_link].sh_offset;
        const auto* symbols = reinterpret_cast<const Elf64_Sym*>(image.data() + sections[i].sh_offset);
        const std::size_t count = sections[i].sh_size / sizeof(Elf64_Sym);
        for (std::size_t s = 0; s < count; ++s) {
            const int binding = ELF64_ST_BIND(symbols[s].st_info);
            const int visibility = ELF64_ST_VISIBILITY(symbols[s].st_other);
            if (symbols[s].st_shndx != SHN_UNDEF && (binding == STB_GLOBAL || binding == STB_WEAK) &&
                visibility == STV_DEFAULT) {
                names.insert(strings + symbols[s].st_name);
            }
        }
    }
    return names;
}

TEST_F(LibraryTest, exports_only_the_creators_and_the_load_and_unload_entries)
{
    const std::set<std::string> expected = {"CreateVYOHDManager", "CreateVYOHDManager2", "CreateVYOHDManager3",
                                            "DllInitialize", "DllUnload"};
    EXPECT_EQ(ExportedNames(VYOHD_LIBRARY_PATH), expected);
}

// Slot n of an object's table of operations, as the driver calls it.
template <typename Function>
Function Slot(void* object, int position)
{
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<Function>(table[position]);
}

TEST_F(LibraryTest, the_driver_finds_every_operation_at_its_position)
{
    void* library = dlopen(VYOHD_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    using Creator = void* (*)();
    for (const char* name : {"CreateVYOHDManager", "CreateVYOHDManager2", "CreateVYOHDManager3"}) {
        auto create = reinterpret_cast<Creator>(dlsym(library, name));
        ASSERT_NE(create, nullptr) << name;
        void* manager = create();
        ASSERT_NE(manager, nullptr) << name;

        EXPECT_EQ(Slot<BOOLEAN (*)(void*)>(manager, 4)(manager), 1) << "Enable";
        EXPECT_EQ(Slot<ULONG (*)(void*)>(manager, 6)(manager), 0u) << "QELSize";
        EXPECT_EQ(Slot<float (*)(void*)>(manager, 8)(manager), 0.4f) << "ELEVOLevel";
        EXPECT_EQ(Slot<float (*)(void*)>(manager, 10)(manager), 1.6f) << "NitidaLevel";
        EXPECT_EQ(Slot<float (*)(void*)>(manager, 12)(manager), 0.6f) << "SubviaLevel";
        EXPECT_EQ(Slot<ULONG (*)(void*)>(manager, 14)(manager), 0u) << "SubviaSize";
        EXPECT_EQ(Slot<float (*)(void*)>(manager, 16)(manager), 0.8f) << "QELWidth";
        EXPECT_EQ(Slot<float (*)(void*)>(manager, 18)(manager), 1.0f) << "InputGain";
        EXPECT_EQ(Slot<float (*)(void*)>(manager, 20)(manager), 1.0f) << "OutputGain";
        EXPECT_EQ(Slot<BOOLEAN (*)(void*)>(manager, 22)(manager), 1) << "LimiterEnable";
        EXPECT_EQ(Slot<float (*)(void*)>(manager, 24)(manager), 0.75f) << "LimiterLevel";
        EXPECT_EQ(Slot<float (*)(void*)>(manager, 26)(manager), 0.5f) << "CenterLevel";
        EXPECT_EQ(Slot<ULONG (*)(void*)>(manager, 28)(manager), 2u) << "QELMode";
        EXPECT_EQ(Slot<float (*)(void*)>(manager, 32)(manager), 0.5f) << "BypassGain";

        // Setters at odd positions; each one read back through its getter.
        EXPECT_EQ(Slot<NTSTATUS (*)(void*, ULONG)>(manager, 29)(manager, 4), STATUS_INVALID_PARAMETER);
        EXPECT_EQ(Slot<NTSTATUS (*)(void*, ULONG)>(manager, 15)(manager, 5), STATUS_SUCCESS);
        EXPECT_EQ(Slot<ULONG (*)(void*)>(manager, 14)(manager), 5u);
        EXPECT_EQ(Slot<NTSTATUS (*)(void*, float)>(manager, 33)(manager, 2.0f), STATUS_SUCCESS);
        EXPECT_EQ(Slot<float (*)(void*)>(manager, 32)(manager), 2.0f);
        EXPECT_EQ(Slot<NTSTATUS (*)(void*, UCHAR)>(manager, 5)(manager, 0), STATUS_SUCCESS);
        EXPECT_EQ(Slot<BOOLEAN (*)(void*)>(manager, 4)(manager), 0);
        // The property set at position 2; settings at 30 and 31, whose
        // registry failures (here: no key at all) are not reported.
        const KSPROPERTY get = ks_test::Property(KSPROPSETID_VYOHD, KSPROPERTY_VYOHD_SUBVIASIZE, KSPROPERTY_TYPE_GET);
        LONG size = 0;
        ks_test::PropertyIrp request(&get, sizeof get, &size, sizeof size);
        EXPECT_EQ(Slot<NTSTATUS (*)(void*, PIRP)>(manager, 2)(manager, request.Irp()), STATUS_SUCCESS);
        EXPECT_EQ(size, 5);
        EXPECT_EQ(Slot<NTSTATUS (*)(void*, HANDLE)>(manager, 30)(manager, nullptr), STATUS_SUCCESS);
        EXPECT_EQ(Slot<NTSTATUS (*)(void*, HANDLE)>(manager, 31)(manager, nullptr), STATUS_SUCCESS);

        // A stream from position 3: format at 2, process at 4 (disabled, so
        // the bypass halves the samples), release at 1.
        void* stream = Slot<void* (*)(void*)>(manager, 3)(manager);
        ASSERT_NE(stream, nullptr);
        const WAVEFORMATEX format = vyohd_test::PcmFormat(2, 16);
        EXPECT_EQ(Slot<NTSTATUS (*)(void*, const WAVEFORMATEX*)>(stream, 2)(stream, &format), STATUS_SUCCESS);
        EXPECT_EQ(Slot<NTSTATUS (*)(void*, ULONG)>(manager, 29)(manager, 2), STATUS_SUCCESS);
        EXPECT_EQ(Slot<NTSTATUS (*)(void*, float)>(manager, 33)(manager, 0.5f), STATUS_SUCCESS);
        short samples[2] = {1000, -1000};
        Slot<void (*)(void*, PUCHAR, ULONG)>(stream, 4)(stream, reinterpret_cast<PUCHAR>(samples), 4);
        EXPECT_EQ(samples[0], 499);
        EXPECT_EQ(samples[1], -499);
        float in[2] = {1000.0f, 1000.0f};
        float out[2] = {0.0f, 0.0f};
        Slot<void (*)(void*, const float*, ULONG, float*, ULONG)>(stream, 3)(stream, in, 1, out, 0);
        EXPECT_NEAR(out[0], 499.98f, 0.01f);
        Slot<void (*)(void*)>(stream, 1)(stream);

        // Position 0 with flags 0 tears down without freeing the object.
        EXPECT_EQ(Slot<void* (*)(void*, ULONG)>(manager, 0)(manager, 0), manager);
        EXPECT_EQ(sim::pool::Usage("VYOC").liveBlocks, 0u);
        EXPECT_EQ(sim::pool::Usage("VYOm").liveBlocks, 1u);
        ExFreePool(manager);
    }

    using Entry = NTSTATUS (*)(PUNICODE_STRING);
    EXPECT_EQ(reinterpret_cast<Entry>(dlsym(library, "DllInitialize"))(nullptr), STATUS_SUCCESS);
    EXPECT_EQ(reinterpret_cast<NTSTATUS (*)()>(dlsym(library, "DllUnload"))(), STATUS_SUCCESS);
    dlclose(library);
}

}  // namespace
