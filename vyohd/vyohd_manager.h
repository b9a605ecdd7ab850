// The VYO HD manager: owns the parameter context that every stream mirrors,
// and the list of its streams. A parameter change is validated, stored in
// the manager's context, then copied into every stream's context under the
// manager mutex. Getters read the manager's context without the mutex.
#pragma once

#include "vyohd_context.h"
#include "vyohd_interface.h"

namespace vyohd {

class VYOHDStreamObject;

// A stream's place in its manager's list.
struct StreamListEntry {
    LIST_ENTRY link;
    VYOHDStreamObject* stream;
};

class VYOHDManagerObject final : public VYOHDManager {
public:
    // A new manager (pool tag VYOm, its context VYOC) with the default
    // parameters and input and output gain 1.0; null, with nothing left
    // allocated, when memory is short. The caller has saved the
    // floating-point state.
    static VYOHDManagerObject* Create();

    VYOHDManager* NTAPI Destroy(ULONG flags) override;
    VOID NTAPI Release() override;
    // vyohd_property_set.cpp
    NTSTATUS NTAPI HandlePropertyRequest(PIRP irp) override;
    VYOHDStream* NTAPI CreateStream() override;
    BOOLEAN NTAPI GetEnable() override;
    NTSTATUS NTAPI SetEnable(UCHAR value) override;
    ULONG NTAPI GetQELSize() override;
    NTSTATUS NTAPI SetQELSize(ULONG value) override;
    float NTAPI GetELEVOLevel() override;
    NTSTATUS NTAPI SetELEVOLevel(float value) override;
    float NTAPI GetNitidaLevel() override;
    NTSTATUS NTAPI SetNitidaLevel(float value) override;
    float NTAPI GetSubviaLevel() override;
    NTSTATUS NTAPI SetSubviaLevel(float value) override;
    ULONG NTAPI GetSubviaSize() override;
    NTSTATUS NTAPI SetSubviaSize(ULONG value) override;
    float NTAPI GetQELWidth() override;
    NTSTATUS NTAPI SetQELWidth(float value) override;
    float NTAPI GetInputGain() override;
    NTSTATUS NTAPI SetInputGain(float value) override;
    float NTAPI GetOutputGain() override;
    NTSTATUS NTAPI SetOutputGain(float value) override;
    BOOLEAN NTAPI GetLimiterEnable() override;
    NTSTATUS NTAPI SetLimiterEnable(UCHAR value) override;
    float NTAPI GetLimiterLevel() override;
    NTSTATUS NTAPI SetLimiterLevel(float value) override;
    float NTAPI GetCenterLevel() override;
    NTSTATUS NTAPI SetCenterLevel(float value) override;
    ULONG NTAPI GetQELMode() override;
    NTSTATUS NTAPI SetQELMode(ULONG value) override;
    // vyohd_settings.cpp
    NTSTATUS NTAPI SaveSettings(HANDLE key) override;
    NTSTATUS NTAPI LoadSettings(HANDLE key) override;
    float NTAPI GetBypassGain() override;
    NTSTATUS NTAPI SetBypassGain(float value) override;

    // For the streams. Each takes the manager mutex, so no parameter change
    // can fall between a stream's copy of the parameters and its place in
    // the list.
    VOID AddStream(StreamListEntry* entry, VYOHDContext* streamContext);
    VOID RemoveStream(StreamListEntry* entry);
    VOID ReformatStream(VYOHDContext* streamContext, RateClass rateClass, VYOHDStateBlock* stateBlock);

private:
    explicit VYOHDManagerObject(VYOHDContext* context);
    ~VYOHDManagerObject() = default;

    template <typename Apply>
    NTSTATUS Distribute(Apply apply);

    VYOHDContext* m_Context;
    KMUTEX m_Mutex;
    LIST_ENTRY m_Streams;
};

}  // namespace vyohd
