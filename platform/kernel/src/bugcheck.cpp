#include "sim/bugcheck.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

void BugCheck(const char* code, const char* detail)
{
    std::fprintf(stderr, "*** STOP: %s: %s\n", code, detail);
    std::fflush(stderr);
    std::abort();
}

}  // namespace sim
