// `vastum settings --save FILE`: a fresh manager of a kernel engine, with
// any --set taken, saves its settings with its own SaveSettings into a new
// registry key, which is written to FILE in the registry text export format
// (settings/settings_key.h). Without --set that is the engine's defaults;
// `vastum process --settings FILE` loads them back.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "engines/engine.h"
#include "engines/engine_table.h"

namespace vastum {

struct SettingsRequest {
    const Engine* engine = nullptr;
    std::vector<ParameterSetting> settings;
    std::string savePath;  // "-": standard output
};

// Throws UsageError for an engine without settings, CommandError when the
// engine cannot be opened, refuses to save or FILE cannot be written (it is
// replaced atomically). "-" prints the settings to `out`.
void RunSettings(const SettingsRequest& request, std::ostream& out);

}  // namespace vastum
