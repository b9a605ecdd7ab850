// The deliverable loaded the way the filter driver's loader finds it: by
// file, exporting the creators and the export-library entry points, and
// nothing of its insides.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include "kova_interface.h"
#include "sim/pool.h"

namespace {

struct LoadedLibrary {
    void* handle = dlopen(KOVA_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ~LoadedLibrary()
    {
        if (handle != nullptr) {
            dlclose(handle);
        }
    }
};

TEST(KOVALibrary, exports_its_creators_and_entry_points_only)
{
    LoadedLibrary library;
    ASSERT_NE(library.handle, nullptr) << dlerror();
    for (const char* name : {"CreateKOVAManager", "CreateKOVAManager2", "DllInitialize", "DllUnload"}) {
        EXPECT_NE(dlsym(library.handle, name), nullptr) << name;
    }
    // Functions the library is built from (their names as the compiler gives them).
    for (const char* name : {"_ZN17KOVAManagerObject6CreateEv", "_Z18AllocateZeroedPoolm10_POOL_TYPEj",
                             "_ZN9KOVAState12ProcessBlockER9KOVABlockR11KOVAScratchi"}) {
        EXPECT_EQ(dlsym(library.handle, name), nullptr) << name << " is exported";
    }
}

TEST(KOVALibrary, a_manager_from_the_export_runs_a_stream_and_frees_everything)
{
    LoadedLibrary library;
    ASSERT_NE(library.handle, nullptr) << dlerror();
    auto create = reinterpret_cast<KOVAManager* (*)()>(dlsym(library.handle, "CreateKOVAManager"));
    auto initialize = reinterpret_cast<NTSTATUS (*)(PUNICODE_STRING)>(dlsym(library.handle, "DllInitialize"));
    auto unload = reinterpret_cast<NTSTATUS (*)()>(dlsym(library.handle, "DllUnload"));
    ASSERT_TRUE(create && initialize && unload);
    EXPECT_EQ(initialize(nullptr), STATUS_SUCCESS);

    const auto liveBefore = sim::pool::LiveBlocks();
    KOVAManager* manager = create();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetKVHDMode(), 8);
    KOVAStream* stream = manager->CreateStream();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->SetFormat(48000, 16, 2, 0x3), STATUS_SUCCESS);
    short pcm[32] = {1000, -1000};
    stream->ProcessInPlace(pcm, sizeof(pcm));
    EXPECT_NE(pcm[0], 1000);
    stream->Release();
    manager->Release();
    EXPECT_EQ(sim::pool::LiveBlocks(), liveBefore);
    EXPECT_EQ(unload(), STATUS_SUCCESS);
}

}  // namespace
