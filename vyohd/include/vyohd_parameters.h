// The VYO HD parameters as the manager's getters and setters see them: the
// ranges the setters accept and the values of a newly created manager. A
// float setter refuses a value that is not >= 0 or not <= its maximum (so a
// NaN is refused too) with STATUS_INVALID_PARAMETER and changes nothing.
#pragma once

#include <wdm.h>

// ELEVOLevel, SubviaLevel, QELWidth, LimiterLevel, CenterLevel
constexpr float kVYOHDLevelMaximum = 1.0f;
constexpr float kVYOHDNitidaLevelMaximum = 4.0f;
// InputGain, OutputGain, BypassGain (linear)
constexpr float kVYOHDGainMaximum = 2.0f;
constexpr ULONG kVYOHDSubviaSizeMaximum = 7;
constexpr ULONG kVYOHDQELModeMaximum = 3;

inline bool IsWithinZeroTo(float value, float maximum)
{
    return value >= 0.0f && value <= maximum;
}

// A new manager's values.
constexpr UCHAR kVYOHDDefaultEnable = 1;
constexpr ULONG kVYOHDDefaultQELSize = 0;
constexpr float kVYOHDDefaultELEVOLevel = 0.4f;
constexpr float kVYOHDDefaultNitidaLevel = 1.6f;
constexpr float kVYOHDDefaultSubviaLevel = 0.6f;
constexpr ULONG kVYOHDDefaultSubviaSize = 0;
constexpr float kVYOHDDefaultQELWidth = 0.8f;
constexpr float kVYOHDDefaultInputGain = 1.0f;
constexpr float kVYOHDDefaultOutputGain = 1.0f;
constexpr UCHAR kVYOHDDefaultLimiterEnable = 1;
constexpr float kVYOHDDefaultLimiterLevel = 0.75f;
constexpr float kVYOHDDefaultCenterLevel = 0.5f;
constexpr ULONG kVYOHDDefaultQELMode = 2;
constexpr float kVYOHDDefaultBypassGain = 0.5f;
