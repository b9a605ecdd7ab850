#include "data_format_query.h"

#include "allocate_zeroed_pool.h"
#include "ks_property_request.h"
#include "pool_tags.h"

NTSTATUS QueryPinDataFormat(FilterDevice* device, PFILE_OBJECT pin, POOL_TYPE pool, PKSDATAFORMAT* answer,
                            PULONG bytes)
{
    *answer = NULL;
    *bytes = 0;
    PKSDATAFORMAT format =
        static_cast<PKSDATAFORMAT>(AllocateZeroedPool(kDataFormatAnswerBytes, pool, kFormatQueryTag));
    if (format == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    ULONG_PTR returned = 0;
    const NTSTATUS status =
        SendKsPropertyRequest(device->LowerDevice, pin, KSPROPSETID_Connection, KSPROPERTY_CONNECTION_DATAFORMAT,
                              KSPROPERTY_TYPE_GET, format, kDataFormatAnswerBytes, &returned);
    if (!NT_SUCCESS(status)) {
        FreeDataFormatAnswer(format);
        return status;
    }
    *answer = format;
    *bytes = returned < kDataFormatAnswerBytes ? static_cast<ULONG>(returned) : kDataFormatAnswerBytes;
    return status;
}

VOID FreeDataFormatAnswer(PKSDATAFORMAT answer)
{
    ExFreePoolWithTag(answer, kFormatQueryTag);
}

const WAVEFORMATEX* WaveFormatOf(const KSDATAFORMAT* format, ULONG bytes)
{
    ULONG offset = 0;
    if (bytes < sizeof(KSDATAFORMAT)) {
        return NULL;
    }
    if (IsEqualGUID(format->Specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX)) {
        offset = FIELD_OFFSET(KSDATAFORMAT_WAVEFORMATEX, WaveFormatEx);
    } else if (IsEqualGUID(format->Specifier, KSDATAFORMAT_SPECIFIER_DSOUND)) {
        offset = FIELD_OFFSET(KSDATAFORMAT_DSOUND, BufferDesc) + FIELD_OFFSET(KSDSOUND_BUFFERDESC, WaveFormatEx);
    } else {
        return NULL;
    }
    if (bytes < offset + sizeof(WAVEFORMATEX)) {
        return NULL;
    }
    return reinterpret_cast<const WAVEFORMATEX*>(reinterpret_cast<const UCHAR*>(format) + offset);
}
