// Marks a function that a kernel export library offers its importers by
// name (the creators, DllInitialize, DllUnload). Everything else in the
// library stays hidden: the kernel libraries are compiled with hidden
// visibility, and on Windows only what is marked is exported.
#pragma once

#if defined(_WIN32)
#define KERNEL_LIBRARY_EXPORT __declspec(dllexport)
#else
#define KERNEL_LIBRARY_EXPORT __attribute__((visibility("default")))
#endif
