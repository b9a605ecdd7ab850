// The system services through which a client process enters the simulated
// kernel, with the names and arguments of the platform's native API. The
// user-mode library (kernel32) calls them; each runs with UserMode as the
// previous mode, so handles and buffers are checked as a client's.
#pragma once

#include <wdm.h>

NTSYSAPI NTSTATUS NTAPI NtCreateFile(PHANDLE FileHandle, ACCESS_MASK DesiredAccess,
                                     POBJECT_ATTRIBUTES ObjectAttributes, PIO_STATUS_BLOCK IoStatusBlock,
                                     PLARGE_INTEGER AllocationSize, ULONG FileAttributes, ULONG ShareAccess,
                                     ULONG CreateDisposition, ULONG CreateOptions, PVOID EaBuffer, ULONG EaLength);
NTSYSAPI NTSTATUS NTAPI NtDeviceIoControlFile(HANDLE FileHandle, HANDLE Event, PIO_APC_ROUTINE ApcRoutine,
                                              PVOID ApcContext, PIO_STATUS_BLOCK IoStatusBlock,
                                              ULONG IoControlCode, PVOID InputBuffer, ULONG InputBufferLength,
                                              PVOID OutputBuffer, ULONG OutputBufferLength);
NTSYSAPI NTSTATUS NTAPI NtClose(HANDLE Handle);

NTSYSAPI NTSTATUS NTAPI NtDuplicateObject(HANDLE SourceProcessHandle, HANDLE SourceHandle,
                                          HANDLE TargetProcessHandle, PHANDLE TargetHandle,
                                          ACCESS_MASK DesiredAccess, ULONG HandleAttributes, ULONG Options);

NTSYSAPI NTSTATUS NTAPI NtCreateEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                                      POBJECT_ATTRIBUTES ObjectAttributes, EVENT_TYPE EventType,
                                      BOOLEAN InitialState);
NTSYSAPI NTSTATUS NTAPI NtSetEvent(HANDLE EventHandle, PLONG PreviousState);
NTSYSAPI NTSTATUS NTAPI NtResetEvent(HANDLE EventHandle, PLONG PreviousState);
NTSYSAPI NTSTATUS NTAPI NtWaitForSingleObject(HANDLE Handle, BOOLEAN Alertable, PLARGE_INTEGER Timeout);
NTSYSAPI NTSTATUS NTAPI NtWaitForMultipleObjects(ULONG Count, HANDLE Handles[], WAIT_TYPE WaitType,
                                                 BOOLEAN Alertable, PLARGE_INTEGER Timeout);
