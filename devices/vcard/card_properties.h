// The card's property requests: each is captured from the requester into
// pool memory, checked against the card's table of properties and handed
// to the property's handler, which answers in the captured value.
#pragma once

#include "card.h"

typedef struct _CARD_PROPERTY_REQUEST {
    PCARD_OBJECT Object;
    const KSPROPERTY* Property;  // the property and what follows it (KSP_PIN, KSP_NODE, ranges)
    ULONG PropertyLength;
    PVOID Value;                 // the value, given (set) or answered (get)
    ULONG ValueLength;
    ULONG_PTR Information;       // bytes of the answer (get)
} CARD_PROPERTY_REQUEST, *PCARD_PROPERTY_REQUEST;

typedef NTSTATUS (*PFN_CARD_PROPERTY_HANDLER)(PCARD_PROPERTY_REQUEST Request);

// KSPROPSETID_Pin, on the filter
NTSTATUS CardGetPinInstances(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardGetPinTypes(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardGetPinDataFlow(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardGetPinDataRanges(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardGetPinDataIntersection(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardGetPinInterfaces(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardGetPinMediums(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardGetPinCommunication(PCARD_PROPERTY_REQUEST Request);

// KSPROPSETID_Connection, on a pin
NTSTATUS CardGetState(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardSetState(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardGetDataFormat(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardSetDataFormat(PCARD_PROPERTY_REQUEST Request);

// KSPROPSETID_Audio
NTSTATUS CardGetPosition(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardGetSpeakerGeometry(PCARD_PROPERTY_REQUEST Request);
NTSTATUS CardSetSpeakerGeometry(PCARD_PROPERTY_REQUEST Request);

// Answers a KSMULTIPLE_ITEM list of Count items of ItemBytes each (a
// multiple of 8): a zero-length buffer learns the size (buffer overflow),
// four bytes get the size, eight the size and count, and a buffer that
// holds everything gets everything.
NTSTATUS CardAnswerItems(PCARD_PROPERTY_REQUEST Request, const VOID* Items, ULONG Count, ULONG ItemBytes);
// Answers Bytes of data, or their size to a zero-length buffer.
NTSTATUS CardAnswerBytes(PCARD_PROPERTY_REQUEST Request, const VOID* Data, ULONG Bytes);
