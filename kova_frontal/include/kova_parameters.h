// The KOVA parameters as the manager's getters and setters see them: the
// ranges the setters accept and the values of a newly created manager; and
// the stream formats SetFormat accepts. A refused value or format gets
// STATUS_INVALID_PARAMETER and changes nothing. Range tests are written as
// "inside" tests, so a NaN, which compares false with everything, is
// refused.
#pragma once

#include <wdm.h>

// Switches (Enable, Headphone, ElevoEnable, SubviaEnable, SubviaSubEnable)
// keep the low 8 bits of the setter's argument; any nonzero byte is on.

constexpr LONG kKOVAModeMaximum = 11;         // KVHDMode, the source layout, from 0
constexpr LONG kKOVAOutputModeMaximum = 7;    // OutputMode, a bit set, from 0
constexpr ULONG kKOVASubviaSizeMaximum = 7;   // SubviaSize, SubviaSubSize
constexpr ULONG kKOVACrossoverSelectMaximum = 3;
constexpr ULONG kKOVASpeakerGroupMaximum = 3;  // the group of positions 32 and 33
// ElevoLevel, SubviaLevel, SubviaSubLevel: 0 .. 1
constexpr float kKOVALevelMaximum = 1.0f;
// InputGain, OutputGain (linear): 0 .. 2
constexpr float kKOVAGainMaximum = 2.0f;
// FrontPresence, CenterPresence: 0 .. 4 (the property set reaches them)
constexpr float kKOVAPresenceMaximum = 4.0f;
// The speaker-group gains (FrontGain, SurroundGain, CenterGain,
// SubwooferGain) take any value.

inline bool IsKOVAUnitLevel(float level) { return level >= 0.0f && level <= kKOVALevelMaximum; }
inline bool IsKOVALinearGain(float gain) { return gain >= 0.0f && gain <= kKOVAGainMaximum; }
inline bool IsKOVAPresenceLevel(float level) { return level >= 0.0f && level <= kKOVAPresenceMaximum; }

// A new manager's values.
constexpr USHORT kKOVADefaultEnable = 1;
constexpr USHORT kKOVADefaultHeadphone = 0;
constexpr LONG kKOVADefaultMode = 8;  // stereo, surrounds derived from L - R
constexpr LONG kKOVADefaultOutputMode = 0;
constexpr USHORT kKOVADefaultElevoEnable = 1;
constexpr float kKOVADefaultElevoLevel = 0.5f;
constexpr USHORT kKOVADefaultSubviaEnable = 1;
constexpr float kKOVADefaultSubviaLevel = 0.6f;
constexpr ULONG kKOVADefaultSubviaSize = 1;
constexpr USHORT kKOVADefaultSubviaSubEnable = 1;
constexpr float kKOVADefaultSubviaSubLevel = 0.6f;
constexpr ULONG kKOVADefaultSubviaSubSize = 0;
constexpr float kKOVADefaultInputGain = 1.0f;
constexpr float kKOVADefaultOutputGain = 1.0f;
constexpr float kKOVADefaultSpeakerGroupGain = 1.0f;  // each of the four groups
constexpr float kKOVADefaultFrontPresence = 1.0f;
constexpr float kKOVADefaultCenterPresence = 1.0f;
constexpr ULONG kKOVADefaultCrossoverSelect = 0;

// Stream formats: SetFormat takes one of these sample widths and channel
// counts with one of these channel masks, when the mask names no more
// speakers than the stream has channels. The rate may be any value.
constexpr USHORT kKOVABitsPerSample[] = {8, 16, 24, 32};
constexpr USHORT kKOVAChannelCounts[] = {2, 4, 6, 7, 8};
constexpr ULONG kKOVAChannelMasks[] = {
    0x3,    // FL FR
    0x33,   // FL FR BL BR
    0x3F,   // FL FR FC LFE BL BR
    0x60F,  // FL FR FC LFE SL SR
    0x13F,  // FL FR FC LFE BL BR BC
};
