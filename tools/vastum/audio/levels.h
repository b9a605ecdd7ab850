// How loud audio is: its peak and RMS over every sample of every channel,
// in decibels relative to full scale.
#pragma once

#include <string>

#include "audio/audio.h"

namespace vastum {

struct Levels {
    double peakDb;  // -infinity for silence
    double rmsDb;
};

Levels MeasureLevels(const Audio& audio);

// "peak -0.4 dBFS, RMS -14.2 dBFS" ("-inf" for silence)
std::string DescribeLevels(const Levels& levels);

}  // namespace vastum
