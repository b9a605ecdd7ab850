// KSPROPSETID_Pin on the card's filter: its one pin factory, a PCM render
// sink that takes standard and looped streaming.

#include "card_properties.h"

namespace {

const KSPIN_INTERFACE kCardInterfaces[] = {
    {{{KSINTERFACESETID_Standard, KSINTERFACE_STANDARD_STREAMING, 0}}},
    {{{KSINTERFACESETID_Standard, KSINTERFACE_STANDARD_LOOPED_STREAMING, 0}}},
};

const KSPIN_MEDIUM kCardMediums[] = {
    {{{KSMEDIUMSETID_Standard, KSMEDIUM_TYPE_ANYINSTANCE, 0}}},
};

// Properties of a pin factory name it in a KSP_PIN; the card has factory 0.
BOOLEAN NamesCardPin(PCARD_PROPERTY_REQUEST Request)
{
    return reinterpret_cast<const KSP_PIN*>(Request->Property)->PinId == 0;
}

template <typename T>
NTSTATUS AnswerValue(PCARD_PROPERTY_REQUEST Request, const T& Value)
{
    if (!NamesCardPin(Request)) {
        return STATUS_INVALID_PARAMETER;
    }
    RtlCopyMemory(Request->Value, &Value, sizeof(T));
    return STATUS_SUCCESS;
}

// The first of the client's ranges (a KSMULTIPLE_ITEM of 8-aligned ranges
// behind the KSP_PIN) that the card plays, as a data format.
NTSTATUS IntersectRanges(PCARD_PROPERTY_REQUEST Request, PKSDATAFORMAT Result, ULONG* ResultBytes)
{
    const ULONG listBytes = Request->PropertyLength - sizeof(KSP_PIN);
    const PUCHAR list = (PUCHAR)Request->Property + sizeof(KSP_PIN);
    KSMULTIPLE_ITEM header;
    RtlCopyMemory(&header, list, sizeof(header));
    if (header.Size < sizeof(header) || header.Size > listBytes) {
        return STATUS_INVALID_PARAMETER;
    }
    ULONG offset = sizeof(header);
    for (ULONG i = 0; i < header.Count; ++i) {
        if (header.Size - offset < sizeof(KSDATARANGE)) {
            return STATUS_INVALID_PARAMETER;
        }
        const KSDATARANGE* range = reinterpret_cast<const KSDATARANGE*>(list + offset);
        if (range->FormatSize < sizeof(KSDATARANGE) || range->FormatSize > header.Size - offset) {
            return STATUS_INVALID_PARAMETER;
        }
        *ResultBytes = CardIntersectRange(range, range->FormatSize, &Request->Object->Settings, Result);
        if (*ResultBytes > 0) {
            return STATUS_SUCCESS;
        }
        const ULONG next = (range->FormatSize + 7) & ~7u;
        if (next >= header.Size - offset) {
            break;
        }
        offset += next;
    }
    return STATUS_NO_MATCH;
}

}  // namespace

NTSTATUS CardGetPinInstances(PCARD_PROPERTY_REQUEST Request)
{
    KSPIN_CINSTANCES instances;
    instances.PossibleCount = kCardMaximumPins;
    instances.CurrentCount = (ULONG)ReadNoFence(&Request->Object->Device->PinCount);
    return AnswerValue(Request, instances);
}

NTSTATUS CardGetPinTypes(PCARD_PROPERTY_REQUEST Request)
{
    const ULONG types = 1;
    RtlCopyMemory(Request->Value, &types, sizeof(types));
    return STATUS_SUCCESS;
}

NTSTATUS CardGetPinDataFlow(PCARD_PROPERTY_REQUEST Request)
{
    return AnswerValue(Request, KSPIN_DATAFLOW_IN);
}

NTSTATUS CardGetPinCommunication(PCARD_PROPERTY_REQUEST Request)
{
    return AnswerValue(Request, KSPIN_COMMUNICATION_SINK);
}

NTSTATUS CardGetPinDataRanges(PCARD_PROPERTY_REQUEST Request)
{
    if (!NamesCardPin(Request)) {
        return STATUS_INVALID_PARAMETER;
    }
    static_assert(sizeof(KSDATARANGE_AUDIO) % 8 == 0, "ranges follow each other 8-aligned");
    return CardAnswerItems(Request, kCardDataRanges, ARRAYSIZE(kCardDataRanges), sizeof(KSDATARANGE_AUDIO));
}

NTSTATUS CardGetPinInterfaces(PCARD_PROPERTY_REQUEST Request)
{
    if (!NamesCardPin(Request)) {
        return STATUS_INVALID_PARAMETER;
    }
    return CardAnswerItems(Request, kCardInterfaces, ARRAYSIZE(kCardInterfaces), sizeof(KSPIN_INTERFACE));
}

NTSTATUS CardGetPinMediums(PCARD_PROPERTY_REQUEST Request)
{
    if (!NamesCardPin(Request)) {
        return STATUS_INVALID_PARAMETER;
    }
    return CardAnswerItems(Request, kCardMediums, ARRAYSIZE(kCardMediums), sizeof(KSPIN_MEDIUM));
}

NTSTATUS CardGetPinDataIntersection(PCARD_PROPERTY_REQUEST Request)
{
    if (!NamesCardPin(Request)) {
        return STATUS_INVALID_PARAMETER;
    }
    union {
        KSDATAFORMAT format;
        UCHAR bytes[sizeof(KSDATAFORMAT_DSOUND)];
    } result;
    ULONG resultBytes = 0;
    const NTSTATUS status = IntersectRanges(Request, &result.format, &resultBytes);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    return CardAnswerBytes(Request, result.bytes, resultBytes);
}
