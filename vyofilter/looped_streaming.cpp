#include "looped_streaming.h"

VOID AcceptLoopedBuffer(StreamContext* context, const KSSTREAM_HEADER* header)
{
    UNREFERENCED_PARAMETER(context);
    UNREFERENCED_PARAMETER(header);
}

VOID StopLoopWorker(StreamContext* context)
{
    UNREFERENCED_PARAMETER(context);
}

VOID FilterPinInterfaces(FilterDevice* device, PVOID answer, ULONG outputLength)
{
    UNREFERENCED_PARAMETER(device);
    UNREFERENCED_PARAMETER(answer);
    UNREFERENCED_PARAMETER(outputLength);
}
