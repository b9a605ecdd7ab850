// The simulated machine's fatal stop. Kernel code that breaks a rule of the
// platform (a free with the wrong tag, a release of a mutex it does not own)
// stops the machine as Windows does; here the process prints the stop code
// and aborts, which tests observe with death tests.
#pragma once

namespace sim {

[[noreturn]] void BugCheck(const char* code, const char* detail);

}  // namespace sim
