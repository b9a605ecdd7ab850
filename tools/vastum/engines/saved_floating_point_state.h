// The floating-point state saved around engine calls, as the filter driver
// saves it around each request it hands an engine: KeSaveFloatingPointState
// when constructed, KeRestoreFloatingPointState when the scope ends, also
// when the engine's caller throws.
#pragma once

#include <wdm.h>

#include "command_error.h"
#include "sim/status.h"

namespace vastum {

class SavedFloatingPointState {
public:
    // Throws CommandError when the state cannot be saved; nothing is then
    // restored.
    SavedFloatingPointState()
    {
        const NTSTATUS status = KeSaveFloatingPointState(&save_);
        if (!NT_SUCCESS(status)) {
            throw CommandError("cannot save the floating-point state (" + sim::StatusName(status) + ")");
        }
    }
    ~SavedFloatingPointState() { KeRestoreFloatingPointState(&save_); }
    SavedFloatingPointState(const SavedFloatingPointState&) = delete;
    SavedFloatingPointState& operator=(const SavedFloatingPointState&) = delete;

private:
    KFLOATING_SAVE save_{};
};

}  // namespace vastum
