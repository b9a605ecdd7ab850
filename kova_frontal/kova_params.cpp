#include "kova_params.h"

void LoadKOVADefaults(KOVAParams* params)
{
    params->Enable.Store(kKOVADefaultEnable);
    params->Headphone.Store(kKOVADefaultHeadphone);
    params->KVHDMode.Store(kKOVADefaultMode);
    params->OutputMode.Store(kKOVADefaultOutputMode);
    params->ElevoEnable.Store(kKOVADefaultElevoEnable);
    params->ElevoLevel.Store(kKOVADefaultElevoLevel);
    params->SubviaEnable.Store(kKOVADefaultSubviaEnable);
    params->SubviaLevel.Store(kKOVADefaultSubviaLevel);
    params->SubviaSize.Store(kKOVADefaultSubviaSize);
    params->SubviaSubEnable.Store(kKOVADefaultSubviaSubEnable);
    params->SubviaSubLevel.Store(kKOVADefaultSubviaSubLevel);
    params->SubviaSubSize.Store(kKOVADefaultSubviaSubSize);
    params->InputTrim.Store(kKOVAInputTrim);
    params->FrontGain.Store(kKOVADefaultSpeakerGroupGain);
    params->SurroundGain.Store(kKOVADefaultSpeakerGroupGain);
    params->CenterGain.Store(kKOVADefaultSpeakerGroupGain);
    params->SubwooferGain.Store(kKOVADefaultSpeakerGroupGain);
    params->FrontPresence.Store(kKOVADefaultFrontPresence);
    params->SurroundPresence.Store(kKOVASurroundPresence);
    params->CenterPresence.Store(kKOVADefaultCenterPresence);
    params->CrossoverSelect.Store(kKOVADefaultCrossoverSelect);
}
