#include "engines/stream_playback.h"

#include <algorithm>

#include <wdm.h>

#include "command_error.h"
#include "sim/status.h"

namespace vastum {

namespace {

// Restores the saved state when the buffer's processing ends, also when the
// engine throws.
class SavedFloatingPointState {
public:
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

}  // namespace

void PlayThroughStream(StreamProcessor& stream, Audio& audio, std::size_t bufferFrames)
{
    const std::size_t frameBytes = audio.format.BytesPerFrame();
    const std::size_t frames = audio.Frames();
    for (std::size_t first = 0; first < frames; first += bufferFrames) {
        const std::size_t count = std::min(bufferFrames, frames - first);
        SavedFloatingPointState floatingPoint;
        stream.ProcessInPlace(std::span<std::uint8_t>(audio.pcm).subspan(first * frameBytes, count * frameBytes));
    }
}

}  // namespace vastum
