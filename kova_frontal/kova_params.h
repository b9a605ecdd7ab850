// The KOVA parameter record: what the manager holds and what every stream
// copies at SetFormat. The manager's setters write single fields of it while
// streams read them (shared_word.h); the ranges below are the ones the
// setters accept.
#pragma once

#include <wdm.h>

#include "shared_word.h"

// Frames per processing block.
constexpr ULONG kKOVABlockFrames = 16;

struct KOVAParams {
    SharedFlag Enable;
    SharedFlag Headphone;
    SharedLong KVHDMode;
    SharedLong OutputMode;
    SharedFlag ElevoEnable;
    SharedFloat ElevoLevel;
    SharedFlag SubviaEnable;
    SharedFloat SubviaLevel;
    SharedULong SubviaSize;
    SharedFlag SubviaSubEnable;
    SharedFloat SubviaSubLevel;
    SharedULong SubviaSubSize;
    SharedFloat InputTrim;           // always 1.0: no operation changes it
    SharedFloat FrontGain;
    SharedFloat SurroundGain;
    SharedFloat CenterGain;
    SharedFloat SubwooferGain;
    SharedFloat FrontPresence;
    SharedFloat SurroundPresence;    // always 0.0: no operation changes it
    SharedFloat CenterPresence;
    SharedULong CrossoverSelect;
};

// Ranges the manager's setters accept. Written as "inside" tests so that a
// NaN, which compares false with everything, is refused.
constexpr LONG kKOVAModeMax = 11;
constexpr LONG kKOVAOutputModeMax = 7;
constexpr ULONG kSubviaSizeMax = 7;
constexpr ULONG kCrossoverSelectMax = 3;
constexpr ULONG kSpeakerGroupMax = 3;
constexpr float kPresenceMax = 4.0f;
constexpr float kGainMax = 2.0f;

inline bool IsUnitLevel(float level) { return level >= 0.0f && level <= 1.0f; }
inline bool IsLinearGain(float gain) { return gain >= 0.0f && gain <= kGainMax; }
inline bool IsPresenceLevel(float level) { return level >= 0.0f && level <= kPresenceMax; }

// Fills `params` with the defaults of a new manager.
void LoadKOVADefaults(KOVAParams* params);

// Copies every field of `from` into `to`, word by word.
void CopyKOVAParams(const KOVAParams& from, KOVAParams* to);
