// `vastum props`: one KS property request to a fresh manager of a kernel
// engine, built exactly as a client builds it (a KSPROPERTY, or a KSP_NODE
// with --node, and one 32-bit value), after the manager has loaded any
// --settings file and taken any --set. Prints the value a get reads (a set
// prints none) and the engine's status by name and number.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engines/engine.h"
#include "engines/engine_table.h"

namespace vastum {

struct PropsRequest {
    const Engine* engine = nullptr;
    std::vector<ParameterSetting> settings;
    std::optional<std::string> settingsPath;  // --settings
    bool isSet = false;                       // get unless set
    std::uint32_t id = 0;
    std::int32_t value = 0;                   // the 32 bits a set sends
    std::optional<std::uint32_t> node;        // --node
};

// Throws UsageError for an engine without a property set, CommandError when
// the engine cannot be opened. Returns whether the engine's status is a
// success.
bool RunProps(const PropsRequest& request, std::ostream& out);

// ID and --node: 0 to 4294967295, decimal or 0x hexadecimal.
std::uint32_t ParsePropertyNumber(const std::string& what, std::string_view text);
// VALUE: a 32-bit value, -2147483648 to 4294967295 (above 2147483647 the
// same bits as the negative number), decimal or 0x hexadecimal.
std::int32_t ParsePropertyValue(std::string_view text);

}  // namespace vastum
