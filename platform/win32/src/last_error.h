// The calling thread's last error, and the one place where the user-mode
// calls turn a failing status into it.
#pragma once

#include <windows.h>

namespace win32 {

// Sets the last error from the status and returns FALSE, for the calls
// that report failure as a BOOL.
BOOL FailWith(NTSTATUS status);
BOOL FailWithError(DWORD error);

}  // namespace win32
