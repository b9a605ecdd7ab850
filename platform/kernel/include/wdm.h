// Stand-in for the Windows kernel's driver header on Linux: the types,
// status values and routines that the system's kernel-side code uses, with
// the platform's names, argument orders and documented semantics.
//
// Only what the system needs is here. The basic types are those of ntdef.h;
// the larger areas (objects and waits, the I/O manager, memory descriptor
// lists, the registry, Plug and Play and power) have their own files under
// wdm/, all included here, so kernel code includes <wdm.h> (or <ntddk.h>) as
// it does on Windows.
#pragma once

// Headers shared by both sides (ks.h, for one) tell kernel-mode code by this.
#define _WDMDDK_

#include <stdlib.h>  // rand, as the kernel's C runtime exports it

#include "ntdef.h"
#include "devioctl.h"

// I/O request packet; its layout belongs to the I/O manager (wdm/io.h).
typedef struct _IRP IRP, *PIRP;

typedef UCHAR KIRQL;
typedef KIRQL* PKIRQL;
#define PASSIVE_LEVEL  0
#define APC_LEVEL      1
#define DISPATCH_LEVEL 2

// ---------------------------------------------------------------------------
// Processor modes and wait reasons

typedef CHAR KPROCESSOR_MODE;
typedef enum _MODE { KernelMode, UserMode, MaximumMode } MODE;

typedef enum _KWAIT_REASON {
    Executive,
    FreePage,
    PageIn,
    PoolAllocation,
    DelayExecution,
    Suspended,
    UserRequest,
} KWAIT_REASON;

// ---------------------------------------------------------------------------
// Pool

typedef enum _POOL_TYPE {
    NonPagedPool = 0,
    PagedPool = 1,
} POOL_TYPE;

NTKERNELAPI PVOID NTAPI ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag);
NTKERNELAPI VOID NTAPI ExFreePool(PVOID P);
NTKERNELAPI VOID NTAPI ExFreePoolWithTag(PVOID P, ULONG Tag);

// ---------------------------------------------------------------------------
// Dispatcher objects. Every waitable object starts with this header, so the
// wait routines can tell what they were handed.

typedef struct _DISPATCHER_HEADER {
    UCHAR Type;
    UCHAR Reserved[3];
    LONG SignalState;
} DISPATCHER_HEADER;

typedef struct _KTHREAD* PKTHREAD;

NTKERNELAPI PKTHREAD NTAPI KeGetCurrentThread(VOID);

// A kernel mutex: owned by one thread at a time, and that thread may acquire
// it again (each acquisition needs its own release).
typedef struct _KMUTEX {
    DISPATCHER_HEADER Header;
    PKTHREAD OwnerThread;
    ULONG Level;
} KMUTEX, *PKMUTEX, *PRKMUTEX;

NTKERNELAPI VOID NTAPI KeInitializeMutex(PRKMUTEX Mutex, ULONG Level);
NTKERNELAPI LONG NTAPI KeReleaseMutex(PRKMUTEX Mutex, BOOLEAN Wait);
NTKERNELAPI NTSTATUS NTAPI KeWaitForSingleObject(PVOID Object, KWAIT_REASON WaitReason,
                                                 KPROCESSOR_MODE WaitMode, BOOLEAN Alertable,
                                                 PLARGE_INTEGER Timeout);

// ---------------------------------------------------------------------------
// Floating-point state. Kernel code that uses the floating-point unit outside
// a context that already saved it brackets the work with these two calls and
// restores only after a successful save.

typedef struct _KFLOATING_SAVE {
    ULONG Signature;
    ULONG Reserved[7];
} KFLOATING_SAVE, *PKFLOATING_SAVE;

NTKERNELAPI NTSTATUS NTAPI KeSaveFloatingPointState(PKFLOATING_SAVE FloatSave);
NTKERNELAPI NTSTATUS NTAPI KeRestoreFloatingPointState(PKFLOATING_SAVE FloatSave);

// ---------------------------------------------------------------------------
// Interlocked operations on 32-bit words shared between threads: full
// barriers, as the platform documents them. ReadNoFence / WriteNoFence (and
// their 16-bit, BOOLEAN and pointer forms) are single indivisible accesses
// without ordering.

FORCEINLINE LONG InterlockedIncrement(LONG volatile* Addend)
{
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

FORCEINLINE LONG InterlockedDecrement(LONG volatile* Addend)
{
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

FORCEINLINE LONG InterlockedExchange(LONG volatile* Target, LONG Value)
{
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

FORCEINLINE LONG InterlockedExchangeAdd(LONG volatile* Addend, LONG Value)
{
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}

FORCEINLINE LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand)
{
    __atomic_compare_exchange_n(Destination, &Comperand, Exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return Comperand;
}

FORCEINLINE LONG ReadNoFence(LONG const volatile* Source)
{
    return __atomic_load_n(Source, __ATOMIC_RELAXED);
}

FORCEINLINE VOID WriteNoFence(LONG volatile* Destination, LONG Value)
{
    __atomic_store_n(Destination, Value, __ATOMIC_RELAXED);
}

FORCEINLINE SHORT ReadNoFence16(SHORT const volatile* Source)
{
    return __atomic_load_n(Source, __ATOMIC_RELAXED);
}

FORCEINLINE VOID WriteNoFence16(SHORT volatile* Destination, SHORT Value)
{
    __atomic_store_n(Destination, Value, __ATOMIC_RELAXED);
}

FORCEINLINE BOOLEAN ReadBooleanNoFence(BOOLEAN const volatile* Source)
{
    return __atomic_load_n(Source, __ATOMIC_RELAXED);
}

FORCEINLINE VOID WriteBooleanNoFence(BOOLEAN volatile* Destination, BOOLEAN Value)
{
    __atomic_store_n(Destination, Value, __ATOMIC_RELAXED);
}

FORCEINLINE PVOID ReadPointerNoFence(PVOID const volatile* Source)
{
    return __atomic_load_n(Source, __ATOMIC_RELAXED);
}

FORCEINLINE VOID WritePointerNoFence(PVOID volatile* Destination, PVOID Value)
{
    __atomic_store_n(Destination, Value, __ATOMIC_RELAXED);
}

#include "wdm/objects.h"
#include "wdm/io.h"
#include "wdm/memory.h"
#include "wdm/registry.h"
#include "wdm/pnp_power.h"
#include "wdm/exceptions.h"
