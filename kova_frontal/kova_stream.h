// The KOVA stream object: one per PCM pin. Gathers the channels of an
// interleaved buffer into the seven slots of a block, runs the DSP, and
// writes the result back into the same buffer.
#pragma once

#include <wdm.h>

#include "channel_layout.h"
#include "kova_block.h"
#include "kova_interface.h"
#include "kova_manager.h"
#include "kova_state.h"

class KOVAStreamObject final : public KOVAStream {
public:
    // A new, unformatted stream from non-paged pool (tag KPin); null when the
    // pool has none. The caller links it into the owner's list.
    static KOVAStreamObject* Create(KOVAManagerObject* owner);

    KOVAStream* NTAPI Destroy(ULONG flags) override;
    void NTAPI Release() override;
    NTSTATUS NTAPI SetFormat(ULONG sampleRate, USHORT bitsPerSample, USHORT channels,
                             ULONG channelMask) override;
    void NTAPI ProcessFloat(const float* input, ULONG frames, float* output, ULONG unused) override;
    void NTAPI ProcessInPlace(PVOID buffer, ULONG byteCount) override;
    void NTAPI ResetState() override;

    static KOVAStreamObject* FromLink(PLIST_ENTRY entry)
    {
        return CONTAINING_RECORD(entry, KOVAStreamLink, entry)->stream;
    }
    PLIST_ENTRY ListEntry() { return &m_Link.entry; }

    // The DSP state; the manager's broadcasts write its parameters.
    KOVAState& State() { return m_State; }
    bool IsFormatted() const { return m_Formatted != FALSE; }
    KOVARateClass RateClass() const { return m_State.rateClass; }
    USHORT BitsPerSample() const { return m_BitsPerSample; }
    USHORT Channels() const { return m_Channels; }
    ULONG ChannelMask() const { return m_ChannelMask; }

private:
    template <typename Pcm>
    void ProcessPcm(PUCHAR data, ULONG byteCount);

    void GatherFloat(const float* input, LONG n, float inputGain, float scale);
    void WriteBackFloat(float* output, LONG n, float outputScale, float scale);

    KOVABlock m_Block;
    KOVAScratch m_Scratch;
    KOVAManagerObject* m_Owner;
    USHORT m_BitsPerSample;
    USHORT m_Channels;
    ULONG m_ChannelMask;
    const KOVAChannelLayout* m_Layout;
    BOOLEAN m_Formatted;
    KOVAStreamLink m_Link;
    KOVAState m_State;
};
