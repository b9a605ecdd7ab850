// Structured exception protection. Kernel code guards accesses that may
// raise an exception (probing and locking a client's memory) in a guarded
// block; a raised status leaves the block for its handler:
//
//     SEH_TRY {
//         MmProbeAndLockPages(mdl, KernelMode, IoModifyAccess);
//         locked = TRUE;
//     } SEH_EXCEPT {
//         status = SEH_EXCEPTION_CODE;
//     } SEH_END;
//
// On Windows these are __try / __except (EXCEPTION_EXECUTE_HANDLER). Here the
// block is a saved context that ExRaiseStatus returns to. As with __try, the
// guarded block must not be left by return, break or goto, and local
// variables changed inside it and read in the handler must be volatile.
#pragma once

#include <setjmp.h>

#include <wdm.h>

typedef struct _SEH_FRAME {
    struct _SEH_FRAME* Previous;
    NTSTATUS Code;
    jmp_buf Target;
} SEH_FRAME;

NTKERNELAPI VOID NTAPI SehEnterFrame(SEH_FRAME* Frame);
NTKERNELAPI VOID NTAPI SehLeaveFrame(SEH_FRAME* Frame);

#define SEH_TRY                          \
    {                                    \
        SEH_FRAME SehFrame_;             \
        SehEnterFrame(&SehFrame_);       \
        if (setjmp(SehFrame_.Target) == 0) {
#define SEH_EXCEPT                       \
        SehLeaveFrame(&SehFrame_);       \
        } else {
#define SEH_END                          \
        }                                \
    }                                    \
    do {                                 \
    } while (0)
#define SEH_EXCEPTION_CODE (SehFrame_.Code)

// Raises the status as an exception: control goes to the handler of the
// innermost guarded block of the thread. Without one the machine stops.
NTKERNELAPI __attribute__((noreturn)) VOID NTAPI ExRaiseStatus(NTSTATUS Status);
