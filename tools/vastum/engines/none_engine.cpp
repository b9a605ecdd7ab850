// The engine "none": audio passes through the same read, convert, process
// and write path as with an effect engine, and comes out unchanged.
#include "engines/engine.h"

namespace vastum {

namespace {

class PassThroughProcessor : public StreamProcessor {
public:
    void ProcessInPlace(std::span<std::uint8_t>) override {}
};

std::unique_ptr<StreamProcessor> CreatePassThrough(const AudioFormat&, std::uint32_t,
                                                   std::span<const ParameterSetting>, const SettingsKey*)
{
    return std::make_unique<PassThroughProcessor>();
}

}  // namespace

extern const Engine kNoneEngine;  // listed in the engine table
constinit const Engine kNoneEngine = {
    .name = "none",
    .description = "copies the audio unchanged",
    .parameters = {},
    .createProcessor = CreatePassThrough,
    .openManager = nullptr,  // nothing to ask, nothing to save
    .propertySet = nullptr,
};

}  // namespace vastum
