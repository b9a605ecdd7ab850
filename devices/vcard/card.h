// The virtual sound card: a KS audio render driver with one filter factory
// ("Wave") and one pin factory (PCM render, in), playing what clients write
// on a clock and handing the played audio to the machine's sink.
//
// Objects of the card, each the FsContext of the file object a client
// opened:
//   filter  "\Wave" on the device (KSCATEGORY_AUDIO, KSCATEGORY_RENDER)
//   pin     KSSTRING_Pin relative to a filter, with a KSPIN_CONNECT
//
// A pin keeps the settings of the card's hardware key (refusals, the sink
// folder) as they were when it was created, so a test can change them for
// the next pin without restarting the card.
#pragma once

#include <wdm.h>

#include <ks.h>
#include <ksmedia.h>

#include "pool_tag.h"

constexpr ULONG kCardFilterTag = PoolTag("VCfl");
constexpr ULONG kCardPinTag = PoolTag("VCpn");
constexpr ULONG kCardPropertyTag = PoolTag("VCpr");
constexpr ULONG kCardRegistryTag = PoolTag("VCrg");
constexpr ULONG kCardStringTag = PoolTag("VCst");
constexpr ULONG kCardRemoveLockTag = PoolTag("VCrl");

// Pins the card plays at the same time.
constexpr ULONG kCardMaximumPins = 16;
// The largest data format a pin holds: a DirectSound specifier followed by
// a WAVEFORMATEXTENSIBLE.
constexpr ULONG kCardMaximumFormatBytes = 112;

// ---------------------------------------------------------------------------
// Settings of the hardware key ("Device Parameters" of the device)

typedef struct _CARD_SETTINGS {
    ULONG RefuseSampleRate;      // a format with this rate is refused
    ULONG RefuseBitsPerSample;   // ... with this sample size
    ULONG RefuseChannels;        // ... with this channel count
    ULONG RefuseStates;          // bit n: a change to KSSTATE n is refused
    ULONG RefuseSpeakerGeometry; // this geometry (a LONG; 0 for none) is refused
    ULONG RefusePositionQuery;   // non-zero: KSPROPERTY_AUDIO_POSITION fails
    ULONG RefuseFormatQuery;     // non-zero: a KSPROPERTY_CONNECTION_DATAFORMAT get fails
    UNICODE_STRING SinkFolder;   // where pins record what they play; empty: nowhere
} CARD_SETTINGS, *PCARD_SETTINGS;

VOID ReadCardSettings(PDEVICE_OBJECT PhysicalDeviceObject, PCARD_SETTINGS Settings);
VOID FreeCardSettings(PCARD_SETTINGS Settings);

// ---------------------------------------------------------------------------
// The device

typedef struct _CARD_DEVICE {
    PDEVICE_OBJECT Self;
    PDEVICE_OBJECT PhysicalDeviceObject;
    PDEVICE_OBJECT LowerDevice;
    IO_REMOVE_LOCK RemoveLock;
    UNICODE_STRING AudioInterface;
    UNICODE_STRING RenderInterface;
    KSOBJECT_CREATE_ITEM FilterCreateItem;  // "Wave", on the device
    KSOBJECT_CREATE_ITEM PinCreateItem;     // KSSTRING_Pin, on a filter
    LONG PinCount;                          // pins open now
    LONG PinSerial;                         // pins ever created; names their recordings
    LONG SpeakerGeometry;                   // KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY
} CARD_DEVICE, *PCARD_DEVICE;

// ---------------------------------------------------------------------------
// Objects

typedef enum _CARD_OBJECT_KIND { CardFilterObject = 1, CardPinObject = 2 } CARD_OBJECT_KIND;

typedef struct _CARD_OBJECT {
    CARD_OBJECT_KIND Kind;
    PCARD_DEVICE Device;
    PKSOBJECT_CREATE_ITEM CreateItem;  // the item that created it
    CARD_SETTINGS Settings;
} CARD_OBJECT, *PCARD_OBJECT;

typedef struct _CARD_FILTER {
    CARD_OBJECT Header;
} CARD_FILTER, *PCARD_FILTER;

