#include "effect_chain.h"

namespace vyohd {

namespace {

// The limiter's headroom: the chain runs a quarter of full scale below the
// limiter's 0.25 threshold and the limiter's output is raised back by 4.
constexpr float kHeadroom = 0.25f;
constexpr float kHeadroomMakeup = 4.0f;
constexpr float kSubviaCompensation = 4.0f;

// Roles of the scratch arrays over one block. The bass signal B stays in
// its array from the Subvia stage to the bass mix; the Subvia and 3D stages
// work in the arrays after it, which then hold the post-3D copies.
constexpr LONG kBass = 0;
constexpr LONG kStageWork = 1;
constexpr LONG kDryLeft = 1;
constexpr LONG kDryRight = 2;
constexpr LONG kNitidaLeft = 3;
constexpr LONG kNitidaRight = 4;

void Scale(float* x, float gain, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        x[i] = x[i] * gain;
    }
}

void Copy(const float* from, float* to, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        to[i] = from[i];
    }
}

void Add(float* x, const float* addend, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        x[i] = x[i] + addend[i];
    }
}

// QELMode 1 with QELSize 0 is the mono-output 3D path; its bass joins as
// B - channel.
bool IsMonoOutputMode(ULONG mode, ULONG sizeFlag)
{
    return mode == 1 && sizeFlag == 0;
}

// While disabled no stage runs and no filter memory changes. The modes that
// fold to one channel pass the scaled sum on both.
void Bypass(VYOHDContext& context, ProcessBlock& block, LONG n)
{
    const ULONG mode = context.qel3d.mode.Load();
    const ULONG sizeFlag = context.qel3d.sizeFlag.Load();
    const float gain = context.bypassGain.Load();
    float* left = block.left;
    float* right = block.right;
    if (mode == 0 || IsMonoOutputMode(mode, sizeFlag)) {
        for (LONG i = 0; i < n; ++i) {
            const float folded = (left[i] + right[i]) * gain;
            left[i] = folded;
            right[i] = folded;
        }
    } else {
        Scale(left, gain, n);
        Scale(right, gain, n);
    }
}

// The stages in signal order; each runs only while its own enable is set.
// Nitida and Elevo both take the post-3D, pre-bass copies and add their
// outputs in parallel.
void RunEffectChain(VYOHDContext& context, ProcessBlock& block, LONG n)
{
    float* left = block.left;
    float* right = block.right;
    BlockArray* scratch = block.scratch;
    // Read once, so the headroom and its make-up always come in pairs and
    // the bass mix uses the bass signal of this very block.
    const bool limiterOn = context.limiter.enable.Load() != 0;
    const bool subviaOn = context.subvia.enable.Load() != 0;

    // 1. Headroom.
    if (limiterOn) {
        Scale(left, kHeadroom, n);
        Scale(right, kHeadroom, n);
    }
    context.subvia.SetCompensation(limiterOn ? kSubviaCompensation : 0.0f);

    // 2. Subvia: the low band leaves both channels; B is kept aside.
    float* bass = scratch[kBass];
    if (subviaOn) {
        context.subvia.Process(left, right, bass, scratch[kStageWork], scratch[kStageWork + 1], n);
    }

    // 3. 3D.
    if (context.qel3d.enable.Load() != 0) {
        context.qel3d.Process(left, right, &scratch[kStageWork], n);
    }

    // 4. Post-3D copies.
    float* dryLeft = scratch[kDryLeft];
    float* dryRight = scratch[kDryRight];
    Copy(left, dryLeft, n);
    Copy(right, dryRight, n);

    // 5. Bass mix.
    if (subviaOn) {
        if (IsMonoOutputMode(context.qel3d.mode.Load(), context.qel3d.sizeFlag.Load())) {
            for (LONG i = 0; i < n; ++i) {
                left[i] = bass[i] - left[i];
                right[i] = bass[i] - right[i];
            }
        } else {
            Add(left, bass, n);
            Add(right, bass, n);
        }
    }

    // 6. Nitida, from copies of the post-3D signals.
    if (context.nitidaLeft.enable.Load() != 0) {
        float* detail = scratch[kNitidaLeft];
        Copy(dryLeft, detail, n);
        context.nitidaLeft.Process(detail, n);
        Add(left, detail, n);
    }
    if (context.nitidaRight.enable.Load() != 0) {
        float* detail = scratch[kNitidaRight];
        Copy(dryRight, detail, n);
        context.nitidaRight.Process(detail, n);
        Add(right, detail, n);
    }

    // 7. Elevo, from the post-3D signals themselves (their last use).
    if (context.elevoLeft.enable.Load() != 0) {
        context.elevoLeft.Process(dryLeft, n);
        Add(left, dryLeft, n);
    }
    if (context.elevoRight.enable.Load() != 0) {
        context.elevoRight.Process(dryRight, n);
        Add(right, dryRight, n);
    }

    // 8. Limiter, then the make-up for the headroom.
    if (limiterOn) {
        context.limiter.Process(left, right, n);
        Scale(left, kHeadroomMakeup, n);
        Scale(right, kHeadroomMakeup, n);
    }
}

}  // namespace

void ProcessFrameBlock(VYOHDContext& context, ProcessBlock& block, LONG n)
{
    if (context.enable.Load() == 0) {
        Bypass(context, block, n);
        return;
    }
    const float inputGain = context.inputGain.Load();
    const float outputGain = context.outputGain.Load();
    Scale(block.left, inputGain, n);
    Scale(block.right, inputGain, n);
    RunEffectChain(context, block, n);
    Scale(block.left, outputGain, n);
    Scale(block.right, outputGain, n);
}

}  // namespace vyohd
