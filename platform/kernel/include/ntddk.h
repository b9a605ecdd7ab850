// Stand-in for the platform's full driver header: everything of wdm.h.
#pragma once
#define _NTDDK_
#include "wdm.h"
