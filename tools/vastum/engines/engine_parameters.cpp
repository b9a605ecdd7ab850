#include "engines/engine_parameters.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

#include "command_error.h"

namespace vastum {

namespace {

const EngineParameter* FindParameter(const Engine& engine, std::string_view name)
{
    for (const EngineParameter& parameter : engine.parameters) {
        if (parameter.name == name) {
            return &parameter;
        }
    }
    return nullptr;
}

// Shortest text that reads back as the same value: 0.8, not
// 0.80000000000000004; Real values as the single-precision numbers they are
// (0.4, not 0.4000000059604645).
std::string FormatNumber(double value, ParameterKind kind)
{
    char text[32];
    const auto result = kind == ParameterKind::Real
        ? std::to_chars(text, text + sizeof text, static_cast<float>(value))
        : std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

bool IsUnbounded(const EngineParameter& parameter)
{
    return parameter.minimum == -kAnySingle && parameter.maximum == kAnySingle;
}

std::string Refusal(const std::string& assignment, const EngineParameter& parameter)
{
    if (IsUnbounded(parameter)) {
        return "--set " + assignment + ": " + std::string(parameter.name) + " takes any single-precision number";
    }
    return "--set " + assignment + ": " + std::string(parameter.name) + " must be " + DescribeRange(parameter);
}

// The whole text must be one finite number; for Boolean and Integer
// parameters also a whole one. A Real value is checked as the
// single-precision number the engine receives, so the tool and the engine's
// setter judge the same value.
double ParseValue(const EngineParameter& parameter, std::string_view text, const std::string& assignment)
{
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        throw UsageError("--set " + assignment + ": '" + std::string(text) + "' is not a number");
    }
    if (parameter.kind != ParameterKind::Real && value != std::trunc(value)) {
        throw UsageError("--set " + assignment + ": " + std::string(parameter.name) + " takes a whole number (" +
                         DescribeRange(parameter) + ")");
    }
    if (parameter.kind == ParameterKind::Real) {
        // Halfway between the largest float and 2^128 and beyond, a value
        // rounds to infinity; below that it rounds to a finite float.
        constexpr double kRoundsToInfinity = kAnySingle + 0x1p103;
        if (std::fabs(value) >= kRoundsToInfinity) {
            throw UsageError(Refusal(assignment, parameter));
        }
        value = static_cast<float>(value);
    }
    if (!(value >= parameter.minimum && value <= parameter.maximum)) {
        throw UsageError(Refusal(assignment, parameter));
    }
    return value;
}

}  // namespace

std::string DescribeRange(const EngineParameter& parameter)
{
    if (parameter.kind == ParameterKind::Boolean) {
        return "0 or 1";
    }
    if (IsUnbounded(parameter)) {
        return "any";
    }
    return FormatNumber(parameter.minimum, parameter.kind) + ".." + FormatNumber(parameter.maximum, parameter.kind);
}

std::vector<ParameterSetting> ParseParameterSettings(const Engine& engine, std::span<const std::string> assignments)
{
    std::vector<ParameterSetting> settings;
    for (const std::string& assignment : assignments) {
        const auto equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw UsageError("--set " + assignment + ": expected NAME=VALUE");
        }
        const std::string_view name = std::string_view(assignment).substr(0, equals);
        const EngineParameter* parameter = FindParameter(engine, name);
        if (!parameter) {
            throw UsageError("--set " + assignment + ": engine " + std::string(engine.name) + " has no parameter " +
                             std::string(name));
        }
        const double value = ParseValue(*parameter, std::string_view(assignment).substr(equals + 1), assignment);
        settings.push_back({parameter, value, assignment});
    }
    return settings;
}

std::string DescribeParameters(const Engine& engine)
{
    if (engine.parameters.empty()) {
        return "Engine " + std::string(engine.name) + " has no parameters.";
    }
    // Columns: name, range, "default X"; the description follows unpadded.
    std::vector<std::array<std::string, 3>> rows;
    std::array<std::size_t, 3> widths{};
    for (const EngineParameter& parameter : engine.parameters) {
        rows.push_back({std::string(parameter.name), DescribeRange(parameter),
                        "default " + FormatNumber(parameter.defaultValue, parameter.kind)});
        for (std::size_t column = 0; column < widths.size(); ++column) {
            widths[column] = std::max(widths[column], rows.back()[column].size());
        }
    }
    std::string text = "Parameters of engine " + std::string(engine.name) + " (--set NAME=VALUE):";
    for (std::size_t row = 0; row < rows.size(); ++row) {
        text += "\n  ";
        for (std::size_t column = 0; column < widths.size(); ++column) {
            text += rows[row][column] + std::string(widths[column] - rows[row][column].size() + 2, ' ');
        }
        text += engine.parameters[row].description;
    }
    return text;
}

}  // namespace vastum
