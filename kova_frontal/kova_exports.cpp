// The exports of kova_kern_i386: the two creators and the export-library
// entry points. Everything else in the library stays hidden.
#include "kova_interface.h"
#include "kova_manager.h"
#include "library_export.h"

NT_EXTERN_C KERNEL_LIBRARY_EXPORT KOVAManager* NTAPI CreateKOVAManager2(void)
{
    return KOVAManagerObject::Create();
}

NT_EXTERN_C KERNEL_LIBRARY_EXPORT KOVAManager* NTAPI CreateKOVAManager(void)
{
    return CreateKOVAManager2();
}

// An export library is loaded with its importer; there is nothing to set up
// or tear down.
NT_EXTERN_C KERNEL_LIBRARY_EXPORT NTSTATUS NTAPI DllInitialize(PUNICODE_STRING registryPath)
{
    UNREFERENCED_PARAMETER(registryPath);
    return STATUS_SUCCESS;
}

NT_EXTERN_C KERNEL_LIBRARY_EXPORT NTSTATUS NTAPI DllUnload(void)
{
    return STATUS_SUCCESS;
}
