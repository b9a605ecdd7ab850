// Stand-in for the Windows kernel's driver header on Linux: the types,
// status values and routines that the system's kernel-side code uses, with
// the platform's names, argument orders and documented semantics.
//
// Only what the system needs is here. Sizes differ from 32-bit Windows where
// the platform's own types are pointer-sized (ULONG_PTR, SIZE_T, handles);
// ULONG and LONG stay 32 bits wide, as on Windows. WCHAR is the compiler's
// wchar_t, so the same L"..." literals compile on both platforms.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>  // rand, as the kernel's C runtime exports it
#include <string.h>

#include "ntstatus.h"

#ifdef __cplusplus
#define NT_EXTERN_C extern "C"
#else
#define NT_EXTERN_C extern
#endif

// Calling conventions and annotations matter on 32-bit Windows (stdcall for
// NTAPI routines); on this platform they carry no meaning.
#define NTAPI
#define __cdecl
#define __stdcall
#define __fastcall
#define NTKERNELAPI NT_EXTERN_C
#define FORCEINLINE inline __attribute__((always_inline))
#define UNREFERENCED_PARAMETER(P) ((void)(P))
#define IN
#define OUT
#define OPTIONAL
#define _In_
#define _Out_
#define _Inout_
#define _In_opt_
#define _Out_opt_

#ifndef NULL
#define NULL 0
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

typedef void VOID;
typedef void* PVOID;
typedef char CHAR;
typedef CHAR* PCHAR;
typedef unsigned char UCHAR;
typedef UCHAR* PUCHAR;
typedef UCHAR BOOLEAN;
typedef BOOLEAN* PBOOLEAN;
typedef short SHORT;
typedef unsigned short USHORT;
typedef USHORT* PUSHORT;
typedef int LONG;
typedef LONG* PLONG;
typedef unsigned int ULONG;
typedef ULONG* PULONG;
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef size_t SIZE_T;
typedef wchar_t WCHAR;
typedef WCHAR* PWCHAR;
typedef WCHAR* PWSTR;
typedef const WCHAR* PCWSTR;
typedef const CHAR* PCSTR;
typedef PVOID HANDLE;
typedef HANDLE* PHANDLE;

// I/O request packet; its layout belongs to the I/O manager.
typedef struct _IRP IRP, *PIRP;

typedef union _LARGE_INTEGER {
    struct {
        ULONG LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;

// A counted UTF-16 string, as the I/O manager hands registry paths to drivers.
// Length and MaximumLength are in bytes.
typedef struct _UNICODE_STRING {
    USHORT Length;
    USHORT MaximumLength;
    PWSTR Buffer;
} UNICODE_STRING, *PUNICODE_STRING;

// Marks a routine that a kernel export library makes visible to the drivers
// that import it by name; everything else in the library stays private.
#ifndef DECLSPEC_EXPORT
#define DECLSPEC_EXPORT __attribute__((visibility("default")))
#endif

// ---------------------------------------------------------------------------
// Doubly linked lists threaded through the records they hold. A list head is
// an entry whose links point at itself while the list is empty.

typedef struct _LIST_ENTRY {
    struct _LIST_ENTRY* Flink;
    struct _LIST_ENTRY* Blink;
} LIST_ENTRY, *PLIST_ENTRY;

#define CONTAINING_RECORD(address, type, field) \
    ((type*)((PCHAR)(address) - offsetof(type, field)))


FORCEINLINE VOID InitializeListHead(PLIST_ENTRY ListHead)
{
    ListHead->Flink = ListHead;
    ListHead->Blink = ListHead;
}

FORCEINLINE BOOLEAN IsListEmpty(const LIST_ENTRY* ListHead)
{
    return (BOOLEAN)(ListHead->Flink == ListHead);
}

FORCEINLINE VOID InsertTailList(PLIST_ENTRY ListHead, PLIST_ENTRY Entry)
{
    PLIST_ENTRY last = ListHead->Blink;
    Entry->Flink = ListHead;
    Entry->Blink = last;
    last->Flink = Entry;
    ListHead->Blink = Entry;
}

// Returns TRUE when the list is empty afterwards.
FORCEINLINE BOOLEAN RemoveEntryList(PLIST_ENTRY Entry)
{
    PLIST_ENTRY next = Entry->Flink;
    PLIST_ENTRY previous = Entry->Blink;
    previous->Flink = next;
    next->Blink = previous;
    return (BOOLEAN)(next == previous);
}

#define RtlZeroMemory(Destination, Length) memset((Destination), 0, (Length))
#define RtlFillMemory(Destination, Length, Fill) memset((Destination), (Fill), (Length))
#define RtlCopyMemory(Destination, Source, Length) memcpy((Destination), (Source), (Length))
#define RtlMoveMemory(Destination, Source, Length) memmove((Destination), (Source), (Length))

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
// barriers, as the platform documents them. ReadNoFence / WriteNoFence are
// single indivisible accesses without ordering.

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

FORCEINLINE PVOID ReadPointerNoFence(PVOID const volatile* Source)
{
    return __atomic_load_n(Source, __ATOMIC_RELAXED);
}

FORCEINLINE VOID WritePointerNoFence(PVOID volatile* Destination, PVOID Value)
{
    __atomic_store_n(Destination, Value, __ATOMIC_RELAXED);
}
