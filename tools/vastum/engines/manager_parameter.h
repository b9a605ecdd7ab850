// A parameter of a kernel engine as the command line reaches it: what --set
// and --help show, and the manager operations that set and read it, called
// through the engine's interface as the filter driver calls them.
//
// An engine file writes one table of rows,
//     Through<&VYOHDManager::SetQELWidth, &VYOHDManager::GetQELWidth>({"QELWidth", ...}),
// derives the list --help shows from it (ShownParameters), and applies the
// user's settings with ApplySettings.
#pragma once

#include <wdm.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>

#include "command_error.h"
#include "engines/engine.h"
#include "engines/engine_parameters.h"
#include "sim/status.h"

namespace vastum {

template <typename Manager>
struct ManagerParameter {
    EngineParameter shown;
    NTSTATUS (*set)(Manager& manager, double value);
    double (*get)(Manager& manager);
};

// The value as the setter's argument type. A whole number goes through a
// 64-bit integer, so a value outside the argument's range (which the
// command line's own check keeps away) wraps as the C conversion of an
// integer would instead of being undefined.
template <typename Argument>
Argument ToArgument(double value)
{
    if constexpr (std::is_integral_v<Argument>) {
        return static_cast<Argument>(static_cast<std::int64_t>(value));
    } else {
        return static_cast<Argument>(value);
    }
}

// Calls a setter with the value converted to the setter's argument type.
template <auto Setter>
struct SetterCall;

template <typename Manager_, typename Argument, NTSTATUS (NTAPI Manager_::*Setter)(Argument)>
struct SetterCall<Setter> {
    using Manager = Manager_;
    static NTSTATUS Call(Manager& manager, double value) { return (manager.*Setter)(ToArgument<Argument>(value)); }
};

template <auto Getter>
struct GetterCall;

template <typename Manager, typename Result, Result (NTAPI Manager::*Getter)()>
struct GetterCall<Getter> {
    static double Call(Manager& manager) { return static_cast<double>((manager.*Getter)()); }
};

// A row whose parameter has a setter and a getter of its own.
template <auto Setter, auto Getter>
constexpr auto Through(EngineParameter shown)
{
    using Manager = typename SetterCall<Setter>::Manager;
    return ManagerParameter<Manager>{shown, &SetterCall<Setter>::Call, &GetterCall<Getter>::Call};
}

// The rows' parameters, in row order, for Engine::parameters.
template <typename Manager, std::size_t Count>
constexpr std::array<EngineParameter, Count> ShownParameters(const ManagerParameter<Manager> (&rows)[Count])
{
    std::array<EngineParameter, Count> shown{};
    for (std::size_t i = 0; i < Count; ++i) {
        shown[i] = rows[i].shown;
    }
    return shown;
}

// Applies each setting in order through its row's setter. The engine has the
// last word: a value its setter refuses, or one it stores differently from
// what was asked (a setter may report success and change nothing), stops the
// run with UsageError naming the parameter and its range. `shown` is the
// list the settings were resolved against.
template <typename Manager, std::size_t Count>
void ApplySettings(Manager& manager, const ManagerParameter<Manager> (&rows)[Count],
                   std::span<const EngineParameter> shown, std::span<const ParameterSetting> settings,
                   std::string_view engineName)
{
    for (const ParameterSetting& setting : settings) {
        const std::size_t rowCount = std::min(Count, shown.size());
        std::size_t index = 0;
        while (index < rowCount && &shown[index] != setting.parameter) {
            ++index;
        }
        if (index == rowCount) {
            throw CommandError("--set " + setting.assignment + ": not a parameter of engine " +
                               std::string(engineName));
        }
        const ManagerParameter<Manager>& row = rows[index];
        const std::string name(row.shown.name);
        const NTSTATUS status = row.set(manager, setting.value);
        if (!NT_SUCCESS(status)) {
            throw UsageError("--set " + setting.assignment + ": engine " + std::string(engineName) + " refused " +
                             name + " (" + sim::StatusName(status) + "); " + name + " must be " +
                             DescribeRange(row.shown));
        }
        if (row.get(manager) != setting.value) {
            throw UsageError("--set " + setting.assignment + ": engine " + std::string(engineName) +
                             " did not take " + name + "; " + name + " must be " + DescribeRange(row.shown));
        }
    }
}

}  // namespace vastum
