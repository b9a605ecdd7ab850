// Tuning values under the driver's service key,
// "\Registry\Machine\System\CurrentControlSet\Services\vyofilter\Parameters".
// Each is a REG_DWORD of exactly 4 bytes; anything else (or no value) gives
// its default. The key is opened, read and closed at each reading.
// PASSIVE_LEVEL.
#pragma once

#include <wdm.h>

// "DisableLoopedStreaming": TRUE for a non-zero value; default FALSE.
BOOLEAN ReadLoopedStreamingDisabled();
