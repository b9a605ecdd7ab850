#include "kova_state.h"

namespace {

void ApplySubviaParameters(SubviaStage& stage, KOVARateClass rateClass, USHORT enable, float level, ULONG size)
{
    stage.Reinitialize(rateClass);
    stage.SetEnable(enable);
    stage.SetLevel(level);
    stage.SetSize(size);
    stage.sizeChanged.Store(0);
    stage.SelectSize();
}

}  // namespace

void KOVAState::Initialize(KOVARateClass newRateClass, const KOVAParams& params)
{
    rateClass = newRateClass;

    core.Reinitialize(rateClass);
    core.elevo.SetLevel(params.ElevoLevel.Load());
    core.elevo.SetEnable(params.ElevoEnable.Load());
    core.SetMode(static_cast<ULONG>(params.KVHDMode.Load()));
    core.SetEnable(params.Enable.Load());
    core.SetHeadphone(params.Headphone.Load());
    core.SetOutputMode(params.OutputMode.Load());

    ApplySubviaParameters(subviaFront, rateClass, params.SubviaEnable.Load(), params.SubviaLevel.Load(),
                          params.SubviaSize.Load());
    ApplySubviaParameters(subviaSub, rateClass, params.SubviaSubEnable.Load(), params.SubviaSubLevel.Load(),
                          params.SubviaSubSize.Load());

    output.Reinitialize(rateClass);

    const float inputTrim = params.InputTrim.Load();
    core.SetInputTrim(inputTrim);
    subviaFront.SetTrim(inputTrim);
    subviaSub.SetTrim(inputTrim);
    output.SetGroupGain(KOVAGroupFront, params.FrontGain.Load());
    output.SetGroupGain(KOVAGroupSurround, params.SurroundGain.Load());
    output.SetGroupGain(KOVAGroupCenter, params.CenterGain.Load());
    output.SetGroupGain(KOVAGroupSubwoofer, params.SubwooferGain.Load());
    output.SetFrontPresence(params.FrontPresence.Load());
    output.SetSurroundPresence(params.SurroundPresence.Load());
    output.SetCenterPresence(params.CenterPresence.Load());
    output.SetCrossoverSelect(params.CrossoverSelect.Load());

    ClearState();
}

void KOVAState::ClearState()
{
    core.ClearState();
    subviaFront.ClearState();
    subviaSub.ClearState();
    output.ClearState();
    output.SelectCrossover();
}
