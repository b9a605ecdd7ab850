// Virtual memory of the calling process: regions the machine knows the
// bounds and protection of, so a driver's probe of a client's buffer can
// fail as it does on the platform.

#include <wdm.h>

#include "last_error.h"

EXTERN_C LPVOID WINAPI VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType, DWORD flProtect)
{
    PVOID base = lpAddress;
    SIZE_T size = dwSize;
    const NTSTATUS status = ZwAllocateVirtualMemory(NtCurrentProcess(), &base, 0, &size, flAllocationType, flProtect);
    if (!NT_SUCCESS(status)) {
        win32::FailWith(status);
        return nullptr;
    }
    return base;
}

EXTERN_C BOOL WINAPI VirtualProtect(LPVOID lpAddress, SIZE_T dwSize, DWORD flNewProtect, LPDWORD lpflOldProtect)
{
    PVOID base = lpAddress;
    SIZE_T size = dwSize;
    ULONG old = 0;
    const NTSTATUS status = ZwProtectVirtualMemory(NtCurrentProcess(), &base, &size, flNewProtect, &old);
    if (!NT_SUCCESS(status)) {
        return win32::FailWith(status);
    }
    if (lpflOldProtect != nullptr) {
        *lpflOldProtect = old;
    }
    return TRUE;
}

EXTERN_C BOOL WINAPI VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType)
{
    if (dwFreeType == MEM_RELEASE && dwSize != 0) {
        return win32::FailWithError(ERROR_INVALID_PARAMETER);  // a release frees the whole region
    }
    PVOID base = lpAddress;
    SIZE_T size = dwSize;
    const NTSTATUS status = ZwFreeVirtualMemory(NtCurrentProcess(), &base, &size, dwFreeType);
    return NT_SUCCESS(status) ? TRUE : win32::FailWith(status);
}
