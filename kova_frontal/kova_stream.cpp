#include "kova_stream.h"

#include <new>

#include "allocate_zeroed_pool.h"
#include "interleaved_frames.h"
#include "kova_parameters.h"
#include "kova_pool_tags.h"
#include "sample_codec.h"

namespace {

template <ULONG Count>
bool IsListed(USHORT value, const USHORT (&list)[Count])
{
    for (USHORT entry : list) {
        if (entry == value) {
            return true;
        }
    }
    return false;
}

LONG BlockLength(ULONG framesLeft)
{
    return static_cast<LONG>(framesLeft < kKOVABlockFrames ? framesLeft : kKOVABlockFrames);
}

ULONG WrittenPositions(USHORT channels)
{
    return channels < kKOVAWrittenPositions ? channels : kKOVAWrittenPositions;
}

}  // namespace

// ---------------------------------------------------------------------------
// Life cycle

KOVAStreamObject* KOVAStreamObject::Create(KOVAManagerObject* owner)
{
    PVOID block = AllocateZeroedPool(sizeof(KOVAStreamObject), NonPagedPool, kKOVAStreamTag);
    if (block == NULL) {
        return NULL;
    }
    // Value-initialized: every field starts zeroed, then gets its first value.
    KOVAStreamObject* stream = new (block) KOVAStreamObject();
    stream->m_Owner = owner;
    stream->m_BitsPerSample = 16;
    stream->m_Channels = 2;
    stream->m_ChannelMask = 0x3;
    stream->m_Layout = FindKOVAChannelLayout(0x3);
    stream->m_Formatted = FALSE;
    stream->m_Link.stream = stream;
    return stream;
}

KOVAStream* NTAPI KOVAStreamObject::Destroy(ULONG flags)
{
    m_Owner->UnlinkStream(&m_Link);
    if ((flags & 1) != 0) {
        ExFreePool(this);
    }
    return this;
}

void NTAPI KOVAStreamObject::Release()
{
    Destroy(1);
}

// ---------------------------------------------------------------------------
// Format

// The stream takes the manager's parameters under the manager's mutex: a
// setter that runs meanwhile then either changed the manager before the copy
// or broadcasts to this stream after it, and no change is lost.
NTSTATUS NTAPI KOVAStreamObject::SetFormat(ULONG sampleRate, USHORT bitsPerSample, USHORT channels,
                                           ULONG channelMask)
{
    const KOVAChannelLayout* layout = FindKOVAChannelLayout(channelMask);
    if (!IsListed(bitsPerSample, kKOVABitsPerSample) || !IsListed(channels, kKOVAChannelCounts) || layout == NULL ||
        layout->gatheredPositions > channels) {
        return STATUS_INVALID_PARAMETER;
    }

    {
        MutexGuard guard(m_Owner->Mutex());
        m_State.Initialize(SelectKOVARateClass(sampleRate), m_Owner->Params());
    }

    m_BitsPerSample = bitsPerSample;
    m_Channels = channels;
    m_ChannelMask = channelMask;
    m_Layout = layout;
    m_Formatted = TRUE;
    return STATUS_SUCCESS;
}

void NTAPI KOVAStreamObject::ResetState()
{
    if (m_Formatted) {
        m_State.ClearState();
    }
}

// ---------------------------------------------------------------------------
// PCM in place. Real-time code: no allocation, no lock.
//
// A stream that was never formatted has no coefficients and no parameters;
// its buffers pass untouched.

void NTAPI KOVAStreamObject::ProcessInPlace(PVOID buffer, ULONG byteCount)
{
    if (!m_Formatted || buffer == NULL) {
        return;
    }
    PUCHAR data = static_cast<PUCHAR>(buffer);
    switch (m_BitsPerSample) {
    case 8:
        ProcessPcm<Pcm8>(data, byteCount);
        break;
    case 16:
        ProcessPcm<Pcm16>(data, byteCount);
        break;
    case 24:
        ProcessPcm<Pcm24>(data, byteCount);
        break;
    case 32:
        ProcessPcm<Pcm32>(data, byteCount);
        break;
    default:
        break;
    }
}

