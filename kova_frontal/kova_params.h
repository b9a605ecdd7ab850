// The KOVA parameter record: what the manager holds and what every stream
// takes into its DSP state at SetFormat. The manager's setters write single fields of it while
// streams read them (shared_word.h); the ranges the setters accept and the
// defaults are public (kova_parameters.h).
#pragma once

#include <wdm.h>

#include "kova_parameters.h"
#include "shared_word.h"

// Frames per processing block.
constexpr ULONG kKOVABlockFrames = 16;

// Two fields no operation changes.
constexpr float kKOVAInputTrim = 1.0f;
constexpr float kKOVASurroundPresence = 0.0f;

struct KOVAParams {
    SharedFlag Enable;
    SharedFlag Headphone;
    SharedWord<LONG> KVHDMode;
    SharedWord<LONG> OutputMode;
    SharedFlag ElevoEnable;
    SharedWord<float> ElevoLevel;
    SharedFlag SubviaEnable;
    SharedWord<float> SubviaLevel;
    SharedWord<ULONG> SubviaSize;
    SharedFlag SubviaSubEnable;
    SharedWord<float> SubviaSubLevel;
    SharedWord<ULONG> SubviaSubSize;
    SharedWord<float> InputTrim;         // always kKOVAInputTrim
    SharedWord<float> FrontGain;
    SharedWord<float> SurroundGain;
    SharedWord<float> CenterGain;
    SharedWord<float> SubwooferGain;
    SharedWord<float> FrontPresence;
    SharedWord<float> SurroundPresence;  // always kKOVASurroundPresence
    SharedWord<float> CenterPresence;
    SharedWord<ULONG> CrossoverSelect;
};

// Fills `params` with the defaults of a new manager.
void LoadKOVADefaults(KOVAParams* params);
