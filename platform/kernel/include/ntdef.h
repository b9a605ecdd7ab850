// Stand-in for the platform's basic definitions shared by kernel-mode and
// user-mode code: integer types, strings, doubly linked lists, object
// attributes, access masks, and the constants both sides name (file
// sharing, handle duplication, waits, virtual memory).
//
// Sizes differ from 32-bit Windows where the platform's own types are
// pointer-sized (ULONG_PTR, SIZE_T, handles); ULONG and LONG stay 32 bits
// wide, as on Windows. WCHAR is the compiler's wchar_t, so the same L"..."
// literals compile on both platforms.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <wchar.h>

#include "guiddef.h"
#include "minwindef.h"
#include "ntstatus.h"

#ifdef __cplusplus
#define NT_EXTERN_C extern "C"
#define EXTERN_C extern "C"
#else
#define NT_EXTERN_C extern
#define EXTERN_C extern
#endif

// Calling conventions and annotations matter on 32-bit Windows (stdcall for
// NTAPI routines); on this platform they carry no meaning.
#define NTAPI
#define WINAPI
#define CALLBACK
#define __cdecl
#define __stdcall
#define __fastcall
#define NTSYSAPI NT_EXTERN_C
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
typedef CHAR CCHAR;
typedef unsigned char UCHAR;
typedef UCHAR* PUCHAR;
typedef UCHAR BOOLEAN;
typedef BOOLEAN* PBOOLEAN;
typedef short SHORT;
typedef short CSHORT;
typedef unsigned short USHORT;
typedef USHORT* PUSHORT;
typedef int LONG;
typedef LONG* PLONG;
typedef unsigned int ULONG;
typedef ULONG* PULONG;
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG;
typedef ULONGLONG DWORDLONG;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR* PULONG_PTR;
typedef ULONG_PTR KAFFINITY;
typedef size_t SIZE_T;
typedef SIZE_T* PSIZE_T;
typedef wchar_t WCHAR;
typedef WCHAR* PWCHAR;
typedef WCHAR* PWSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* PCWSTR;
typedef const WCHAR* LPCWSTR;
typedef const CHAR* PCSTR;
typedef PVOID HANDLE;
typedef HANDLE* PHANDLE;
typedef ULONG ACCESS_MASK;
typedef ACCESS_MASK* PACCESS_MASK;
typedef PVOID PSECURITY_DESCRIPTOR;

#define FIELD_OFFSET(type, field) ((LONG)offsetof(type, field))
#define CONTAINING_RECORD(address, type, field) \
    ((type*)((PCHAR)(address) - (ULONG_PTR)offsetof(type, field)))
#define ARRAYSIZE(a) (sizeof(a) / sizeof((a)[0]))
#define RTL_NUMBER_OF(a) ARRAYSIZE(a)

