// The KOVA control property set: what a client sends in IOCTL_KS_PROPERTY
// to read or change the engine's parameters. The request is a KSPROPERTY
// (24 bytes) with Flags KSPROPERTY_TYPE_GET or KSPROPERTY_TYPE_SET; the
// speaker-group gain needs a KSP_NODE (32 bytes) whose NodeId (low 16 bits)
// names the group. The value is one 32-bit integer in every case. Sets are
// validated and reach every stream; they are not saved to the registry.
#pragma once

#include <guiddef.h>

// {044AEFB5-4590-420E-9F05-73FAC19F0B27}
DEFINE_GUID(KSPROPSETID_KOVA, 0x044AEFB5L, 0x4590, 0x420E, 0x9F, 0x05, 0x73, 0xFA, 0xC1, 0x9F, 0x0B, 0x27);

// Id 16 is not defined.
enum KSPROPERTY_KOVA {
    KSPROPERTY_KOVA_ENABLE = 0,            // 0 or 1
    KSPROPERTY_KOVA_HEADPHONE = 1,         // 0 or 1
    KSPROPERTY_KOVA_KVHDMODE = 2,          // source layout mode 0..11
    KSPROPERTY_KOVA_ELEVOENABLE = 3,       // 0 or 1
    KSPROPERTY_KOVA_ELEVOLEVEL = 4,        // percent 0..100
    KSPROPERTY_KOVA_SUBVIAENABLE = 5,      // 0 or 1
    KSPROPERTY_KOVA_SUBVIALEVEL = 6,       // percent 0..100
    KSPROPERTY_KOVA_SUBVIASIZE = 7,        // speaker size 0..7
    KSPROPERTY_KOVA_INPUTGAIN = 8,         // dB -20..6, or -999 for a gain of 0
    KSPROPERTY_KOVA_OUTPUTGAIN = 9,        // dB -20..6, or -999
    KSPROPERTY_KOVA_OUTPUTMODE = 10,       // output layout 0..7
    KSPROPERTY_KOVA_SUBVIASUBENABLE = 11,  // 0 or 1
    KSPROPERTY_KOVA_SUBVIASUBLEVEL = 12,   // percent 0..100
    KSPROPERTY_KOVA_SUBVIASUBSIZE = 13,    // speaker size 0..7
    KSPROPERTY_KOVA_GROUPGAIN = 14,        // KSP_NODE, NodeId 0..3 (KOVASpeakerGroup); dB -20..6, or -999
    KSPROPERTY_KOVA_FRONTPRESENCE = 15,    // level x 25, 0..100
    KSPROPERTY_KOVA_CENTERPRESENCE = 17,   // level x 25, 0..100
    KSPROPERTY_KOVA_CROSSOVERSELECT = 18,  // crossover 0..3
};
