// The exports of vyohd_kern_i386: the manager creators, and the entry points
// the kernel calls when it loads and unloads an export library.

#include "floating_point_guard.h"
#include "library_export.h"
#include "vyohd_interface.h"
#include "vyohd_manager.h"

extern "C" {

KERNEL_LIBRARY_EXPORT VYOHDManager* NTAPI CreateVYOHDManager3(VOID)
{
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return NULL;
    }
    return vyohd::VYOHDManagerObject::Create();
}

// The older names create the same manager.
KERNEL_LIBRARY_EXPORT VYOHDManager* NTAPI CreateVYOHDManager2(VOID)
{
    return CreateVYOHDManager3();
}

KERNEL_LIBRARY_EXPORT VYOHDManager* NTAPI CreateVYOHDManager(VOID)
{
    return CreateVYOHDManager3();
}

KERNEL_LIBRARY_EXPORT NTSTATUS NTAPI DllInitialize(PUNICODE_STRING RegistryPath)
{
    UNREFERENCED_PARAMETER(RegistryPath);
    return STATUS_SUCCESS;
}

KERNEL_LIBRARY_EXPORT NTSTATUS NTAPI DllUnload(VOID)
{
    return STATUS_SUCCESS;
}

}  // extern "C"
