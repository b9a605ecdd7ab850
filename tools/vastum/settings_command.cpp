#include "settings_command.h"

#include <wdm.h>

#include "command_error.h"
#include "engines/saved_floating_point_state.h"
#include "files/atomic_file.h"
#include "files/output_bytes.h"
#include "settings/settings_key.h"
#include "sim/status.h"

namespace vastum {

void RunSettings(const SettingsRequest& request, std::ostream& out)
{
    const Engine& engine = *request.engine;
    if (engine.openManager == nullptr) {
        throw UsageError("engine " + std::string(engine.name) + " has no settings to save");
    }
    const SettingsKey key = SettingsKey::Empty(engine.name);
    {
        SavedFloatingPointState floatingPoint;
        const std::unique_ptr<EngineManager> manager = engine.openManager(request.settings, nullptr);
        const NTSTATUS status = manager->SaveSettings(key);
        if (!NT_SUCCESS(status)) {
            throw CommandError("engine " + std::string(engine.name) + " did not save its settings (" +
                               sim::StatusName(status) + ")");
        }
    }
    const std::string text = key.Export();
    if (request.savePath == kStandardOutputName) {
        out << text;
    } else {
        WriteFileAtomically(request.savePath,
                            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
}

}  // namespace vastum