typedef struct _CARD_PIN {
    CARD_OBJECT Header;
    KMUTEX Lock;                    // everything below
    ULONG Serial;
    ULONG Interface;                // KSINTERFACE_STANDARD_STREAMING or _LOOPED_STREAMING
    union {
        KSDATAFORMAT DataFormat;
        UCHAR Bytes[kCardMaximumFormatBytes];
    } Format;                       // the KSDATAFORMAT and its wave format, as set
    KSSTATE State;

    // The playback clock, in bytes of the stream. While the pin runs, the
    // bytes played grow with the machine's clock from the anchor on.
    ULONGLONG PlayedBytes;
    ULONGLONG WrittenBytes;         // standard streaming: bytes accepted since the stop
    ULONGLONG AnchorTime;           // interrupt time the count runs from
    ULONGLONG AnchorBytes;          // PlayedBytes at AnchorTime

    // Looped streaming: the client's buffer, locked while the card plays it.
    PMDL LoopedMdl;
    PUCHAR LoopedData;
    ULONG LoopedSize;

    // The recording of what the pin played.
    PVOID Sink;
    ULONG Recording;                // recordings made so far
} CARD_PIN, *PCARD_PIN;

PCARD_OBJECT CardObjectOf(PIRP Irp);

// Holds a pin's lock for the lifetime of the guard (PASSIVE_LEVEL).
class CardPinLock {
public:
    explicit CardPinLock(PCARD_PIN Pin) : m_Pin(Pin)
    {
        KeWaitForSingleObject(&m_Pin->Lock, Executive, KernelMode, FALSE, NULL);
    }
    ~CardPinLock() { KeReleaseMutex(&m_Pin->Lock, FALSE); }
    CardPinLock(const CardPinLock&) = delete;
    CardPinLock& operator=(const CardPinLock&) = delete;

private:
    PCARD_PIN m_Pin;
};
PCARD_PIN CardPinOf(PCARD_OBJECT Object);

// ---------------------------------------------------------------------------
// Dispatch (driver_entry.cpp and its neighbours)

DRIVER_ADD_DEVICE CardAddDevice;
DRIVER_DISPATCH CardDispatchCreate;
DRIVER_DISPATCH CardDispatchClose;
DRIVER_DISPATCH CardDispatchCleanup;
DRIVER_DISPATCH CardDispatchDeviceControl;
DRIVER_DISPATCH CardDispatchPnp;
DRIVER_DISPATCH CardDispatchPower;

NTSTATUS CardCompleteRequest(PIRP Irp, NTSTATUS Status, ULONG_PTR Information);

// Create items
NTSTATUS NTAPI CardCreateFilter(PDEVICE_OBJECT DeviceObject, PIRP Irp);
NTSTATUS NTAPI CardCreatePin(PDEVICE_OBJECT DeviceObject, PIRP Irp);
VOID CardDestroyPin(PCARD_PIN Pin);

// Requests on objects
NTSTATUS CardHandleProperty(PIRP Irp);
NTSTATUS CardWriteStream(PIRP Irp);

// ---------------------------------------------------------------------------
// Audio formats (audio_format.cpp)

// The wave format inside a data format whose specifier names one, or NULL.
const WAVEFORMATEX* CardWaveFormatOf(const KSDATAFORMAT* Format);
// Checks a data format a client gave (Bytes of it readable) against what
// the card plays: STATUS_INVALID_PARAMETER when it is malformed,
// STATUS_NO_MATCH when it is not a format of the card's ranges or one the
// settings refuse.
NTSTATUS CardCheckFormat(const KSDATAFORMAT* Format, ULONG Bytes, const CARD_SETTINGS* Settings);
// The first format of the client's data ranges that the card plays,
// written to Result (room for KSDATAFORMAT_DSOUND); its size or 0.
ULONG CardIntersectRange(const KSDATARANGE* Range, ULONG RangeBytes, const CARD_SETTINGS* Settings,
                         PKSDATAFORMAT Result);

extern const KSDATARANGE_AUDIO kCardDataRanges[2];

// ---------------------------------------------------------------------------
// The playback clock and the pin's output (pin_playback.cpp); the pin's
// lock is held by the caller.

// Brings the bytes played up to the machine's clock and records what the
// looped buffer played meanwhile.
VOID CardCatchUp(PCARD_PIN Pin);
VOID CardChangeState(PCARD_PIN Pin, KSSTATE State);
VOID CardPosition(PCARD_PIN Pin, PKSAUDIO_POSITION Position);
// Hands bytes the pin played to its recording (opened at the first bytes).
VOID CardRecord(PCARD_PIN Pin, const VOID* Data, ULONG Bytes);
VOID CardEndRecording(PCARD_PIN Pin);
VOID CardReleaseLoopedBuffer(PCARD_PIN Pin);
