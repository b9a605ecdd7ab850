// The KOVA manager object: owns the parameters of one filter device and the
// list of its streams, validates every parameter change, stores it, and
// hands it on to each stream (the broadcast).
#pragma once

#include <wdm.h>

#include "kova_interface.h"
#include "kova_params.h"
#include "kova_state.h"
#include "mutex_guard.h"
#include "shared_word.h"

class KOVAStreamObject;

// A stream's entry in its manager's list.
struct KOVAStreamLink {
    LIST_ENTRY entry;
    KOVAStreamObject* stream;
};

class KOVAManagerObject final : public KOVAManager {
public:
    // A new manager with the defaults, from non-paged pool (tag KOVA); null
    // when the pool has none.
    static KOVAManagerObject* Create();

    KOVAManager* NTAPI Destroy(ULONG flags) override;
    void NTAPI Release() override;
    KOVAStream* NTAPI CreateStream() override;
    NTSTATUS NTAPI HandlePropertyRequest(PIRP irp) override;  // kova_property_set.cpp
    BOOLEAN NTAPI GetEnable() override;
    NTSTATUS NTAPI SetEnable(ULONG value) override;
    BOOLEAN NTAPI GetHeadphone() override;
    NTSTATUS NTAPI SetHeadphone(ULONG value) override;
    LONG NTAPI GetKVHDMode() override;
    NTSTATUS NTAPI SetKVHDMode(LONG mode) override;
    BOOLEAN NTAPI GetElevoEnable() override;
    NTSTATUS NTAPI SetElevoEnable(ULONG value) override;
    float NTAPI GetElevoLevel() override;
    NTSTATUS NTAPI SetElevoLevel(float level) override;
    BOOLEAN NTAPI GetSubviaEnable() override;
    NTSTATUS NTAPI SetSubviaEnable(ULONG value) override;
    float NTAPI GetSubviaLevel() override;
    NTSTATUS NTAPI SetSubviaLevel(float level) override;
    ULONG NTAPI GetSubviaSize() override;
    NTSTATUS NTAPI SetSubviaSize(ULONG size) override;
    float NTAPI GetInputGain() override;
    NTSTATUS NTAPI SetInputGain(float gain) override;
    float NTAPI GetOutputGain() override;
    NTSTATUS NTAPI SetOutputGain(float gain) override;
    LONG NTAPI GetOutputMode() override;
    NTSTATUS NTAPI SetOutputMode(LONG mode) override;
    BOOLEAN NTAPI GetSubviaSubEnable() override;
    NTSTATUS NTAPI SetSubviaSubEnable(ULONG value) override;
    ULONG NTAPI GetSubviaSubSize() override;
    NTSTATUS NTAPI SetSubviaSubSize(ULONG size) override;
    float NTAPI GetSubviaSubLevel() override;
    NTSTATUS NTAPI SetSubviaSubLevel(float level) override;
    NTSTATUS NTAPI GetSpeakerGroupGain(ULONG group, float* gain) override;
    NTSTATUS NTAPI SetSpeakerGroupGain(ULONG group, float gain) override;
    NTSTATUS NTAPI SaveSettings(HANDLE key) override;  // kova_settings.cpp
    NTSTATUS NTAPI LoadSettings(HANDLE key) override;
    ULONG NTAPI GetCrossoverSelect() override;
    NTSTATUS NTAPI SetCrossoverSelect(ULONG select) override;

    // The presence levels have no position in the table; the property set
    // reaches them here. Levels 0.0 .. 4.0.
    float GetFrontPresence();
    NTSTATUS SetFrontPresence(float level);
    float GetCenterPresence();
    NTSTATUS SetCenterPresence(float level);

    // For the streams: read at every processing call, without the mutex.
    float InputGain() const { return m_InputGain.Load(); }
    // OutputGain while Enable is on, else 1.0.
    float OutputScale() const { return m_Params.Enable.Load() != 0 ? m_OutputGain.Load() : 1.0f; }

    // Stream creation, SetFormat and destruction hold the mutex while they
    // touch the list or take the parameters.
    PKMUTEX Mutex() { return &m_Mutex; }
    const KOVAParams& Params() const { return m_Params; }
    void UnlinkStream(KOVAStreamLink* link);

private:
    // Applies a parameter change to every listed stream's DSP state, in list
    // order, under the mutex. The manager's own field is written first.
    template <typename Apply>
    void Broadcast(Apply apply);
    // Stores a validated value in the manager's field and broadcasts
    // apply(state, value); always STATUS_SUCCESS.
    template <typename Value, typename Apply>
    NTSTATUS StoreAndBroadcast(SharedWord<Value>& field, Value value, Apply apply);

    KMUTEX m_Mutex;
    KOVAParams m_Params;
    SharedWord<float> m_InputGain;
    SharedWord<float> m_OutputGain;
    LIST_ENTRY m_Streams;
};
