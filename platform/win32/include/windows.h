// Stand-in for the platform's Win32 header: the user-mode calls through
// which a client process opens devices, sends them requests, and waits on
// events, with the platform's names, arguments and error codes. The basic
// types and constants are those the kernel side uses (ntdef.h, minwindef.h,
// devioctl.h).
//
// Every call runs in the calling thread's current process of the simulated
// machine, so handles are that process's own. A failing call sets the
// thread's last error, which GetLastError returns.
#pragma once

#include <devioctl.h>
#include <ntdef.h>

#include "winerror.h"

typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef BOOL* LPBOOL;
typedef HANDLE* LPHANDLE;
typedef long long INT64;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INFINITE 0xFFFFFFFF

// ---------------------------------------------------------------------------
// Files and devices

#define CREATE_NEW        1
#define CREATE_ALWAYS     2
#define OPEN_EXISTING     3
#define OPEN_ALWAYS       4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_FLAG_OVERLAPPED  0x40000000

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// The state of an asynchronous request: Internal and InternalHigh hold the
// request's status and byte count, as an IO_STATUS_BLOCK does.
typedef struct _OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    union {
        struct {
            DWORD Offset;
            DWORD OffsetHigh;
        };
        PVOID Pointer;
    };
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

// Opens a device by its interface path ("\\?\ROOT#MEDIA#0000#{...}\Wave")
// or a link name ("\\.\NAME"). Devices are opened with OPEN_EXISTING only.
// Returns INVALID_HANDLE_VALUE on failure.
EXTERN_C HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);

// Sends a control request. The buffers are passed as the control code's
// method asks (for METHOD_NEITHER the driver gets the caller's own
// addresses). A warning status (more data) fails with ERROR_MORE_DATA and
// still reports the bytes returned.
EXTERN_C BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                                     LPOVERLAPPED lpOverlapped);
EXTERN_C BOOL WINAPI GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred,
                                         BOOL bWait);

// ---------------------------------------------------------------------------
// Handles and processes

EXTERN_C BOOL WINAPI CloseHandle(HANDLE hObject);
EXTERN_C HANDLE WINAPI GetCurrentProcess(VOID);

// Within the calling process only (both process handles GetCurrentProcess()).
EXTERN_C BOOL WINAPI DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
                                     LPHANDLE lpTargetHandle, DWORD dwDesiredAccess, BOOL bInheritHandle,
                                     DWORD dwOptions);

// ---------------------------------------------------------------------------
// Events and waits

#define WAIT_OBJECT_0  0x00000000
#define WAIT_ABANDONED 0x00000080
#define WAIT_TIMEOUT   0x00000102
#define WAIT_FAILED    0xFFFFFFFF

// Unnamed events only: a name is refused with ERROR_INVALID_PARAMETER.
EXTERN_C HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                                    LPCWSTR lpName);
EXTERN_C BOOL WINAPI SetEvent(HANDLE hEvent);
EXTERN_C BOOL WINAPI ResetEvent(HANDLE hEvent);
// Timeouts in milliseconds, on the machine's clock.
EXTERN_C DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
EXTERN_C DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                             DWORD dwMilliseconds);

// ---------------------------------------------------------------------------
// Memory of the calling process

EXTERN_C LPVOID WINAPI VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType, DWORD flProtect);
EXTERN_C BOOL WINAPI VirtualProtect(LPVOID lpAddress, SIZE_T dwSize, DWORD flNewProtect, LPDWORD lpflOldProtect);
EXTERN_C BOOL WINAPI VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType);

// ---------------------------------------------------------------------------
// Errors

EXTERN_C DWORD WINAPI GetLastError(VOID);
EXTERN_C VOID WINAPI SetLastError(DWORD dwErrCode);
// The Win32 error code for a status, as the user-mode calls report it.
EXTERN_C ULONG NTAPI RtlNtStatusToDosError(NTSTATUS Status);
