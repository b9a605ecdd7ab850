// Stand-in for the platform's kernel-streaming header: the identifiers,
// property requests, stream headers, data formats, pin connections, object
// creation and control codes of KS, with their published field order and
// in-memory GUID bytes.
//
// The structures are asserted at the end of this file against the published
// 32-bit layout; where a structure holds a pointer or handle, the expected
// size and offsets are computed from the field sizes, so the same assert
// states the 32-bit layout there and its 64-bit equivalent here.
//
// Shared by kernel-mode code (which includes <wdm.h> first) and user-mode
// code (<windows.h> first). The object-creation records exist only for
// kernel-mode code; KsCreatePin only for user-mode code.
#pragma once

#include <ntdef.h>

// ---------------------------------------------------------------------------
// Identifiers: a set GUID, an item id within the set, and flags. Properties,
// methods, events, pin interfaces and mediums are all identifiers.

typedef struct {
    union {
        struct {
            GUID Set;
            ULONG Id;
            ULONG Flags;
        };
        LONGLONG Alignment;
    };
} KSIDENTIFIER, *PKSIDENTIFIER;

typedef KSIDENTIFIER KSPROPERTY, *PKSPROPERTY, KSMETHOD, *PKSMETHOD, KSEVENT, *PKSEVENT;
typedef KSIDENTIFIER KSPIN_INTERFACE, *PKSPIN_INTERFACE;
typedef KSIDENTIFIER KSPIN_MEDIUM, *PKSPIN_MEDIUM;

// Flags of a property request
#define KSPROPERTY_TYPE_GET            0x00000001
#define KSPROPERTY_TYPE_SET            0x00000002
#define KSPROPERTY_TYPE_SETSUPPORT     0x00000100
#define KSPROPERTY_TYPE_BASICSUPPORT   0x00000200
#define KSPROPERTY_TYPE_RELATIONS      0x00000400
#define KSPROPERTY_TYPE_SERIALIZESET   0x00000800
#define KSPROPERTY_TYPE_UNSERIALIZESET 0x00001000
#define KSPROPERTY_TYPE_SERIALIZERAW   0x00002000
#define KSPROPERTY_TYPE_UNSERIALIZERAW 0x00004000
#define KSPROPERTY_TYPE_SERIALIZESIZE  0x00008000
#define KSPROPERTY_TYPE_DEFAULTVALUES  0x00010000
#define KSPROPERTY_TYPE_TOPOLOGY       0x10000000

// A property addressed to a node of a filter's topology.
typedef struct {
    KSPROPERTY Property;
    ULONG NodeId;
    ULONG Reserved;
} KSP_NODE, *PKSP_NODE;

// A property addressed to a pin factory of a filter.
typedef struct {
    KSPROPERTY Property;
    ULONG PinId;
    union {
        ULONG Reserved;
        ULONG Flags;
    };
} KSP_PIN, *PKSP_PIN;

// The head of a variable-length answer: its total size in bytes (this header
// included) and the number of items that follow.
typedef struct {
    ULONG Size;
    ULONG Count;
} KSMULTIPLE_ITEM, *PKSMULTIPLE_ITEM;

// ---------------------------------------------------------------------------
// Control codes

#define IOCTL_KS_PROPERTY      CTL_CODE(FILE_DEVICE_KS, 0x000, METHOD_NEITHER, FILE_ANY_ACCESS)
#define IOCTL_KS_ENABLE_EVENT  CTL_CODE(FILE_DEVICE_KS, 0x001, METHOD_NEITHER, FILE_ANY_ACCESS)
#define IOCTL_KS_DISABLE_EVENT CTL_CODE(FILE_DEVICE_KS, 0x002, METHOD_NEITHER, FILE_ANY_ACCESS)
#define IOCTL_KS_METHOD        CTL_CODE(FILE_DEVICE_KS, 0x003, METHOD_NEITHER, FILE_ANY_ACCESS)
#define IOCTL_KS_WRITE_STREAM  CTL_CODE(FILE_DEVICE_KS, 0x004, METHOD_NEITHER, FILE_WRITE_ACCESS)
#define IOCTL_KS_READ_STREAM   CTL_CODE(FILE_DEVICE_KS, 0x005, METHOD_NEITHER, FILE_READ_ACCESS)
#define IOCTL_KS_RESET_STATE   CTL_CODE(FILE_DEVICE_KS, 0x006, METHOD_NEITHER, FILE_ANY_ACCESS)

