// The filter driver's own property set, as a client sends it with
// IOCTL_KS_PROPERTY on any object of a sound card the filter sits on (the
// card's filter or one of its pins): a plain KSPROPERTY (24 bytes) and one
// 32-bit value.
//
//   ProcMode       get, set   which engine processes played audio
//   HandlePrivate  set        an event of the caller's process that the
//                             driver signals when another client changes a
//                             setting; null unregisters it
#pragma once

#include <guiddef.h>

// {03CEE026-E4B7-4BDF-8F62-93A0E6E32E40}
DEFINE_GUID(KSPROPSETID_VYOFilter, 0x03CEE026L, 0xE4B7, 0x4BDF, 0x8F, 0x62, 0x93, 0xA0, 0xE6, 0xE3, 0x2E, 0x40);

enum KSPROPERTY_VYOFILTER {
    KSPROPERTY_VYOFILTER_PROCMODE = 3,
    KSPROPERTY_VYOFILTER_HANDLEPRIVATE = 5,
};

// Values of ProcMode. A set above VYOFILTER_PROCMODE_MAXIMUM is refused with
// STATUS_INVALID_PARAMETER; 2 to 6 all mean that nothing processes.
enum VYOFILTER_PROCMODE {
    VYOFILTER_PROCMODE_VYOHD = 0,  // the VYO HD stereo enhancer
    VYOFILTER_PROCMODE_KOVA = 1,   // the KOVA virtualizer, while its Enable is on
    VYOFILTER_PROCMODE_OFF = 2,
    VYOFILTER_PROCMODE_MAXIMUM = 6,
};
