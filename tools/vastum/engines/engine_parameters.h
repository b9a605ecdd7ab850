// --set NAME=VALUE against an engine's parameter list, and the list as
// `process --engine NAME --help` shows it.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "engines/engine.h"

namespace vastum {

// Resolves each NAME=VALUE in order. Throws UsageError for a malformed
// assignment, a parameter the engine does not have, or a value that is not
// of the parameter's kind or not within its range.
std::vector<ParameterSetting> ParseParameterSettings(const Engine& engine, std::span<const std::string> assignments);

// "0 or 1", "0..2", "any": the values a parameter takes.
std::string DescribeRange(const EngineParameter& parameter);

// One line per parameter: name, range, default, description.
std::string DescribeParameters(const Engine& engine);

}  // namespace vastum
