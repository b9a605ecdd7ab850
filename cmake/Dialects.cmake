# The two C++ dialects of the project, and the floating-point rules that hold
# for all of it.
#
# Floating point: no contraction into fused multiply-adds and no fast-math,
# anywhere, so every product and sum is rounded to single precision exactly as
# the DSP is written. No -march=native either: results must not depend on the
# machine that built them.
add_compile_options(-ffp-contract=off -fno-fast-math)

if(VASTUM_SANITIZE STREQUAL "address")
  # No vptr check: kernel-side objects are built without RTTI, so the check
  # cannot tell their dynamic type when user-side code calls them.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize=vptr -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VASTUM_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VASTUM_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VASTUM_SANITIZE must be empty, address or thread")
endif()

# A fuzz build instruments all code for coverage, so libFuzzer is guided by
# the branches of the libraries under test, not only by the fuzz target's.
if(VASTUM_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

set(VASTUM_WARNINGS -Wall -Wextra -Werror)

# Kernel side: what a Windows kernel allows. No exceptions, no RTTI, no
# standard containers or streams, memory only from the pool. Symbols stay
# hidden unless a library exports them on purpose.
function(vastum_kernel_dialect target)
  target_compile_options(${target} PRIVATE ${VASTUM_WARNINGS}
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>
    -fvisibility=hidden -fvisibility-inlines-hidden)
  target_compile_definitions(${target} PRIVATE VASTUM_KERNEL_MODE=1)
endfunction()

# User side: modern C++ with the standard library.
function(vastum_user_dialect target)
  target_compile_options(${target} PRIVATE ${VASTUM_WARNINGS})
endfunction()
