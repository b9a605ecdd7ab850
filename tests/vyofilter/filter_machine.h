// A machine with the virtual card installed under VYOFilter, and a client
// process to play and set properties in (the card's fixture, with the
// filter on top). Every test ends with the pool tags of the filter, both
// engines, KS and the card back at zero.
#pragma once

#include <vyofilter_properties.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vcard/card_fixture.h"

namespace filtertest {

using Bytes = std::vector<std::uint8_t>;
using vcardtest::ClientPages;

class FilterMachine : public vcardtest::CardMachine {
protected:
    FilterMachine();

    // Installs the card under the filter (and the given filters below it),
    // recording what it plays unless `record` is false.
    void InstallCard(const std::vector<std::wstring>& filtersBelow = {},
                     const std::wstring& instance = vcard::kCardInstance, bool record = true);

    // Creates a pin, sets its format (so the filter learns it) and runs it.
    HANDLE StartPin(HANDLE filter, const WAVEFORMATEX* wave);
    // Writes the buffer in one stream header and expects the card to take it.
    void Write(HANDLE pin, Bytes& buffer);

    DWORD SetProcMode(HANDLE object, ULONG procMode);
    ULONG GetProcMode(HANDLE object);
};

// `frames` frames of a different tone in each channel, loud enough that
// every engine changes it.
Bytes TestSignal(const WAVEFORMATEX& format, std::size_t frames);

// The sample of channel `channel` in frame `frame`, as a signed integer.
std::int32_t SampleAt(const WAVEFORMATEX& format, const Bytes& buffer, std::size_t frame, unsigned channel);
void SetSampleAt(const WAVEFORMATEX& format, Bytes& buffer, std::size_t frame, unsigned channel, std::int32_t value);

// Whether the channel's samples differ anywhere between the two buffers.
bool ChannelChanged(const WAVEFORMATEX& format, const Bytes& before, const Bytes& after, unsigned channel);

}  // namespace filtertest
