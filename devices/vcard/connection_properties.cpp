// KSPROPSETID_Connection on a pin: its state and its data format.

#include "card_properties.h"

NTSTATUS CardGetState(PCARD_PROPERTY_REQUEST Request)
{
    PCARD_PIN pin = CardPinOf(Request->Object);
    CardPinLock lock(pin);
    RtlCopyMemory(Request->Value, &pin->State, sizeof(KSSTATE));
    return STATUS_SUCCESS;
}

// A pin goes to any state it is asked for (the steps between are implied);
// a state the settings refuse is refused as hardware that cannot get there.
NTSTATUS CardSetState(PCARD_PROPERTY_REQUEST Request)
{
    PCARD_PIN pin = CardPinOf(Request->Object);
    ULONG state = 0;
    RtlCopyMemory(&state, Request->Value, sizeof(state));
    if (state > KSSTATE_RUN) {
        return STATUS_INVALID_PARAMETER;
    }
    if (pin->Header.Settings.RefuseStates & (1u << state)) {
        return STATUS_INVALID_DEVICE_STATE;
    }
    CardPinLock lock(pin);
    CardChangeState(pin, static_cast<KSSTATE>(state));
    return STATUS_SUCCESS;
}

NTSTATUS CardGetDataFormat(PCARD_PROPERTY_REQUEST Request)
{
    PCARD_PIN pin = CardPinOf(Request->Object);
    if (pin->Header.Settings.RefuseFormatQuery) {
        return STATUS_UNSUCCESSFUL;
    }
    CardPinLock lock(pin);
    return CardAnswerBytes(Request, pin->Format.Bytes, pin->Format.DataFormat.FormatSize);
}

// A new format takes effect between streams: not while the pin runs. What
// the pin played so far stays in its recording; the new format starts the
// next one.
NTSTATUS CardSetDataFormat(PCARD_PROPERTY_REQUEST Request)
{
    PCARD_PIN pin = CardPinOf(Request->Object);
    const KSDATAFORMAT* format = static_cast<const KSDATAFORMAT*>(Request->Value);
    const NTSTATUS status = CardCheckFormat(format, Request->ValueLength, &pin->Header.Settings);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    CardPinLock lock(pin);
    if (pin->State == KSSTATE_RUN) {
        return STATUS_INVALID_DEVICE_STATE;
    }
    CardEndRecording(pin);
    RtlZeroMemory(&pin->Format, sizeof(pin->Format));
    RtlCopyMemory(pin->Format.Bytes, format, format->FormatSize);
    return STATUS_SUCCESS;
}
