#include "kova_params.h"

void LoadKOVADefaults(KOVAParams* params)
{
    params->Enable.Write(1);
    params->Headphone.Write(0);
    params->KVHDMode.Write(8);
    params->OutputMode.Write(0);
    params->ElevoEnable.Write(1);
    params->ElevoLevel.Write(0.5f);
    params->SubviaEnable.Write(1);
    params->SubviaLevel.Write(0.6f);
    params->SubviaSize.Write(1);
    params->SubviaSubEnable.Write(1);
    params->SubviaSubLevel.Write(0.6f);
    params->SubviaSubSize.Write(0);
    params->InputTrim.Write(1.0f);
    params->FrontGain.Write(1.0f);
    params->SurroundGain.Write(1.0f);
    params->CenterGain.Write(1.0f);
    params->SubwooferGain.Write(1.0f);
    params->FrontPresence.Write(1.0f);
    params->SurroundPresence.Write(0.0f);
    params->CenterPresence.Write(1.0f);
    params->CrossoverSelect.Write(0);
}

void CopyKOVAParams(const KOVAParams& from, KOVAParams* to)
{
    to->Enable.Write(from.Enable.Read());
    to->Headphone.Write(from.Headphone.Read());
    to->KVHDMode.Write(from.KVHDMode.Read());
    to->OutputMode.Write(from.OutputMode.Read());
    to->ElevoEnable.Write(from.ElevoEnable.Read());
    to->ElevoLevel.Write(from.ElevoLevel.Read());
    to->SubviaEnable.Write(from.SubviaEnable.Read());
    to->SubviaLevel.Write(from.SubviaLevel.Read());
    to->SubviaSize.Write(from.SubviaSize.Read());
    to->SubviaSubEnable.Write(from.SubviaSubEnable.Read());
    to->SubviaSubLevel.Write(from.SubviaSubLevel.Read());
    to->SubviaSubSize.Write(from.SubviaSubSize.Read());
    to->InputTrim.Write(from.InputTrim.Read());
    to->FrontGain.Write(from.FrontGain.Read());
    to->SurroundGain.Write(from.SurroundGain.Read());
    to->CenterGain.Write(from.CenterGain.Read());
    to->SubwooferGain.Write(from.SubwooferGain.Read());
    to->FrontPresence.Write(from.FrontPresence.Read());
    to->SurroundPresence.Write(from.SurroundPresence.Read());
    to->CenterPresence.Write(from.CenterPresence.Read());
    to->CrossoverSelect.Write(from.CrossoverSelect.Read());
}
