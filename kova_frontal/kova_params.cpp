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

void CopyKOVAParams(const KOVAParams& from, KOVAParams* to)
{
    to->Enable.Store(from.Enable.Load());
    to->Headphone.Store(from.Headphone.Load());
    to->KVHDMode.Store(from.KVHDMode.Load());
    to->OutputMode.Store(from.OutputMode.Load());
    to->ElevoEnable.Store(from.ElevoEnable.Load());
    to->ElevoLevel.Store(from.ElevoLevel.Load());
    to->SubviaEnable.Store(from.SubviaEnable.Load());
    to->SubviaLevel.Store(from.SubviaLevel.Load());
    to->SubviaSize.Store(from.SubviaSize.Load());
    to->SubviaSubEnable.Store(from.SubviaSubEnable.Load());
    to->SubviaSubLevel.Store(from.SubviaSubLevel.Load());
    to->SubviaSubSize.Store(from.SubviaSubSize.Load());
    to->InputTrim.Store(from.InputTrim.Load());
    to->FrontGain.Store(from.FrontGain.Load());
    to->SurroundGain.Store(from.SurroundGain.Load());
    to->CenterGain.Store(from.CenterGain.Load());
    to->SubwooferGain.Store(from.SubwooferGain.Load());
    to->FrontPresence.Store(from.FrontPresence.Load());
    to->SurroundPresence.Store(from.SurroundPresence.Load());
    to->CenterPresence.Store(from.CenterPresence.Load());
    to->CrossoverSelect.Store(from.CrossoverSelect.Load());
}
