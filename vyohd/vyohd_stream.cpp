#include "vyohd_stream.h"

#include <new>

#include "allocate_zeroed_pool.h"
#include "effect_chain.h"
#include "floating_point_guard.h"
#include "pool_tags.h"
#include "sample_codec.h"
#include "sample_format.h"

namespace vyohd {

VYOHDStreamObject::VYOHDStreamObject(VYOHDManagerObject* owner, VYOHDContext* context,
                                     VYOHDStateBlock* stateBlock)
    : m_Owner(owner), m_Context(context), m_StateBlock(stateBlock), m_BitsPerSample(16), m_Channels(2)
{
    m_ListEntry.stream = this;
    // rand() returns at least 15 random bits; two draws fill the seed.
    m_Dither.Seed(static_cast<ULONG>(rand()) << 16 ^ static_cast<ULONG>(rand()));
}

VYOHDStreamObject* VYOHDStreamObject::Create(VYOHDManagerObject* owner)
{
    PVOID memory = AllocateZeroedPool(sizeof(VYOHDStreamObject), NonPagedPool, kVYOHDStreamTag);
    if (memory == NULL) {
        return NULL;
    }
    PVOID contextMemory = ExAllocatePoolWithTag(NonPagedPool, sizeof(VYOHDContext), kVYOHDContextTag);
    if (contextMemory == NULL) {
        ExFreePool(memory);
        return NULL;
    }
    PVOID stateMemory = ExAllocatePoolWithTag(NonPagedPool, sizeof(VYOHDStateBlock), kVYOHDStateBlockTag);
    if (stateMemory == NULL) {
        ExFreePoolWithTag(contextMemory, kVYOHDContextTag);
        ExFreePool(memory);
        return NULL;
    }

    VYOHDContext* context = new (contextMemory) VYOHDContext;
    VYOHDStateBlock* stateBlock = new (stateMemory) VYOHDStateBlock;
    VYOHDStreamObject* stream = new (memory) VYOHDStreamObject(owner, context, stateBlock);
    context->Initialize();
    context->Reinitialize(RateClass44100, stateBlock);
    owner->AddStream(&stream->m_ListEntry, context);
    return stream;
}

VYOHDStream* NTAPI VYOHDStreamObject::Destroy(ULONG flags)
{
    m_Owner->RemoveStream(&m_ListEntry);
    ExFreePoolWithTag(m_StateBlock, kVYOHDStateBlockTag);
    ExFreePoolWithTag(m_Context, kVYOHDContextTag);
    m_StateBlock = NULL;
    m_Context = NULL;
    this->~VYOHDStreamObject();
    if (flags & 1) {
        ExFreePool(this);
    }
    return this;
}

VOID NTAPI VYOHDStreamObject::Release()
{
    Destroy(1);
}

// Selects the rate class, recopies the manager's parameters, clears all
// filter memory and records the sample width and channel count. The caller
// does not process on this stream meanwhile.
NTSTATUS NTAPI VYOHDStreamObject::SetFormat(const WAVEFORMATEX* format)
{
    if (format == NULL) {
        return STATUS_INVALID_PARAMETER;
    }
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return floatingPoint.Status();
    }
    const SampleFormat sampleFormat = SampleFormatFromWaveFormat(format);
    m_Owner->ReformatStream(m_Context, SelectRateClass(sampleFormat.sampleRate), m_StateBlock);
    m_BitsPerSample = sampleFormat.bitsPerSample;
    m_Channels = sampleFormat.channels;
    return STATUS_SUCCESS;
}

// Real-time code: allocates nothing, takes no lock.
VOID NTAPI VYOHDStreamObject::ProcessInPlace(PUCHAR buffer, ULONG byteCount)
{
    switch (m_BitsPerSample) {
    case 8:
        ProcessPcm<Pcm8>(buffer, byteCount);
        break;
    case 16:
        ProcessPcm<Pcm16>(buffer, byteCount);
        break;
    case 24:
        ProcessPcm<Pcm24>(buffer, byteCount);
        break;
    case 32:
        ProcessPcm<Pcm32>(buffer, byteCount);
        break;
    default:
        break;  // other widths pass unchanged
    }
}

