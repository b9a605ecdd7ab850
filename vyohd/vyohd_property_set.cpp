// The VYO HD control property set: one item per parameter, each binding the
// parameter's getter and setter on the manager interface to the adapter of
// its wire encoding. Every item takes a KSPROPERTY (or longer) and a 4-byte
// value, with one handler for get and set.

#include <wdm.h>

#include <ks.h>

#include "engine_property_request.h"
#include "property_adapters.h"
#include "vyohd_manager.h"
#include "vyohd_properties.h"

namespace vyohd {

namespace {

VYOHDManager* ManagerOf(PIRP irp)
{
    return static_cast<VYOHDManager*>(EngineOfPropertyRequest(irp));
}

template <BOOLEAN (NTAPI VYOHDManager::*Get)(), NTSTATUS (NTAPI VYOHDManager::*Set)(UCHAR)>
NTSTATUS SwitchItem(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    return BoolPropertyAdapter(request, data, ManagerOf(irp), Get, Set);
}

template <ULONG (NTAPI VYOHDManager::*Get)(), NTSTATUS (NTAPI VYOHDManager::*Set)(ULONG)>
NTSTATUS ChoiceItem(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    return IntPropertyAdapter(request, data, ManagerOf(irp), Get, Set);
}

template <float (NTAPI VYOHDManager::*Get)(), NTSTATUS (NTAPI VYOHDManager::*Set)(float)>
NTSTATUS PercentItem(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    return PercentPropertyAdapter(request, data, ManagerOf(irp), Get, Set);
}

template <float (NTAPI VYOHDManager::*Get)(), NTSTATUS (NTAPI VYOHDManager::*Set)(float)>
NTSTATUS DecibelItem(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    return DecibelPropertyAdapter(request, data, ManagerOf(irp), Get, Set);
}

#define VYOHD_ITEM(id, handler) \
    {DEFINE_KSPROPERTY_ITEM(id, handler, sizeof(KSPROPERTY), sizeof(ULONG), handler, NULL, 0, NULL, NULL, 0)}

using M = VYOHDManager;

DEFINE_KSPROPERTY_TABLE(kVYOHDItems){
    VYOHD_ITEM(KSPROPERTY_VYOHD_ENABLE, (SwitchItem<&M::GetEnable, &M::SetEnable>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_QELSIZE, (ChoiceItem<&M::GetQELSize, &M::SetQELSize>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_QELWIDTH, (PercentItem<&M::GetQELWidth, &M::SetQELWidth>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_SUBVIALEVEL, (PercentItem<&M::GetSubviaLevel, &M::SetSubviaLevel>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_SUBVIASIZE, (ChoiceItem<&M::GetSubviaSize, &M::SetSubviaSize>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_ELEVOLEVEL, (PercentItem<&M::GetELEVOLevel, &M::SetELEVOLevel>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_NITIDALEVEL, (PercentItem<&M::GetNitidaLevel, &M::SetNitidaLevel>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_INPUTGAIN, (DecibelItem<&M::GetInputGain, &M::SetInputGain>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_BYPASSGAIN, (DecibelItem<&M::GetBypassGain, &M::SetBypassGain>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_OUTPUTGAIN, (DecibelItem<&M::GetOutputGain, &M::SetOutputGain>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_LIMITERENABLE, (SwitchItem<&M::GetLimiterEnable, &M::SetLimiterEnable>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_LIMITERLEVEL, (PercentItem<&M::GetLimiterLevel, &M::SetLimiterLevel>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_CENTERLEVEL, (PercentItem<&M::GetCenterLevel, &M::SetCenterLevel>)),
    VYOHD_ITEM(KSPROPERTY_VYOHD_QELMODE, (ChoiceItem<&M::GetQELMode, &M::SetQELMode>)),
};

const KSPROPERTY_SET kVYOHDPropertySet = {
    DEFINE_KSPROPERTY_SET(&KSPROPSETID_VYOHD, ARRAYSIZE(kVYOHDItems), kVYOHDItems, 0, NULL)};

}  // namespace

// Not this engine's request (another set, an undefined id, no property
// request at all): STATUS_NOT_IMPLEMENTED, so the caller offers it
// elsewhere. The request is never completed here.
NTSTATUS NTAPI VYOHDManagerObject::HandlePropertyRequest(PIRP irp)
{
    return HandleEnginePropertyRequest(irp, static_cast<VYOHDManager*>(this), &kVYOHDPropertySet);
}

}  // namespace vyohd
