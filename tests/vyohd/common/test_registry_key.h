// One registry key for a test's settings: the simulated registry is emptied
// and the key created, empty, and opened with all access; closing it
// empties the registry again. Fixtures open it in SetUp under
// ASSERT_NO_FATAL_FAILURE and close it in TearDown.
#pragma once

#include <gtest/gtest.h>
#include <wdm.h>

#include <string>

#include "sim/registry.h"

inline void OpenEmptyTestKey(const std::wstring& path, HANDLE* key)
{
    sim::registry::Reset();
    const std::string keyLine = "[" + std::string(path.begin(), path.end()) + "]\n";
    ASSERT_TRUE(sim::registry::Import("VASTUM REGISTRY 1\n" + keyLine).ok);
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, path.c_str());
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, nullptr, nullptr);
    ASSERT_EQ(ZwOpenKey(key, KEY_ALL_ACCESS, &attributes), STATUS_SUCCESS);
}

inline void CloseTestKey(HANDLE key)
{
    ZwClose(key);
    sim::registry::Reset();
}
