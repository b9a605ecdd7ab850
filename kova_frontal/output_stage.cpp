#include "output_stage.h"

void OutputStage::Reinitialize(KOVARateClass rateClass)
{
    crossover = &kCrossoverCoefficients[rateClass];
    for (ULONG channel = 0; channel < kOutputChannelCount; ++channel) {
        presence[channel].coefficients = &kPresenceHighpass[rateClass];
    }
    ClearState();
}

void OutputStage::ClearState()
{
    crossoverLowpass.s0 = 0.0f;
    crossoverLowpass.s1 = 0.0f;
    for (ULONG channel = 0; channel < kOutputChannelCount; ++channel) {
        crossoverHighpass[channel].s0 = 0.0f;
        crossoverHighpass[channel].s1 = 0.0f;
        presence[channel].s0 = 0.0f;
        presence[channel].s1 = 0.0f;
    }
}

void OutputStage::SetGroupGain(ULONG group, float value)
{
    if (group < kSpeakerGroupCount) {
        groupGain[group].Store(value);
    }
}

// The selection runs on the processing side, at the start of each block,
// so the filter sections are only ever touched by the thread that runs them.
void OutputStage::SelectCrossover()
{
    const ULONG select = crossoverSelect.Load();
    if (select >= kCrossoverCount) {
        return;
    }
    crossoverLowpass.coefficients = &crossover->lowpass[select];
    for (ULONG channel = 0; channel < kOutputChannelCount; ++channel) {
        crossoverHighpass[channel].coefficients = &crossover->highpass[select];
    }
}

namespace {

// x = x + level presence(x); the high-passed copy goes through `copy`.
void AddPresence(Biquad& filter, float level, float* x, float* copy, LONG n)
{
    filter.Process(x, copy, n);
    for (LONG i = 0; i < n; ++i) {
        x[i] = x[i] + level * copy[i];
    }
}

void ApplyGain(float* x, float gain, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        x[i] = gain * x[i];
    }
}

}  // namespace

void OutputStage::Process(LONG outputMode, SubviaStage& subviaFront, SubviaStage& subviaSub, KOVABlock& block,
                          KOVAScratch& scratch, LONG n)
{
    SelectCrossover();
    float* L = block.slot[SlotL];
    float* R = block.slot[SlotR];
    float* Ls = block.slot[SlotLs];
    float* Rs = block.slot[SlotRs];
    float* Ctr = block.slot[SlotCtr];
    float* LFE = block.slot[SlotLFE];
    const bool subwoofer = HasSubwooferOutput(outputMode);
    const bool surrounds = HasSurroundOutputs(outputMode);
    const bool centre = HasCentreOutput(outputMode);

    // 1. With a subwoofer and no Subvia front, the front pair hands its bass
    //    to the subwoofer; Subvia front keeps the front pair's full band.
    if (subwoofer && subviaFront.enable.Load() == 0) {
        crossoverHighpass[OutputL].Process(L, L, n);
        crossoverHighpass[OutputR].Process(R, R, n);
    }
    // 2. Front presence.
    const float front = frontPresence.Load();
    AddPresence(presence[OutputL], front, L, scratch.T, n);
    AddPresence(presence[OutputR], front, R, scratch.T, n);
    // 3. Bass management of the other outputs.
    if (subwoofer) {
        subviaSub.ProcessSub(LFE, scratch, n);
        if (subviaSub.enable.Load() == 0) {
            crossoverLowpass.Process(LFE, LFE, n);
        }
        if (surrounds) {
            crossoverHighpass[OutputLs].Process(Ls, Ls, n);
            crossoverHighpass[OutputRs].Process(Rs, Rs, n);
        }
        if (centre) {
            crossoverHighpass[OutputCtr].Process(Ctr, Ctr, n);
        }
    }
    // 4, 5. Surround and centre presence.
    if (surrounds) {
        const float level = surroundPresence.Load();
        AddPresence(presence[OutputLs], level, Ls, scratch.T, n);
        AddPresence(presence[OutputRs], level, Rs, scratch.T, n);
    }
    if (centre) {
        AddPresence(presence[OutputCtr], centerPresence.Load(), Ctr, scratch.T, n);
    }
}

void OutputStage::ApplySpeakerGroupGains(KOVABlock& block, LONG n)
{
    const float front = groupGain[KOVAGroupFront].Load();
    const float surround = groupGain[KOVAGroupSurround].Load();
    ApplyGain(block.slot[SlotL], front, n);
    ApplyGain(block.slot[SlotR], front, n);
    ApplyGain(block.slot[SlotCtr], groupGain[KOVAGroupCenter].Load(), n);
    ApplyGain(block.slot[SlotLs], surround, n);
    ApplyGain(block.slot[SlotRs], surround, n);
    ApplyGain(block.slot[SlotLFE], groupGain[KOVAGroupSubwoofer].Load(), n);
}
