#include "props_command.h"

#include <wdm.h>

#include <cstdio>

#include "command_error.h"
#include "engines/property_request.h"
#include "engines/saved_floating_point_state.h"
#include "option_values.h"
#include "settings/settings_key.h"
#include "sim/status.h"

namespace vastum {

namespace {

// Decimal, or hexadecimal after 0x.
template <typename Number>
bool ParseDecimalOrHex(std::string_view text, Number& value)
{
    const bool hexadecimal = text.starts_with("0x") || text.starts_with("0X");
    return ParseWhole(hexadecimal ? text.substr(2) : text, value, hexadecimal ? 16 : 10);
}

std::string StatusLine(NTSTATUS status)
{
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(status));
    return sim::StatusName(status) + " (" + number + ")";
}

}  // namespace

std::uint32_t ParsePropertyNumber(const std::string& what, std::string_view text)
{
    std::uint32_t number = 0;
    if (!ParseDecimalOrHex(text, number)) {
        throw UsageError(what + " '" + std::string(text) + "' is not a whole number from 0 to 4294967295");
    }
    return number;
}

std::int32_t ParsePropertyValue(std::string_view text)
{
    // The digits parse as unsigned, so no second sign gets through, not even
    // after a 0x.
    std::uint64_t value = 0;
    const bool negative = text.starts_with('-');
    const std::string_view digits = negative ? text.substr(1) : text;
    if (!ParseDecimalOrHex(digits, value) || value > (negative ? 2147483648ULL : 4294967295ULL)) {
        throw UsageError("VALUE '" + std::string(text) + "' is not a 32-bit value (-2147483648 to 4294967295)");
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(negative ? -value : value));
}

bool RunProps(const PropsRequest& request, std::ostream& out)
{
    const Engine& engine = *request.engine;
    if (engine.openManager == nullptr || engine.propertySet == nullptr) {
        throw UsageError("engine " + std::string(engine.name) + " has no property set");
    }
    std::optional<SettingsKey> saved;
    if (request.settingsPath) {
        saved.emplace(SettingsKey::FromFile(*request.settingsPath));
    }
    // The filter driver saves the floating-point state in every request
    // thread before it hands a request to an engine.
    SavedFloatingPointState floatingPoint;
    const std::unique_ptr<EngineManager> manager =
        engine.openManager(request.settings, saved ? &*saved : nullptr);
    const PropertyAnswer answer = SendPropertyRequest(
        [&manager](PIRP irp) { return manager->HandlePropertyRequest(irp); }, *engine.propertySet, request.id,
        request.isSet ? KSPROPERTY_TYPE_SET : KSPROPERTY_TYPE_GET, request.node, request.value);
    if (!request.isSet && NT_SUCCESS(answer.status)) {
        out << answer.value << "\n";
    }
    out << StatusLine(answer.status) << "\n";
    return NT_SUCCESS(answer.status);
}

}  // namespace vastum