// ---------------------------------------------------------------------------
// Streaming: a write or read request carries an array of stream headers,
// each describing one buffer of the client's.

typedef struct {
    LONGLONG Time;
    ULONG Numerator;
    ULONG Denominator;
} KSTIME, *PKSTIME;

typedef struct {
    ULONG Size;               // bytes of this header, at least sizeof(KSSTREAM_HEADER)
    ULONG TypeSpecificFlags;
    KSTIME PresentationTime;
    LONGLONG Duration;
    ULONG FrameExtent;        // bytes of the buffer
    ULONG DataUsed;           // bytes of it that hold data
    PVOID Data;
    ULONG OptionsFlags;
#if defined(_WIN64) || defined(__LP64__)
    ULONG Reserved;
#endif
} KSSTREAM_HEADER, *PKSSTREAM_HEADER;

#define KSSTREAM_HEADER_OPTIONSF_SPLICEPOINT       0x00000001
#define KSSTREAM_HEADER_OPTIONSF_PREROLL           0x00000002
#define KSSTREAM_HEADER_OPTIONSF_DATADISCONTINUITY 0x00000004
#define KSSTREAM_HEADER_OPTIONSF_TYPECHANGED       0x00000008
#define KSSTREAM_HEADER_OPTIONSF_TIMEVALID         0x00000010
#define KSSTREAM_HEADER_OPTIONSF_TIMEDISCONTINUITY 0x00000040
#define KSSTREAM_HEADER_OPTIONSF_FLUSHONPAUSE      0x00000080
#define KSSTREAM_HEADER_OPTIONSF_DURATIONVALID     0x00000100
#define KSSTREAM_HEADER_OPTIONSF_ENDOFSTREAM       0x00000200
// The buffer is played over and over until the pin is stopped.
#define KSSTREAM_HEADER_OPTIONSF_LOOPEDDATA        0x80000000

// ---------------------------------------------------------------------------
// Data formats and ranges. A format names one way of streaming data; a range
// names the formats a pin accepts. Both are followed in memory by a
// structure that the specifier names (FormatSize counts it).

typedef union {
    struct {
        ULONG FormatSize;
        ULONG Flags;
        ULONG SampleSize;
        ULONG Reserved;
        GUID MajorFormat;
        GUID SubFormat;
        GUID Specifier;
    };
    LONGLONG Alignment;
} KSDATAFORMAT, *PKSDATAFORMAT, KSDATARANGE, *PKSDATARANGE;

#define KSDATAFORMAT_TEMPORAL_COMPRESSION 0x00000001
#define KSDATAFORMAT_ATTRIBUTES           0x00000002

#define KSDATAFORMAT_TYPE_WILDCARD      GUID_NULL
#define KSDATAFORMAT_SUBTYPE_WILDCARD   GUID_NULL
#define KSDATAFORMAT_SPECIFIER_WILDCARD GUID_NULL

// {0F6417D6-C318-11D0-A43F-00A0C9223196}
DEFINE_GUID(KSDATAFORMAT_SPECIFIER_NONE, 0x0F6417D6L, 0xC318, 0x11D0, 0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96);

// ---------------------------------------------------------------------------
// Pins: a filter offers pin factories; a client creates a pin by opening the
// filter's pin object class with a connection request.

typedef struct {
    ULONG PriorityClass;
    ULONG PrioritySubClass;
} KSPRIORITY, *PKSPRIORITY;

#define KSPRIORITY_LOW       0x00000001
#define KSPRIORITY_NORMAL    0x40000000
#define KSPRIORITY_HIGH      0x80000000
#define KSPRIORITY_EXCLUSIVE 0xFFFFFFFF

// Followed in memory by the KSDATAFORMAT the pin is to stream.
typedef struct {
    KSPIN_INTERFACE Interface;
    KSPIN_MEDIUM Medium;
    ULONG PinId;
    HANDLE PinToHandle;  // NULL when the client connects to the pin itself
    KSPRIORITY Priority;
} KSPIN_CONNECT, *PKSPIN_CONNECT;

typedef struct {
    ULONG PossibleCount;
    ULONG CurrentCount;
} KSPIN_CINSTANCES, *PKSPIN_CINSTANCES;

typedef enum {
    KSPIN_DATAFLOW_IN = 1,
    KSPIN_DATAFLOW_OUT,
} KSPIN_DATAFLOW, *PKSPIN_DATAFLOW;

