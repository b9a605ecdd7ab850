// The KOVA control property set: one item per parameter, each binding the
// parameter's manager operations to the handler of its wire encoding.
// Every item has a 4-byte value and one handler for get and set; the
// speaker-group gain needs a KSP_NODE, every other item a KSPROPERTY.

#include <wdm.h>

#include <ks.h>

#include "engine_property_request.h"
#include "floating_point_guard.h"
#include "kova_manager.h"
#include "kova_properties.h"
#include "kova_property_encodings.h"
#include "property_adapters.h"

namespace {

using M = KOVAManager;

KOVAManagerObject* ManagerOf(PIRP irp)
{
    return static_cast<KOVAManagerObject*>(EngineOfPropertyRequest(irp));
}

M* InterfaceOf(PIRP irp)
{
    return ManagerOf(irp);
}

// --- Switches: 0 or 1 on the wire.

template <BOOLEAN (NTAPI M::*Get)(), NTSTATUS (NTAPI M::*Set)(ULONG)>
NTSTATUS SwitchItem(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    return BoolPropertyAdapter(request, data, InterfaceOf(irp), Get, Set);
}

// --- Choices: the 32-bit value unchanged.

template <auto Get, auto Set>
NTSTATUS ChoiceItem(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    return IntPropertyAdapter(request, data, InterfaceOf(irp), Get, Set);
}

// --- Levels in percent, computed with a double product.

template <float (NTAPI M::*Get)(), NTSTATUS (NTAPI M::*Set)(float)>
NTSTATUS PercentItem(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    return PercentPropertyAdapter<M, KOVAPercentFromLevel, KOVALevelFromPercent>(request, data, InterfaceOf(irp), Get,
                                                                                  Set);
}

// --- Gains in decibels, converted by 10^(dB / 20) in double precision.
// Every value the scale accepts (0.0 to about 1.995) is within the gain
// setters' range.

template <float (NTAPI M::*Get)(), NTSTATUS (NTAPI M::*Set)(float)>
NTSTATUS DecibelItem(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    return DecibelPropertyAdapter<M, KOVAGainFromDecibels>(request, data, InterfaceOf(irp), Get, Set);
}

// The speaker-group gain of the group the KSP_NODE names (low 16 bits of
// NodeId). A group above 3 is refused by the manager, for get and set alike.
NTSTATUS GroupGainItem(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return floatingPoint.Status();
    }
    M* manager = InterfaceOf(irp);
    const ULONG group = reinterpret_cast<const KSP_NODE*>(request)->NodeId & 0xFFFF;
    if (IsGetRequest(request)) {
        float gain;
        const NTSTATUS status = manager->GetSpeakerGroupGain(group, &gain);
        if (NT_SUCCESS(status)) {
            WriteWireValue(data, static_cast<ULONG>(DecibelsFromGain(gain)));
        }
        return status;
    }
    float gain;
    if (!KOVAGainFromDecibels(static_cast<LONG>(ReadWireValue(data)), &gain)) {
        return STATUS_INVALID_PARAMETER;
    }
    return manager->SetSpeakerGroupGain(group, gain);
}

// --- Presence levels in quarter-percent; they have no place in the manager
// interface, so these reach the manager object itself.

template <float (KOVAManagerObject::*Get)(), NTSTATUS (KOVAManagerObject::*Set)(float)>
NTSTATUS PresenceItem(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return floatingPoint.Status();
    }
    KOVAManagerObject* manager = ManagerOf(irp);
    if (IsGetRequest(request)) {
        WriteWireValue(data, static_cast<ULONG>(QuarterPercentFromPresence((manager->*Get)())));
        return STATUS_SUCCESS;
    }
    const ULONG quarterPercent = ReadWireValue(data);
    if (quarterPercent > kQuarterPercentMax) {
        return STATUS_INVALID_PARAMETER;
    }
    return (manager->*Set)(PresenceFromQuarterPercent(quarterPercent));
}

#define KOVA_ITEM(id, handler, minProperty) \
    {DEFINE_KSPROPERTY_ITEM(id, handler, minProperty, sizeof(ULONG), handler, NULL, 0, NULL, NULL, 0)}

using O = KOVAManagerObject;

DEFINE_KSPROPERTY_TABLE(kKOVAItems){
    KOVA_ITEM(KSPROPERTY_KOVA_ENABLE, (SwitchItem<&M::GetEnable, &M::SetEnable>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_HEADPHONE, (SwitchItem<&M::GetHeadphone, &M::SetHeadphone>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_KVHDMODE, (ChoiceItem<&M::GetKVHDMode, &M::SetKVHDMode>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_ELEVOENABLE, (SwitchItem<&M::GetElevoEnable, &M::SetElevoEnable>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_ELEVOLEVEL, (PercentItem<&M::GetElevoLevel, &M::SetElevoLevel>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_SUBVIAENABLE, (SwitchItem<&M::GetSubviaEnable, &M::SetSubviaEnable>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_SUBVIALEVEL, (PercentItem<&M::GetSubviaLevel, &M::SetSubviaLevel>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_SUBVIASIZE, (ChoiceItem<&M::GetSubviaSize, &M::SetSubviaSize>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_INPUTGAIN, (DecibelItem<&M::GetInputGain, &M::SetInputGain>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_OUTPUTGAIN, (DecibelItem<&M::GetOutputGain, &M::SetOutputGain>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_OUTPUTMODE, (ChoiceItem<&M::GetOutputMode, &M::SetOutputMode>), sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_SUBVIASUBENABLE, (SwitchItem<&M::GetSubviaSubEnable, &M::SetSubviaSubEnable>),
              sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_SUBVIASUBSIZE, (ChoiceItem<&M::GetSubviaSubSize, &M::SetSubviaSubSize>),
              sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_SUBVIASUBLEVEL, (PercentItem<&M::GetSubviaSubLevel, &M::SetSubviaSubLevel>),
              sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_GROUPGAIN, GroupGainItem, sizeof(KSP_NODE)),
    KOVA_ITEM(KSPROPERTY_KOVA_FRONTPRESENCE, (PresenceItem<&O::GetFrontPresence, &O::SetFrontPresence>),
              sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_CENTERPRESENCE, (PresenceItem<&O::GetCenterPresence, &O::SetCenterPresence>),
              sizeof(KSPROPERTY)),
    KOVA_ITEM(KSPROPERTY_KOVA_CROSSOVERSELECT, (ChoiceItem<&M::GetCrossoverSelect, &M::SetCrossoverSelect>),
              sizeof(KSPROPERTY)),
};

const KSPROPERTY_SET kKOVAPropertySet = {
    DEFINE_KSPROPERTY_SET(&KSPROPSETID_KOVA, ARRAYSIZE(kKOVAItems), kKOVAItems, 0, NULL)};

}  // namespace

// Not this engine's request (another set, id 16 or above 18, no property
// request at all): STATUS_NOT_IMPLEMENTED, so the caller offers it
// elsewhere. The request is never completed here.
NTSTATUS NTAPI KOVAManagerObject::HandlePropertyRequest(PIRP irp)
{
    return HandleEnginePropertyRequest(irp, this, &kKOVAPropertySet);
}
