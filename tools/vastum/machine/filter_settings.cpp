#include "machine/filter_settings.h"

#include <ks_client.h>
#include <kova_properties.h>
#include <vyofilter_properties.h>
#include <vyohd_properties.h>

namespace vastum {

namespace {

// One parameter of an engine's property set and the unit of its wire value.
struct SettingRow {
    const char* name;
    ULONG id;
    const char* unit;  // "" for switches and choices, " %" for levels, " dB" for gains
};

constexpr SettingRow kVyohdSettings[] = {
    {"Enable", KSPROPERTY_VYOHD_ENABLE, ""},
    {"QELMode", KSPROPERTY_VYOHD_QELMODE, ""},
    {"QELWidth", KSPROPERTY_VYOHD_QELWIDTH, " %"},
    {"CenterLevel", KSPROPERTY_VYOHD_CENTERLEVEL, " %"},
    {"QELSize", KSPROPERTY_VYOHD_QELSIZE, ""},
    {"SubviaLevel", KSPROPERTY_VYOHD_SUBVIALEVEL, " %"},
    {"SubviaSize", KSPROPERTY_VYOHD_SUBVIASIZE, ""},
    {"ELEVOLevel", KSPROPERTY_VYOHD_ELEVOLEVEL, " %"},
    {"NitidaLevel", KSPROPERTY_VYOHD_NITIDALEVEL, " %"},
    {"LimiterEnable", KSPROPERTY_VYOHD_LIMITERENABLE, ""},
    {"LimiterLevel", KSPROPERTY_VYOHD_LIMITERLEVEL, " %"},
    {"InputGain", KSPROPERTY_VYOHD_INPUTGAIN, " dB"},
    {"OutputGain", KSPROPERTY_VYOHD_OUTPUTGAIN, " dB"},
};

constexpr SettingRow kKovaSettings[] = {
    {"Enable", KSPROPERTY_KOVA_ENABLE, ""},
    {"Headphone", KSPROPERTY_KOVA_HEADPHONE, ""},
    {"KVHDMode", KSPROPERTY_KOVA_KVHDMODE, ""},
    {"ElevoEnable", KSPROPERTY_KOVA_ELEVOENABLE, ""},
    {"ElevoLevel", KSPROPERTY_KOVA_ELEVOLEVEL, " %"},
    {"SubviaEnable", KSPROPERTY_KOVA_SUBVIAENABLE, ""},
    {"SubviaLevel", KSPROPERTY_KOVA_SUBVIALEVEL, " %"},
    {"SubviaSize", KSPROPERTY_KOVA_SUBVIASIZE, ""},
    {"OutputMode", KSPROPERTY_KOVA_OUTPUTMODE, ""},
};

template <std::size_t N>
std::string Describe(HANDLE filter, const GUID& set, const SettingRow (&rows)[N])
{
    std::string text;
    for (const SettingRow& row : rows) {
        LONG value = 0;
        const bool answered = ksclient::Get(filter, set, row.id, &value) == ERROR_SUCCESS;
        text += (text.empty() ? "" : ", ") + std::string(row.name) + " " +
                (answered ? std::to_string(value) + row.unit : std::string("?"));
    }
    return text;
}

}  // namespace

std::string DescribeEngineSettings(HANDLE filter, ULONG procMode)
{
    switch (procMode) {
    case VYOFILTER_PROCMODE_VYOHD:
        return Describe(filter, KSPROPSETID_VYOHD, kVyohdSettings);
    case VYOFILTER_PROCMODE_KOVA:
        return Describe(filter, KSPROPSETID_KOVA, kKovaSettings);
    default:
        return {};
    }
}

}  // namespace vastum
