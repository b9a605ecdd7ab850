// KSPROPSETID_Audio: a pin's play and write positions, and the card's
// speaker geometry (one value for the whole card, on any node).

#include "card_properties.h"

NTSTATUS CardGetPosition(PCARD_PROPERTY_REQUEST Request)
{
    PCARD_PIN pin = CardPinOf(Request->Object);
    if (pin->Header.Settings.RefusePositionQuery) {
        return STATUS_UNSUCCESSFUL;
    }
    KSAUDIO_POSITION position;
    {
        CardPinLock lock(pin);
        CardPosition(pin, &position);
    }
    RtlCopyMemory(Request->Value, &position, sizeof(position));
    return STATUS_SUCCESS;
}

NTSTATUS CardGetSpeakerGeometry(PCARD_PROPERTY_REQUEST Request)
{
    const LONG geometry = ReadNoFence(&Request->Object->Device->SpeakerGeometry);
    RtlCopyMemory(Request->Value, &geometry, sizeof(geometry));
    return STATUS_SUCCESS;
}

// Headphones, or an angle between the speakers from 5 to 180 degrees.
NTSTATUS CardSetSpeakerGeometry(PCARD_PROPERTY_REQUEST Request)
{
    LONG geometry = 0;
    RtlCopyMemory(&geometry, Request->Value, sizeof(geometry));
    if (geometry != KSAUDIO_STEREO_SPEAKER_GEOMETRY_HEADPHONE &&
        (geometry < KSAUDIO_STEREO_SPEAKER_GEOMETRY_MIN || geometry > KSAUDIO_STEREO_SPEAKER_GEOMETRY_MAX)) {
        return STATUS_INVALID_PARAMETER;
    }
    if (Request->Object->Settings.RefuseSpeakerGeometry != 0 &&
        (LONG)Request->Object->Settings.RefuseSpeakerGeometry == geometry) {
        return STATUS_NOT_SUPPORTED;
    }
    InterlockedExchange(&Request->Object->Device->SpeakerGeometry, geometry);
    return STATUS_SUCCESS;
}
