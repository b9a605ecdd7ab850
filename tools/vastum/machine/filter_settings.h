// The effect settings of a card's filter device as a client reads them:
// through the property set of the engine that ProcMode selects.
#pragma once

#include <windows.h>

#include <string>

namespace vastum {

// "Enable 1, QELMode 2, QELWidth 80 %, ..." for the VYO HD engine (ProcMode
// 0) or the KOVA engine (1); empty for the other modes. A value the filter
// does not answer shows as "?".
std::string DescribeEngineSettings(HANDLE filter, ULONG procMode);

}  // namespace vastum