template <typename Codec>
void VYOHDStreamObject::ProcessPcm(PUCHAR buffer, ULONG byteCount)
{
    // Mono passes unchanged. A format with no channels at all has no frames
    // (and no frame size to divide by): its buffers pass unchanged too.
    if (m_Channels < 2 || buffer == NULL) {
        return;
    }
    const ULONG frameBytes = m_Channels * Codec::kBytes;
    ULONG framesLeft = byteCount / frameBytes;
    PUCHAR blockStart = buffer;
    while (framesLeft > 0) {
        const LONG n = static_cast<LONG>(framesLeft < kProcessBlockFrames ? framesLeft : kProcessBlockFrames);
        PUCHAR frame = blockStart;
        for (LONG i = 0; i < n; ++i, frame += frameBytes) {
            m_Block.left[i] = Codec::ToFloat(frame) + m_Dither.Next();
            m_Block.right[i] = Codec::ToFloat(frame + Codec::kBytes) + m_Dither.Next();
        }

        ProcessFrameBlock(*m_Context, m_Block, n);

        frame = blockStart;
        for (LONG i = 0; i < n; ++i, frame += frameBytes) {
            Codec::FromFloat(m_Block.left[i], frame);
            Codec::FromFloat(m_Block.right[i], frame + Codec::kBytes);
        }
        blockStart += n * frameBytes;
        framesLeft -= n;
    }
}

// The float buffers hold samples on the integer scale of the stream's
// sample width (a 16-bit sample of 1000 is 1000.0). Only the first two
// floats of each output frame are written. Real-time code.
VOID NTAPI VYOHDStreamObject::ProcessFloat(const float* input, ULONG frames, float* output, ULONG ignored)
{
    UNREFERENCED_PARAMETER(ignored);
    switch (m_BitsPerSample) {
    case 8:
        ProcessScaledFloats<Pcm8>(input, frames, output);
        break;
    case 16:
        ProcessScaledFloats<Pcm16>(input, frames, output);
        break;
    case 24:
        ProcessScaledFloats<Pcm24>(input, frames, output);
        break;
    case 32:
        ProcessScaledFloats<Pcm32>(input, frames, output);
        break;
    default:
        break;  // no integer scale to work on
    }
}

template <typename Codec>
void VYOHDStreamObject::ProcessScaledFloats(const float* input, ULONG frames, float* output)
{
    // A frame of one channel is one float: reading and writing two per
    // frame would run past the end of both buffers.
    if (m_Channels < 2 || input == NULL || output == NULL) {
        return;
    }
    const float inverseScale = 1.0f / Codec::kFullScale;
    const float outputScale = Codec::kFullScale - 1.0f;
    const ULONG stride = m_Channels;
    ULONG framesLeft = frames;
    while (framesLeft > 0) {
        const LONG n = static_cast<LONG>(framesLeft < kProcessBlockFrames ? framesLeft : kProcessBlockFrames);
        const float* in = input;
        for (LONG i = 0; i < n; ++i, in += stride) {
            m_Block.left[i] = m_Dither.Next() + in[0] * inverseScale;
            m_Block.right[i] = m_Dither.Next() + in[1] * inverseScale;
        }

        ProcessFrameBlock(*m_Context, m_Block, n);

        float* out = output;
        for (LONG i = 0; i < n; ++i, out += stride) {
            out[0] = ClampToFullScale(m_Block.left[i]) * outputScale;
            out[1] = ClampToFullScale(m_Block.right[i]) * outputScale;
        }
        input += n * stride;
        output += n * stride;
        framesLeft -= n;
    }
}

}  // namespace vyohd
