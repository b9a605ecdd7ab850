// The filter's property table, in the order KsPropertyHandler walks it.
// Each item names the smallest property and value it accepts (enforced
// before any handler runs). Where the filter only watches a standard
// property on its way to the card, the direction it does not watch goes
// down untouched, so the card's own answers (the current state, the
// speaker geometry) reach clients as they would without the filter.

#include <drmk.h>
#include <ksmedia.h>
#include <vyofilter_properties.h>

#include "property_handlers.h"
#include "property_table.h"

namespace {

DEFINE_KSPROPERTY_TABLE(kAudioProperties){
    {DEFINE_KSPROPERTY_ITEM(KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY, PassDownUntouched, sizeof(KSP_NODE),
                            sizeof(LONG), SetSpeakerGeometry, NULL, 0, NULL, NULL, 0)},
};

DEFINE_KSPROPERTY_TABLE(kConnectionProperties){
    {DEFINE_KSPROPERTY_ITEM(KSPROPERTY_CONNECTION_STATE, PassDownUntouched, sizeof(KSPROPERTY), sizeof(KSSTATE),
                            SetConnectionState, NULL, 0, NULL, NULL, 0)},
    {DEFINE_KSPROPERTY_ITEM(KSPROPERTY_CONNECTION_DATAFORMAT, PassDownUntouched, sizeof(KSPROPERTY),
                            sizeof(KSDATAFORMAT), SetConnectionDataFormat, NULL, 0, NULL, NULL, 0)},
};

DEFINE_KSPROPERTY_TABLE(kFilterProperties){
    {DEFINE_KSPROPERTY_ITEM(KSPROPERTY_VYOFILTER_PROCMODE, GetProcMode, sizeof(KSPROPERTY), sizeof(ULONG),
                            SetProcMode, NULL, 0, NULL, NULL, 0)},
    {DEFINE_KSPROPERTY_ITEM(KSPROPERTY_VYOFILTER_HANDLEPRIVATE, NULL, sizeof(KSPROPERTY), sizeof(ULONG),
                            SetHandlePrivate, NULL, 0, NULL, NULL, 0)},
};

DEFINE_KSPROPERTY_TABLE(kDrmProperties){
    {DEFINE_KSPROPERTY_ITEM(KSPROPERTY_DRMAUDIOSTREAM_CONTENTID, PassDownUntouched,
                            sizeof(KSP_DRMAUDIOSTREAM_CONTENTID), sizeof(KSDRMAUDIOSTREAM_CONTENTID),
                            SetDrmContentId, NULL, 0, NULL, NULL, 0)},
};

DEFINE_KSPROPERTY_TABLE(kPinProperties){
    {DEFINE_KSPROPERTY_ITEM(KSPROPERTY_PIN_INTERFACES, GetPinInterfaces, sizeof(KSP_PIN), 0, PassDownUntouched,
                            NULL, 0, NULL, NULL, 0)},
    {DEFINE_KSPROPERTY_ITEM(KSPROPERTY_PIN_DATAINTERSECTION, ForwardCapturedProperty, sizeof(KSP_PIN),
                            sizeof(KSDATAFORMAT), PassDownUntouched, NULL, 0, NULL, NULL, 0)},
};

}  // namespace

DEFINE_KSPROPERTY_SET_TABLE(kFilterPropertySets){
    {DEFINE_KSPROPERTY_SET(&KSPROPSETID_Audio, RTL_NUMBER_OF(kAudioProperties), kAudioProperties, 0, NULL)},
    {DEFINE_KSPROPERTY_SET(&KSPROPSETID_Connection, RTL_NUMBER_OF(kConnectionProperties), kConnectionProperties, 0,
                           NULL)},
    {DEFINE_KSPROPERTY_SET(&KSPROPSETID_VYOFilter, RTL_NUMBER_OF(kFilterProperties), kFilterProperties, 0, NULL)},
    {DEFINE_KSPROPERTY_SET(&KSPROPSETID_DrmAudioStream, RTL_NUMBER_OF(kDrmProperties), kDrmProperties, 0, NULL)},
    {DEFINE_KSPROPERTY_SET(&KSPROPSETID_Pin, RTL_NUMBER_OF(kPinProperties), kPinProperties, 0, NULL)},
};

const ULONG kFilterPropertySetCount = RTL_NUMBER_OF(kFilterPropertySets);
