// Stand-in for the platform's full driver header: everything of wdm.h.
#pragma once
#include "wdm.h"
