// A kernel engine's manager held for `props` and `settings`: released when
// the command is done, its property dispatch and SaveSettings reached
// through the engine's interface as the filter driver reaches them.
#pragma once

#include <wdm.h>

#include <string>

#include "command_error.h"
#include "engines/engine.h"
#include "engines/kernel_engine_stream.h"
#include "engines/saved_floating_point_state.h"
#include "settings/settings_key.h"
#include "sim/status.h"

namespace vastum {

// Hands the engine its saved settings, if there are any, through its own
// LoadSettings: values it does not accept are skipped as the engine skips
// them.
template <typename Manager>
void LoadSavedSettings(Manager& manager, const SettingsKey* saved, std::string_view engineName)
{
    if (saved == nullptr) {
        return;
    }
    const NTSTATUS status = manager.LoadSettings(saved->Handle());
    if (!NT_SUCCESS(status)) {
        throw CommandError("engine " + std::string(engineName) + " could not load its settings (" +
                           sim::StatusName(status) + ")");
    }
}

template <typename Manager>
class KernelEngineManager final : public EngineManager {
public:
    explicit KernelEngineManager(Released<Manager> manager) : manager_(std::move(manager)) {}

    NTSTATUS HandlePropertyRequest(_IRP* irp) override { return manager_->HandlePropertyRequest(irp); }
    NTSTATUS SaveSettings(const SettingsKey& key) override { return manager_->SaveSettings(key.Handle()); }

private:
    Released<Manager> manager_;
};

// An engine's openManager: the manager `Open` prepares (its saved settings
// loaded, then the user's), held for one command. The floating-point state
// is saved around the setters' float work.
template <typename Manager, Released<Manager> (*Open)(std::span<const ParameterSetting>, const SettingsKey*)>
std::unique_ptr<EngineManager> OpenKernelEngineManager(std::span<const ParameterSetting> settings,
                                                       const SettingsKey* saved)
{
    SavedFloatingPointState floatingPoint;
    return std::make_unique<KernelEngineManager<Manager>>(Open(settings, saved));
}

}  // namespace vastum