template <typename Pcm>
void KOVAStreamObject::ProcessPcm(PUCHAR data, ULONG byteCount)
{
    const ULONG frameBytes = m_Channels * Pcm::kBytes;
    ULONG framesLeft = byteCount / frameBytes;  // a trailing partial frame stays as it is
    const float inputGain = m_Owner->InputGain();
    const float outputScale = m_Owner->OutputScale();

    while (framesLeft > 0) {
        const LONG n = BlockLength(framesLeft);
        GatherFrames<Pcm>(*m_Layout, m_Channels, data, n, inputGain, m_Block);
        m_State.ProcessBlock(m_Block, m_Scratch, n);
        WriteBackFrames<Pcm>(m_Block, m_Channels, n, outputScale, data);
        data += n * frameBytes;
        framesLeft -= n;
    }
}

// ---------------------------------------------------------------------------
// Floats on the integer scale of the stream's sample width (a 16-bit sample
// of 1000 is 1000.0). Real-time code.

namespace {

// The largest magnitudes an output float may take on the integer scale.
struct IntegerScaleLimits {
    LONGLONG low;
    LONGLONG high;
};

// Outputs stay inside the sample width's own range (-c .. c - 1), so a
// caller converting them back to integers never wraps; 32-bit outputs keep
// a margin of 4096 that no single-precision rounding can cross.
IntegerScaleLimits LimitsFor(USHORT bitsPerSample)
{
    if (bitsPerSample >= 32) {
        return IntegerScaleLimits{-(2147483648LL - 4096), 2147483648LL - 4096};
    }
    const LONGLONG c = 1LL << (bitsPerSample - 1);
    return IntegerScaleLimits{-c, c - 1};
}

float ToIntegerScale(float x, const IntegerScaleLimits& limits)
{
    if (x != x) {
        return 0.0f;
    }
    if (x <= static_cast<float>(limits.low)) {
        return static_cast<float>(limits.low);
    }
    if (x >= static_cast<float>(limits.high)) {
        return static_cast<float>(limits.high);
    }
    return static_cast<float>(static_cast<LONGLONG>(x));
}

}  // namespace

void NTAPI KOVAStreamObject::ProcessFloat(const float* input, ULONG frames, float* output, ULONG unused)
{
    UNREFERENCED_PARAMETER(unused);
    if (!m_Formatted || input == NULL || output == NULL) {
        return;
    }
    const float scale = static_cast<float>(1ULL << (m_BitsPerSample - 1));
    const float inputGain = m_Owner->InputGain();
    const float outputScale = m_Owner->OutputScale();

    ULONG framesLeft = frames;
    while (framesLeft > 0) {
        const LONG n = BlockLength(framesLeft);
        GatherFloat(input, n, inputGain, scale);
        m_State.ProcessBlock(m_Block, m_Scratch, n);
        WriteBackFloat(output, n, outputScale, scale);
        input += n * m_Channels;
        output += n * m_Channels;
        framesLeft -= n;
    }
}

// Float input ignores the channel mask: position p goes to slot
// KOVAPositionMap(p); slots of positions the stream does not have are silent.
void KOVAStreamObject::GatherFloat(const float* input, LONG n, float inputGain, float scale)
{
    for (LONG i = 0; i < n; ++i) {
        const float* frame = input + i * m_Channels;
        for (ULONG p = 0; p < kKOVASlotCount; ++p) {
            const float x = p < m_Channels ? (frame[p] * inputGain) / scale : 0.0f;
            m_Block.slot[kKOVAPositionMap[p]][i] = x;
        }
    }
}

void KOVAStreamObject::WriteBackFloat(float* output, LONG n, float outputScale, float scale)
{
    const IntegerScaleLimits limits = LimitsFor(m_BitsPerSample);
    const ULONG written = WrittenPositions(m_Channels);
    for (LONG i = 0; i < n; ++i) {
        float* frame = output + i * m_Channels;
        ULONG p = 0;
        for (; p < written; ++p) {
            const float scaled = m_Block.slot[kKOVAPositionMap[p]][i] * outputScale;
            frame[p] = ToIntegerScale(scaled * scale, limits);
        }
        for (; p < m_Channels; ++p) {
            frame[p] = 0.0f;
        }
    }
}