typedef enum {
    KSPIN_COMMUNICATION_NONE,
    KSPIN_COMMUNICATION_SINK,
    KSPIN_COMMUNICATION_SOURCE,
    KSPIN_COMMUNICATION_BOTH,
    KSPIN_COMMUNICATION_BRIDGE,
} KSPIN_COMMUNICATION, *PKSPIN_COMMUNICATION;

// Interfaces of a pin: how buffers reach it.
// {1A8766A0-62CE-11CF-A5D6-28DB04C10000}
DEFINE_GUID(KSINTERFACESETID_Standard, 0x1A8766A0L, 0x62CE, 0x11CF, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00);

typedef enum {
    KSINTERFACE_STANDARD_STREAMING,
    KSINTERFACE_STANDARD_LOOPED_STREAMING,
    KSINTERFACE_STANDARD_CONTROL,
} KSINTERFACE_STANDARD;

// Mediums of a pin: what carries the data.
// {4747B320-62CE-11CF-A5D6-28DB04C10000}
DEFINE_GUID(KSMEDIUMSETID_Standard, 0x4747B320L, 0x62CE, 0x11CF, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00);
#define KSMEDIUM_TYPE_ANYINSTANCE 0
#define KSMEDIUM_STANDARD_DEVIO   KSMEDIUM_TYPE_ANYINSTANCE

// ---------------------------------------------------------------------------
// Property sets of every KS filter and pin

// {8C134960-51AD-11CF-878A-94F801C10000}
DEFINE_GUID(KSPROPSETID_Pin, 0x8C134960L, 0x51AD, 0x11CF, 0x87, 0x8A, 0x94, 0xF8, 0x01, 0xC1, 0x00, 0x00);

typedef enum {
    KSPROPERTY_PIN_CINSTANCES,
    KSPROPERTY_PIN_CTYPES,
    KSPROPERTY_PIN_DATAFLOW,
    KSPROPERTY_PIN_DATARANGES,
    KSPROPERTY_PIN_DATAINTERSECTION,
    KSPROPERTY_PIN_INTERFACES,
    KSPROPERTY_PIN_MEDIUMS,
    KSPROPERTY_PIN_COMMUNICATION,
    KSPROPERTY_PIN_GLOBALCINSTANCES,
    KSPROPERTY_PIN_NECESSARYINSTANCES,
    KSPROPERTY_PIN_PHYSICALCONNECTION,
    KSPROPERTY_PIN_CATEGORY,
    KSPROPERTY_PIN_NAME,
    KSPROPERTY_PIN_CONSTRAINEDDATARANGES,
    KSPROPERTY_PIN_PROPOSEDATAFORMAT,
} KSPROPERTY_PIN;

// {1D58C920-AC9B-11CF-A5D6-28DB04C10000}
DEFINE_GUID(KSPROPSETID_Connection, 0x1D58C920L, 0xAC9B, 0x11CF, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00);

typedef enum {
    KSPROPERTY_CONNECTION_STATE,
    KSPROPERTY_CONNECTION_PRIORITY,
    KSPROPERTY_CONNECTION_DATAFORMAT,
    KSPROPERTY_CONNECTION_ALLOCATORFRAMING,
    KSPROPERTY_CONNECTION_PROPOSEDATAFORMAT,
    KSPROPERTY_CONNECTION_ACQUIREORDERING,
    KSPROPERTY_CONNECTION_ALLOCATORFRAMING_EX,
    KSPROPERTY_CONNECTION_STARTAT,
} KSPROPERTY_CONNECTION;

// The states of a pin, in the order a pin passes through them.
typedef enum {
    KSSTATE_STOP,
    KSSTATE_ACQUIRE,
    KSSTATE_PAUSE,
    KSSTATE_RUN,
} KSSTATE, *PKSSTATE;

// ---------------------------------------------------------------------------
// Categories and object classes

// {65E8773E-8F56-11D0-A3B9-00A0C9223196}
DEFINE_GUID(KSCATEGORY_RENDER, 0x65E8773EL, 0x8F56, 0x11D0, 0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96);

// The object classes by which a client opens the objects of a filter: the
// first component of the name it opens relative to the filter's handle.
#define KSSTRING_Filter    L"{9B365890-165F-11D0-A195-0020AFD156E4}"
#define KSSTRING_Pin       L"{146F1A80-4791-11D0-A5D6-28DB04C10000}"
#define KSSTRING_Clock     L"{53172480-4791-11D0-A5D6-28DB04C10000}"
#define KSSTRING_Allocator L"{642F5D00-4791-11D0-A5D6-28DB04C10000}"

