// Pool tags of the KOVA engine, one per kind of object.
#pragma once

#include "pool_tag.h"

constexpr ULONG kKOVAManagerTag = PoolTag("KOVA");
constexpr ULONG kKOVAStreamTag = PoolTag("KPin");
