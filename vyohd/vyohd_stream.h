// The VYO HD stream processor: converts a played buffer's left and right
// samples to floats, runs the frame processing over blocks of up to 16
// frames, and converts back into the same memory. Samples 2 and up of each
// frame, a trailing partial frame, mono buffers and unknown sample widths
// pass unchanged.
#pragma once

#include "input_dither.h"
#include "process_block.h"
#include "vyohd_context.h"
#include "vyohd_interface.h"
#include "vyohd_manager.h"

namespace vyohd {

class VYOHDStreamObject final : public VYOHDStream {
public:
    // A new stream of owner (pool tags VYOp, VYOC, VYOS) for 16-bit stereo
    // at 44.1 kHz with the owner's parameters, already in the owner's list;
    // null, with nothing left allocated, when memory is short. The caller
    // has saved the floating-point state.
    static VYOHDStreamObject* Create(VYOHDManagerObject* owner);

    VYOHDStream* NTAPI Destroy(ULONG flags) override;
    VOID NTAPI Release() override;
    NTSTATUS NTAPI SetFormat(const WAVEFORMATEX* format) override;
    VOID NTAPI ProcessFloat(const float* input, ULONG frames, float* output, ULONG ignored) override;
    VOID NTAPI ProcessInPlace(PUCHAR buffer, ULONG byteCount) override;

    VYOHDContext* Context() { return m_Context; }

private:
    VYOHDStreamObject(VYOHDManagerObject* owner, VYOHDContext* context, VYOHDStateBlock* stateBlock);
    ~VYOHDStreamObject() = default;

    template <typename Codec>
    void ProcessPcm(PUCHAR buffer, ULONG byteCount);
    template <typename Codec>
    void ProcessScaledFloats(const float* input, ULONG frames, float* output);

    VYOHDManagerObject* m_Owner;
    VYOHDContext* m_Context;
    VYOHDStateBlock* m_StateBlock;
    ProcessBlock m_Block;
    USHORT m_BitsPerSample;
    USHORT m_Channels;
    DitherSource m_Dither;
    StreamListEntry m_ListEntry;
};

}  // namespace vyohd
