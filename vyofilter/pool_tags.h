// The filter driver's pool tags, one per kind of block it allocates.
#pragma once

#include <wdm.h>

#include "pool_tag.h"

// A StreamContext: non-paged, it is read on the audio path.
constexpr ULONG kStreamContextTag = PoolTag("VFsc");
// The answer buffer of a KSPROPERTY_CONNECTION_DATAFORMAT query.
constexpr ULONG kFormatQueryTag = PoolTag("KSDF");
// A change-notification entry: paged, never touched on the audio path.
constexpr ULONG kNotificationEntryTag = PoolTag("ELI ");
// Named in the remove lock's bookkeeping; the lock allocates nothing.
constexpr ULONG kRemoveLockTag = PoolTag("VFrl");
