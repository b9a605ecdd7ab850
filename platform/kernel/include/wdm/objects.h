// Kernel objects and waits: events, executive resources, threads, the object
// manager's references and handles, and the machine's clock.
#pragma once

#include <wdm.h>

// ---------------------------------------------------------------------------
// Events. A notification event stays signalled until it is reset; a
// synchronization event lets one waiter through and resets itself.

typedef enum _EVENT_TYPE { NotificationEvent, SynchronizationEvent } EVENT_TYPE;

typedef struct _KEVENT {
    DISPATCHER_HEADER Header;
} KEVENT, *PKEVENT, *PRKEVENT;

typedef LONG KPRIORITY;
#define IO_NO_INCREMENT 0
#define EVENT_INCREMENT 1

NTKERNELAPI VOID NTAPI KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State);
NTKERNELAPI LONG NTAPI KeSetEvent(PRKEVENT Event, KPRIORITY Increment, BOOLEAN Wait);
NTKERNELAPI LONG NTAPI KeResetEvent(PRKEVENT Event);
NTKERNELAPI VOID NTAPI KeClearEvent(PRKEVENT Event);
NTKERNELAPI LONG NTAPI KeReadStateEvent(PRKEVENT Event);

// ---------------------------------------------------------------------------
// Waiting on several objects at once: any one of them, or all together.
// Without a wait block array at most THREAD_WAIT_OBJECTS objects.

typedef enum _WAIT_TYPE { WaitAll, WaitAny } WAIT_TYPE;
typedef struct _KWAIT_BLOCK {
    PVOID Reserved[6];
} KWAIT_BLOCK, *PKWAIT_BLOCK;

#define THREAD_WAIT_OBJECTS 3

NTKERNELAPI NTSTATUS NTAPI KeWaitForMultipleObjects(ULONG Count, PVOID Object[], WAIT_TYPE WaitType,
                                                    KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                                                    BOOLEAN Alertable, PLARGE_INTEGER Timeout,
                                                    PKWAIT_BLOCK WaitBlockArray);

#define KeWaitForMutexObject KeWaitForSingleObject

// Waits for the interval (negative: relative, in 100 ns units).
NTKERNELAPI NTSTATUS NTAPI KeDelayExecutionThread(KPROCESSOR_MODE WaitMode, BOOLEAN Alertable,
                                                  PLARGE_INTEGER Interval);

// ---------------------------------------------------------------------------
// The machine's clock. Interrupt time counts 100 ns units since the machine
// booted; system time counts 100 ns units since 1601-01-01. Timeouts of every
// wait run on this clock, which tests may switch to a manual clock.

NTKERNELAPI ULONGLONG NTAPI KeQueryInterruptTime(VOID);
NTKERNELAPI VOID NTAPI KeQuerySystemTime(PLARGE_INTEGER CurrentTime);

// ---------------------------------------------------------------------------
// Critical regions: normal kernel APCs are disabled inside one. Executive
// resources may be acquired only inside a critical region.

NTKERNELAPI VOID NTAPI KeEnterCriticalRegion(VOID);
NTKERNELAPI VOID NTAPI KeLeaveCriticalRegion(VOID);

// ---------------------------------------------------------------------------
// Executive resources: many shared owners or one exclusive owner. The
// exclusive owner may acquire again, shared or exclusive; a shared owner may
// acquire shared again. Every acquisition needs its own release.

typedef struct _ERESOURCE {
    PVOID Internal;  // the stand-in's bookkeeping, made by ExInitializeResourceLite
    ULONG Reserved[6];
} ERESOURCE, *PERESOURCE;

NTKERNELAPI NTSTATUS NTAPI ExInitializeResourceLite(PERESOURCE Resource);
NTKERNELAPI NTSTATUS NTAPI ExDeleteResourceLite(PERESOURCE Resource);
NTKERNELAPI BOOLEAN NTAPI ExAcquireResourceSharedLite(PERESOURCE Resource, BOOLEAN Wait);
NTKERNELAPI BOOLEAN NTAPI ExAcquireResourceExclusiveLite(PERESOURCE Resource, BOOLEAN Wait);
NTKERNELAPI VOID NTAPI ExReleaseResourceLite(PERESOURCE Resource);
NTKERNELAPI BOOLEAN NTAPI ExIsResourceAcquiredExclusiveLite(PERESOURCE Resource);
NTKERNELAPI ULONG NTAPI ExIsResourceAcquiredSharedLite(PERESOURCE Resource);