#if defined(_WDMDDK_)

// ---------------------------------------------------------------------------
// Object creation in a KS driver: the create item that dispatched a create
// request is recorded in the request for the drivers that see it later.

typedef struct {
    PDRIVER_DISPATCH Create;
    PVOID Context;
    UNICODE_STRING ObjectClass;
    PSECURITY_DESCRIPTOR SecurityDescriptor;
    ULONG Flags;
} KSOBJECT_CREATE_ITEM, *PKSOBJECT_CREATE_ITEM;

#define KSCREATE_ITEM_SECURITYCHANGED 0x00000001
#define KSCREATE_ITEM_WILDCARD        0x00000002
#define KSCREATE_ITEM_NOPARAMETERS    0x00000004
#define KSCREATE_ITEM_FREEONSTOP      0x00000008

#define KSCREATE_ITEM_IRP_STORAGE(Irp) (*(PKSOBJECT_CREATE_ITEM*)&(Irp)->Tail.Overlay.DriverContext[0])

// ---------------------------------------------------------------------------
// Property sets of a KS driver: tables of items, each naming a property id,
// the smallest property and value buffers it accepts, and its handlers.
// KsPropertyHandler finds a request's set by GUID and its item by id,
// refuses buffers below the item's minimums, and calls the handler for the
// request's type with an aligned copy of the property and of the value.

#define KSDDKAPI NT_EXTERN_C

// Irp is the request; Request the captured property (a KSPROPERTY or a
// structure that begins with one); Data the captured value. A handler that
// returns data sets Irp->IoStatus.Information; it never sets
// IoStatus.Status and never completes the request.
typedef NTSTATUS (*PFNKSHANDLER)(PIRP Irp, PKSIDENTIFIER Request, PVOID Data);

// Value ranges and fast-I/O items: no table of this system has any, so only
// their names are part of the stand-in.
typedef struct _KSPROPERTY_VALUES KSPROPERTY_VALUES, *PKSPROPERTY_VALUES;
typedef struct _KSFASTPROPERTY_ITEM KSFASTPROPERTY_ITEM, *PKSFASTPROPERTY_ITEM;

typedef struct {
    ULONG PropertyId;
    union {
        PFNKSHANDLER GetPropertyHandler;  // NULL: the property cannot be read
        BOOLEAN GetSupported;
    };
    ULONG MinProperty;  // at least sizeof(KSPROPERTY)
    ULONG MinData;
    union {
        PFNKSHANDLER SetPropertyHandler;  // NULL: the property cannot be set
        BOOLEAN SetSupported;
    };
    const KSPROPERTY_VALUES* Values;
    ULONG RelationsCount;
    const KSPROPERTY* Relations;
    PFNKSHANDLER SupportHandler;
    ULONG SerializedSize;
} KSPROPERTY_ITEM, *PKSPROPERTY_ITEM;

typedef struct {
    const GUID* Set;
    ULONG PropertiesCount;
    const KSPROPERTY_ITEM* PropertyItem;
    ULONG FastIoCount;
    const KSFASTPROPERTY_ITEM* FastIoTable;
} KSPROPERTY_SET, *PKSPROPERTY_SET;

#define DEFINE_KSPROPERTY_TABLE(tablename) const KSPROPERTY_ITEM tablename[] =
#define DEFINE_KSPROPERTY_SET_TABLE(tablename) const KSPROPERTY_SET tablename[] =

#define DEFINE_KSPROPERTY_ITEM(PropertyId, GetHandler, MinProperty, MinData, SetHandler, Values, RelationsCount, \
                               Relations, SupportHandler, SerializedSize)                                      \
    PropertyId, {(PFNKSHANDLER)(GetHandler)}, MinProperty, MinData, {(PFNKSHANDLER)(SetHandler)},              \
        (const KSPROPERTY_VALUES*)(Values), RelationsCount, (const KSPROPERTY*)(Relations),                    \
        (PFNKSHANDLER)(SupportHandler), (ULONG)(SerializedSize)

#define DEFINE_KSPROPERTY_SET(Set, PropertiesCount, PropertyItem, FastIoCount, FastIoTable) \
    Set, PropertiesCount, PropertyItem, FastIoCount, FastIoTable

