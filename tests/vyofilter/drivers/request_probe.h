// The request probe: an upper filter that the tests place between the card
// and VYOFilter. It records every request that VYOFilter sends down, as the
// card receives it, and can hold write-stream requests until the test lets
// them go (a held write is recorded twice: when it arrives and when it
// leaves). Its controls are exported from the driver library (libvfprobe.so)
// and reached through probe_control.h.
#pragma once

#include <wdm.h>

struct ProbeRecord {
    UCHAR MajorFunction;
    UCHAR MinorFunction;
    ULONG IoControlCode;
    ULONG InputBufferLength;
    ULONG OutputBufferLength;
    PVOID Type3InputBuffer;
    PVOID UserBuffer;
    PFILE_OBJECT FileObject;
    KPROCESSOR_MODE RequestorMode;
    PKTHREAD Thread;            // the thread that dispatched it
    BOOLEAN WriteWasHeld;       // a write-stream request the probe held, as it arrived
    UCHAR Property[32];         // the first bytes of a property request's property
};

typedef VOID (*PFN_PROBE_RESET)(BOOLEAN holdWrites);
typedef ULONG (*PFN_PROBE_RECORDS)(ProbeRecord* records, ULONG maximum);
typedef BOOLEAN (*PFN_PROBE_WAIT_FOR_HELD_WRITE)(LONG milliseconds);
typedef VOID (*PFN_PROBE_RELEASE_WRITES)(VOID);
