#include "kova_state.h"

namespace {

void ApplySubviaParameters(SubviaStage& stage, KOVARateClass rateClass, USHORT enable, float level, ULONG size)
{
    stage.Reinitialize(rateClass);
    stage.SetEnable(enable);
    stage.SetLevel(level);
    stage.SetSize(size);
    stage.sizeChanged.Write(0);
    stage.SelectSize();
}

}  // namespace

void KOVAState::Initialize(KOVARateClass newRateClass, const KOVAParams& params)
{
    rateClass = newRateClass;

    core.Reinitialize(rateClass);
    core.elevo.SetLevel(params.ElevoLevel.Read());
    core.elevo.SetEnable(params.ElevoEnable.Read());
    core.SetMode(static_cast<ULONG>(params.KVHDMode.Read()));
    core.SetEnable(params.Enable.Read());
    core.SetHeadphone(params.Headphone.Read());
    core.SetOutputMode(params.OutputMode.Read());

    ApplySubviaParameters(subviaFront, rateClass, params.SubviaEnable.Read(), params.SubviaLevel.Read(),
                          params.SubviaSize.Read());
    ApplySubviaParameters(subviaSub, rateClass, params.SubviaSubEnable.Read(), params.SubviaSubLevel.Read(),
                          params.SubviaSubSize.Read());

    output.Reinitialize(rateClass);

    const float inputTrim = params.InputTrim.Read();
    core.SetInputTrim(inputTrim);
    subviaFront.SetTrim(inputTrim);
    subviaSub.SetTrim(inputTrim);
    output.SetGroupGain(KOVAGroupFront, params.FrontGain.Read());
    output.SetGroupGain(KOVAGroupSurround, params.SurroundGain.Read());
    output.SetGroupGain(KOVAGroupCenter, params.CenterGain.Read());
    output.SetGroupGain(KOVAGroupSubwoofer, params.SubwooferGain.Read());
    output.SetFrontPresence(params.FrontPresence.Read());
    output.SetSurroundPresence(params.SurroundPresence.Read());
    output.SetCenterPresence(params.CenterPresence.Read());
    output.SetCrossoverSelect(params.CrossoverSelect.Read());

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