// The set that KsPropertyHandler found for the request, for its handlers.
#define KSPROPERTY_SET_IRP_STORAGE(Irp) (*(const KSPROPERTY_SET**)&(Irp)->Tail.Overlay.DriverContext[0])

// Handles an IOCTL_KS_PROPERTY request at PASSIVE_LEVEL: the property is the
// current stack location's Type3InputBuffer (InputBufferLength bytes), the
// value Irp->UserBuffer (OutputBufferLength bytes). A client's buffers
// (RequestorMode UserMode) are probed and captured under exception
// protection. Returns STATUS_PROPSET_NOT_FOUND for a set the tables do not
// hold, STATUS_NOT_FOUND for an id the set does not hold,
// STATUS_BUFFER_TOO_SMALL for buffers below the item's minimums, or the
// handler's status. Sets IoStatus.Information (0 after a failure); never
// sets IoStatus.Status and never completes the request.
KSDDKAPI NTSTATUS NTAPI KsPropertyHandler(PIRP Irp, ULONG PropertySetsCount, const KSPROPERTY_SET* PropertySet);

#else

// Creates a pin on the filter: Connect is followed in memory by the
// KSDATAFORMAT the pin is to stream. Returns a Win32 error code.
EXTERN_C DWORD WINAPI KsCreatePin(HANDLE FilterHandle, PKSPIN_CONNECT Connect, ACCESS_MASK DesiredAccess,
                                  PHANDLE ConnectionHandle);

#endif

// ---------------------------------------------------------------------------
// Layouts. KS_POINTER_GROWTH is what each pointer or handle adds over its 4
// bytes on 32-bit Windows.

#define KS_POINTER_GROWTH (sizeof(PVOID) - 4)

static_assert(sizeof(KSIDENTIFIER) == 24, "KSIDENTIFIER is 24 bytes");
static_assert(FIELD_OFFSET(KSIDENTIFIER, Id) == 16 && FIELD_OFFSET(KSIDENTIFIER, Flags) == 20,
              "KSIDENTIFIER: Set, Id, Flags");
static_assert(FIELD_OFFSET(KSIDENTIFIER, Set) == 0, "KSIDENTIFIER: the set first");
static_assert(sizeof(KSP_NODE) == 32 && FIELD_OFFSET(KSP_NODE, NodeId) == 24, "KSP_NODE is 32 bytes");
static_assert(FIELD_OFFSET(KSP_NODE, Reserved) == 28 && FIELD_OFFSET(KSP_PIN, Reserved) == 28,
              "KSP_NODE and KSP_PIN: a reserved word last");
static_assert(sizeof(KSP_PIN) == 32 && FIELD_OFFSET(KSP_PIN, PinId) == 24, "KSP_PIN is 32 bytes");
static_assert(sizeof(KSMULTIPLE_ITEM) == 8 && FIELD_OFFSET(KSMULTIPLE_ITEM, Count) == 4,
              "KSMULTIPLE_ITEM: Size, then Count");
static_assert(sizeof(KSTIME) == 16, "KSTIME is 16 bytes");
static_assert(sizeof(KSSTREAM_HEADER) == 48 + KS_POINTER_GROWTH + (sizeof(PVOID) == 8 ? 4 : 0),
              "KSSTREAM_HEADER is 48 bytes on 32-bit Windows (56 with 64-bit pointers)");
static_assert(FIELD_OFFSET(KSSTREAM_HEADER, PresentationTime) == 8 && FIELD_OFFSET(KSSTREAM_HEADER, Duration) == 24 &&
                  FIELD_OFFSET(KSSTREAM_HEADER, FrameExtent) == 32 && FIELD_OFFSET(KSSTREAM_HEADER, DataUsed) == 36 &&
                  FIELD_OFFSET(KSSTREAM_HEADER, Data) == 40 &&
                  FIELD_OFFSET(KSSTREAM_HEADER, OptionsFlags) == 44 + KS_POINTER_GROWTH,
              "KSSTREAM_HEADER field offsets");
static_assert(sizeof(KSDATAFORMAT) == 64 && FIELD_OFFSET(KSDATAFORMAT, MajorFormat) == 16 &&
                  FIELD_OFFSET(KSDATAFORMAT, SubFormat) == 32 && FIELD_OFFSET(KSDATAFORMAT, Specifier) == 48,
              "KSDATAFORMAT is 64 bytes with the specifier at 48");