// ---------------------------------------------------------------------------
// The object manager. Every object carries a reference count; a handle holds
// one reference, and ObReferenceObjectByHandle adds one for its caller.
// Handles of a client process are resolved in the process whose thread makes
// the call; kernel handles (OBJ_KERNEL_HANDLE) live in the system process and
// are refused to user-mode callers.

typedef struct _OBJECT_TYPE* POBJECT_TYPE;
typedef struct _KPROCESS* PEPROCESS;
typedef struct _KPROCESS* PKPROCESS;
typedef struct _KTHREAD* PETHREAD;

typedef struct _OBJECT_HANDLE_INFORMATION {
    ULONG HandleAttributes;
    ACCESS_MASK GrantedAccess;
} OBJECT_HANDLE_INFORMATION, *POBJECT_HANDLE_INFORMATION;

NT_EXTERN_C POBJECT_TYPE* ExEventObjectType;
NT_EXTERN_C POBJECT_TYPE* PsThreadType;
NT_EXTERN_C POBJECT_TYPE* IoFileObjectType;
NT_EXTERN_C POBJECT_TYPE* IoDeviceObjectType;
NT_EXTERN_C POBJECT_TYPE* IoDriverObjectType;

NTKERNELAPI NTSTATUS NTAPI ObReferenceObjectByHandle(HANDLE Handle, ACCESS_MASK DesiredAccess,
                                                     POBJECT_TYPE ObjectType, KPROCESSOR_MODE AccessMode,
                                                     PVOID* Object,
                                                     POBJECT_HANDLE_INFORMATION HandleInformation);
NTKERNELAPI LONG_PTR NTAPI ObfReferenceObject(PVOID Object);
NTKERNELAPI LONG_PTR NTAPI ObfDereferenceObject(PVOID Object);
#define ObReferenceObject(Object) ObfReferenceObject(Object)
#define ObDereferenceObject(Object) ObfDereferenceObject(Object)

NTSYSAPI NTSTATUS NTAPI ZwClose(HANDLE Handle);

// The mode of the caller that entered the kernel: UserMode for a client's
// request, KernelMode for a call made by kernel code.
NTKERNELAPI KPROCESSOR_MODE NTAPI ExGetPreviousMode(VOID);

#define EVENT_QUERY_STATE  0x0001
#define EVENT_MODIFY_STATE 0x0002
#define EVENT_ALL_ACCESS   (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0x3)

// ---------------------------------------------------------------------------
// Threads and processes

#define THREAD_TERMINATE         0x0001
#define THREAD_SET_INFORMATION   0x0020
#define THREAD_QUERY_INFORMATION 0x0040
#define THREAD_ALL_ACCESS        (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFFF)

#define LOW_PRIORITY          0
#define LOW_REALTIME_PRIORITY 16
#define HIGH_PRIORITY         31
#define MAXIMUM_PRIORITY      32

typedef struct _CLIENT_ID {
    HANDLE UniqueProcess;
    HANDLE UniqueThread;
} CLIENT_ID, *PCLIENT_ID;

typedef VOID(NTAPI KSTART_ROUTINE)(PVOID StartContext);
typedef KSTART_ROUTINE* PKSTART_ROUTINE;

NTKERNELAPI NTSTATUS NTAPI PsCreateSystemThread(PHANDLE ThreadHandle, ULONG DesiredAccess,
                                                POBJECT_ATTRIBUTES ObjectAttributes, HANDLE ProcessHandle,
                                                PCLIENT_ID ClientId, PKSTART_ROUTINE StartRoutine,
                                                PVOID StartContext);
// Ends the calling system thread; does not return to a system thread. Called
// by any other thread it returns STATUS_INVALID_PARAMETER.
NTKERNELAPI NTSTATUS NTAPI PsTerminateSystemThread(NTSTATUS ExitStatus);
NTKERNELAPI KPRIORITY NTAPI KeSetPriorityThread(PKTHREAD Thread, KPRIORITY Priority);
NTKERNELAPI KPRIORITY NTAPI KeQueryPriorityThread(PKTHREAD Thread);
NTKERNELAPI PEPROCESS NTAPI PsGetCurrentProcess(VOID);
#define PsGetCurrentThread() ((PETHREAD)KeGetCurrentThread())
#define IoGetCurrentProcess PsGetCurrentProcess
