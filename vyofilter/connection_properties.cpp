// KSPROPSETID_Connection sets on a pin: once the card has taken a new state
// or format, the pin's StreamContext learns it.

#include <ksmedia.h>

#include "data_format_query.h"
#include "property_handlers.h"
#include "stream_context.h"

NTSTATUS NTAPI SetConnectionState(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    const NTSTATUS status = ForwardCapturedProperty(irp, request, data);
    if (NT_SUCCESS(status)) {
        ApplyStreamState(&FilterDeviceOfRequest(irp)->Engines, IoGetCurrentIrpStackLocation(irp)->FileObject,
                         *static_cast<const KSSTATE*>(data));
    }
    return status;
}

// A format with a wave format behind the KSDATAFORMAT is learned when the
// card accepts it (and only when the value holds the whole wave format);
// any other specifier goes down untouched and is learned at the next
// acquire, from the card.
NTSTATUS NTAPI SetConnectionDataFormat(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    const KSDATAFORMAT* format = static_cast<const KSDATAFORMAT*>(data);
    if (!IsEqualGUID(format->Specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX)) {
        return PassDownUntouched(irp, request, data);
    }
    const NTSTATUS status = ForwardCapturedProperty(irp, request, data);
    if (NT_SUCCESS(status)) {
        const ULONG valueLength = IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.OutputBufferLength;
        const WAVEFORMATEX* wave = WaveFormatOf(format, valueLength);
        if (wave != NULL) {
            SetStreamFormat(&FilterDeviceOfRequest(irp)->Engines, IoGetCurrentIrpStackLocation(irp)->FileObject, wave);
        }
        irp->IoStatus.Information = 0;
    }
    return status;
}