static_assert(sizeof(KSPRIORITY) == 8, "KSPRIORITY is 8 bytes");
// 24 + 24 + 4 + 4 + 8 = 64 on 32-bit Windows; the handle's growth and its
// alignment make 72 with 64-bit handles.
static_assert(FIELD_OFFSET(KSPIN_CONNECT, Medium) == 24 && FIELD_OFFSET(KSPIN_CONNECT, PinId) == 48 &&
                  FIELD_OFFSET(KSPIN_CONNECT, PinToHandle) == 52 + (sizeof(PVOID) == 8 ? 4 : 0) &&
                  FIELD_OFFSET(KSPIN_CONNECT, Priority) == 56 + 2 * KS_POINTER_GROWTH,
              "KSPIN_CONNECT field offsets");
static_assert(sizeof(KSPIN_CONNECT) == 64 + 2 * KS_POINTER_GROWTH, "KSPIN_CONNECT is 64 bytes on 32-bit Windows");
static_assert(sizeof(KSPIN_CINSTANCES) == 8, "KSPIN_CINSTANCES is 8 bytes");
static_assert(sizeof(KSSTATE) == 4, "KSSTATE is a 32-bit value");
#if defined(_WDMDDK_)
// 4 + 4 + 8 + 4 + 4 = 24 on 32-bit Windows.
static_assert(FIELD_OFFSET(KSOBJECT_CREATE_ITEM, ObjectClass) == 8 + 2 * KS_POINTER_GROWTH &&
                  sizeof(KSOBJECT_CREATE_ITEM) == 24 + 5 * KS_POINTER_GROWTH + (sizeof(PVOID) == 8 ? 4 : 0),
              "KSOBJECT_CREATE_ITEM is 24 bytes on 32-bit Windows");
// 10 fields of 4 bytes on 32-bit Windows; with 8-byte pointers each pointer
// after a ULONG is aligned to 8 (72 bytes).
static_assert(FIELD_OFFSET(KSPROPERTY_ITEM, GetPropertyHandler) == (sizeof(PVOID) == 8 ? 8 : 4) &&
                  FIELD_OFFSET(KSPROPERTY_ITEM, MinProperty) == (sizeof(PVOID) == 8 ? 16 : 8) &&
                  FIELD_OFFSET(KSPROPERTY_ITEM, MinData) == (sizeof(PVOID) == 8 ? 20 : 12) &&
                  FIELD_OFFSET(KSPROPERTY_ITEM, SetPropertyHandler) == (sizeof(PVOID) == 8 ? 24 : 16) &&
                  FIELD_OFFSET(KSPROPERTY_ITEM, Values) == (sizeof(PVOID) == 8 ? 32 : 20) &&
                  FIELD_OFFSET(KSPROPERTY_ITEM, RelationsCount) == (sizeof(PVOID) == 8 ? 40 : 24) &&
                  FIELD_OFFSET(KSPROPERTY_ITEM, Relations) == (sizeof(PVOID) == 8 ? 48 : 28) &&
                  FIELD_OFFSET(KSPROPERTY_ITEM, SupportHandler) == (sizeof(PVOID) == 8 ? 56 : 32) &&
                  FIELD_OFFSET(KSPROPERTY_ITEM, SerializedSize) == (sizeof(PVOID) == 8 ? 64 : 36),
              "KSPROPERTY_ITEM field offsets");
static_assert(sizeof(KSPROPERTY_ITEM) == (sizeof(PVOID) == 8 ? 72 : 40), "KSPROPERTY_ITEM is 40 bytes on 32-bit Windows");
// 5 fields of 4 bytes on 32-bit Windows; 40 bytes with 8-byte pointers.
static_assert(FIELD_OFFSET(KSPROPERTY_SET, PropertiesCount) == sizeof(PVOID) &&
                  FIELD_OFFSET(KSPROPERTY_SET, PropertyItem) == 2 * sizeof(PVOID) &&
                  FIELD_OFFSET(KSPROPERTY_SET, FastIoCount) == 3 * sizeof(PVOID) &&
                  FIELD_OFFSET(KSPROPERTY_SET, FastIoTable) == 4 * sizeof(PVOID) &&
                  sizeof(KSPROPERTY_SET) == 5 * sizeof(PVOID),
              "KSPROPERTY_SET is 20 bytes on 32-bit Windows");
#endif
