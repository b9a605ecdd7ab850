// The running filter state and per-rate coefficient references of all
// stages of one stream. Each stream owns one (pool tag VYOS); the manager,
// which never processes audio, has none.
#pragma once

#include "elevo_stage.h"
#include "limiter_stage.h"
#include "nitida_stage.h"
#include "qel3d_stage.h"
#include "subvia_stage.h"

namespace vyohd {

struct VYOHDStateBlock {
    Qel3DState qel3d;
    SubviaState subvia;
    ElevoState elevoLeft;
    ElevoState elevoRight;
    LimiterState limiter;
    NitidaState nitidaLeft;
    NitidaState nitidaRight;
};

}  // namespace vyohd
