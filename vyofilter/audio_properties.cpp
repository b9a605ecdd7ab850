// KSPROPSETID_Audio: the speaker geometry a client sets on any node tells
// the VYO HD engine whether headphones are in use, once the card has taken
// it. The KOVA engine has its own headphone setting and is not told.

#include <ksmedia.h>

#include "ks_property_request.h"
#include "property_handlers.h"

NTSTATUS NTAPI SetSpeakerGeometry(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    FilterDevice* device = FilterDeviceOfRequest(irp);
    ULONG_PTR returned = 0;
    const NTSTATUS status =
        SendKsPropertyRequest(device->LowerDevice, IoGetCurrentIrpStackLocation(irp)->FileObject, request,
                              sizeof(KSP_NODE), data, sizeof(LONG), &returned);
    if (NT_SUCCESS(status) && device->Engines.Vyohd != NULL) {
        const LONG geometry = *static_cast<const LONG*>(data);
        device->Engines.Vyohd->SetQELSize(geometry == KSAUDIO_STEREO_SPEAKER_GEOMETRY_HEADPHONE ? 1 : 0);
    }
    irp->IoStatus.Information = returned;
    return status;
}
