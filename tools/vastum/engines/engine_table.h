// The engines the command line offers.
#pragma once

#include <span>
#include <string_view>

#include "engines/engine.h"

namespace vastum {

std::span<const Engine* const> RegisteredEngines();

// The engine `process` uses without --engine.
const Engine& DefaultEngine();

// Null when no engine has this name.
const Engine* FindEngine(std::string_view name, std::span<const Engine* const> engines = RegisteredEngines());

}  // namespace vastum