typedef union _LARGE_INTEGER {
    struct {
        ULONG LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;

typedef union _ULARGE_INTEGER {
    struct {
        ULONG LowPart;
        ULONG HighPart;
    } u;
    ULONGLONG QuadPart;
} ULARGE_INTEGER, *PULARGE_INTEGER;

#define RtlZeroMemory(Destination, Length) memset((Destination), 0, (Length))
#define RtlFillMemory(Destination, Length, Fill) memset((Destination), (Fill), (Length))
#define RtlCopyMemory(Destination, Source, Length) memcpy((Destination), (Source), (Length))
#define RtlMoveMemory(Destination, Source, Length) memmove((Destination), (Source), (Length))
#define RtlEqualMemory(Destination, Source, Length) (!memcmp((Destination), (Source), (Length)))

// ---------------------------------------------------------------------------
// Counted strings. Length and MaximumLength are in bytes.

typedef struct _UNICODE_STRING {
    USHORT Length;
    USHORT MaximumLength;
    PWSTR Buffer;
} UNICODE_STRING, *PUNICODE_STRING;
typedef const UNICODE_STRING* PCUNICODE_STRING;

#define RTL_CONSTANT_STRING(s) \
    {(USHORT)(sizeof(s) - sizeof((s)[0])), (USHORT)sizeof(s), (PWSTR)(s)}

// ---------------------------------------------------------------------------
// Doubly linked lists with a head entry, as the platform's inline routines
// define them.

typedef struct _LIST_ENTRY {
    struct _LIST_ENTRY* Flink;
    struct _LIST_ENTRY* Blink;
} LIST_ENTRY, *PLIST_ENTRY;

FORCEINLINE VOID InitializeListHead(PLIST_ENTRY ListHead)
{
    ListHead->Flink = ListHead->Blink = ListHead;
}

FORCEINLINE BOOLEAN IsListEmpty(const LIST_ENTRY* ListHead)
{
    return (BOOLEAN)(ListHead->Flink == ListHead);
}

FORCEINLINE BOOLEAN RemoveEntryList(PLIST_ENTRY Entry)
{
    PLIST_ENTRY Flink = Entry->Flink;
    PLIST_ENTRY Blink = Entry->Blink;
    Blink->Flink = Flink;
    Flink->Blink = Blink;
    return (BOOLEAN)(Flink == Blink);
}

FORCEINLINE PLIST_ENTRY RemoveHeadList(PLIST_ENTRY ListHead)
{
    PLIST_ENTRY Entry = ListHead->Flink;
    RemoveEntryList(Entry);
    return Entry;
}

FORCEINLINE VOID InsertTailList(PLIST_ENTRY ListHead, PLIST_ENTRY Entry)
{
    PLIST_ENTRY Blink = ListHead->Blink;
    Entry->Flink = ListHead;
    Entry->Blink = Blink;
    Blink->Flink = Entry;
    ListHead->Blink = Entry;
}

FORCEINLINE VOID InsertHeadList(PLIST_ENTRY ListHead, PLIST_ENTRY Entry)
{
    PLIST_ENTRY Flink = ListHead->Flink;
    Entry->Flink = Flink;
    Entry->Blink = ListHead;
    Flink->Blink = Entry;
    ListHead->Flink = Entry;
}

// ---------------------------------------------------------------------------
// Object attributes: the name of an object to open or create, relative to a
// root directory handle or absolute, and how the handle is to be made.

#define OBJ_INHERIT          0x00000002L
#define OBJ_PERMANENT        0x00000010L
#define OBJ_EXCLUSIVE        0x00000020L
#define OBJ_CASE_INSENSITIVE 0x00000040L
#define OBJ_OPENIF           0x00000080L
#define OBJ_OPENLINK         0x00000100L
#define OBJ_KERNEL_HANDLE    0x00000200L

typedef struct _OBJECT_ATTRIBUTES {
    ULONG Length;
    HANDLE RootDirectory;
    PUNICODE_STRING ObjectName;
    ULONG Attributes;
    PVOID SecurityDescriptor;
    PVOID SecurityQualityOfService;
} OBJECT_ATTRIBUTES, *POBJECT_ATTRIBUTES;

#define InitializeObjectAttributes(p, n, a, r, s) \
    do {                                          \
        (p)->Length = sizeof(OBJECT_ATTRIBUTES);  \
        (p)->RootDirectory = (r);                 \
        (p)->Attributes = (a);                    \
        (p)->ObjectName = (n);                    \
        (p)->SecurityDescriptor = (s);            \
        (p)->SecurityQualityOfService = NULL;     \
    } while (0)

// ---------------------------------------------------------------------------
// Access rights

#define DELETE                   0x00010000L
#define READ_CONTROL             0x00020000L
#define SYNCHRONIZE              0x00100000L
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#define STANDARD_RIGHTS_ALL      0x001F0000L
#define MAXIMUM_ALLOWED          0x02000000L
#define GENERIC_READ             0x80000000L
#define GENERIC_WRITE            0x40000000L
#define GENERIC_EXECUTE          0x20000000L
#define GENERIC_ALL              0x10000000L

typedef struct _GENERIC_MAPPING {
    ACCESS_MASK GenericRead;
    ACCESS_MASK GenericWrite;
    ACCESS_MASK GenericExecute;
    ACCESS_MASK GenericAll;
} GENERIC_MAPPING, *PGENERIC_MAPPING;

// Sharing a file object's access with later opens.
#define FILE_SHARE_READ   0x00000001
#define FILE_SHARE_WRITE  0x00000002
#define FILE_SHARE_DELETE 0x00000004

// Options of duplicating a handle.
#define DUPLICATE_CLOSE_SOURCE 0x00000001
#define DUPLICATE_SAME_ACCESS  0x00000002

// The most objects one wait may name.
#define MAXIMUM_WAIT_OBJECTS 64

// ---------------------------------------------------------------------------
// Virtual memory of a process: allocation types and page protections.

#define MEM_COMMIT   0x00001000
#define MEM_RESERVE  0x00002000
#define MEM_DECOMMIT 0x00004000
#define MEM_RELEASE  0x00008000

#define PAGE_NOACCESS  0x01
#define PAGE_READONLY  0x02
#define PAGE_READWRITE 0x04
