#include "engines/engine_table.h"

namespace vastum {

// Each engine is defined in its own file, engines/<name>_engine.cpp.
extern const Engine kNoneEngine;
extern const Engine kVyohdEngine;
extern const Engine kKovaEngine;

namespace {

// One row per engine; the first is the default.
constexpr const Engine* kEngines[] = {
    &kNoneEngine,
    &kVyohdEngine,
    &kKovaEngine,
};

}  // namespace

std::span<const Engine* const> RegisteredEngines()
{
    return kEngines;
}

const Engine& DefaultEngine()
{
    return *kEngines[0];
}

const Engine* FindEngine(std::string_view name, std::span<const Engine* const> engines)
{
    for (const Engine* engine : engines) {
        if (engine->name == name) {
            return engine;
        }
    }
    return nullptr;
}

}  // namespace vastum
