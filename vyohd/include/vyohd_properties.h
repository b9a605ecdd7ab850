// The VYO HD control property set: what a client sends in IOCTL_KS_PROPERTY
// to read or change the engine's parameters. The request is a KSPROPERTY
// (24 bytes; a longer structure such as KSP_NODE is accepted) with Flags
// KSPROPERTY_TYPE_GET or KSPROPERTY_TYPE_SET, and the value is one 32-bit
// integer: switches 0 or 1, choices as integers, levels in percent (value x
// 100), gains in whole decibels -20..6 or -999 for a gain of 0. Sets are
// validated by the manager's setters and reach every stream; they are not
// saved until the owner calls SaveSettings.
#pragma once

#include <guiddef.h>

// {3627B5B0-07F9-4F34-9A0D-8F2057AC5FFD}
DEFINE_GUID(KSPROPSETID_VYOHD, 0x3627B5B0L, 0x07F9, 0x4F34, 0x9A, 0x0D, 0x8F, 0x20, 0x57, 0xAC, 0x5F, 0xFD);

// Ids 5, 7 and 13 are not defined.
enum KSPROPERTY_VYOHD {
    KSPROPERTY_VYOHD_ENABLE = 0,          // 0 or 1
    KSPROPERTY_VYOHD_QELSIZE = 1,         // 0 or 1; a set above 1 is ignored with success
    KSPROPERTY_VYOHD_QELWIDTH = 2,        // percent 0..100
    KSPROPERTY_VYOHD_SUBVIALEVEL = 3,     // percent 0..100
    KSPROPERTY_VYOHD_SUBVIASIZE = 4,      // speaker size 0..7
    KSPROPERTY_VYOHD_ELEVOLEVEL = 6,      // percent 0..100
    KSPROPERTY_VYOHD_NITIDALEVEL = 8,     // percent 0..400
    KSPROPERTY_VYOHD_INPUTGAIN = 9,       // dB -20..6, or -999
    KSPROPERTY_VYOHD_OUTPUTGAIN = 10,     // dB -20..6, or -999
    KSPROPERTY_VYOHD_LIMITERENABLE = 11,  // 0 or 1
    KSPROPERTY_VYOHD_LIMITERLEVEL = 12,   // percent 0..100
    KSPROPERTY_VYOHD_CENTERLEVEL = 14,    // percent 0..100
    KSPROPERTY_VYOHD_QELMODE = 15,        // 3D mode 0..3
    KSPROPERTY_VYOHD_BYPASSGAIN = 16,     // dB -20..6, or -999
};
