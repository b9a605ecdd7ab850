// Internals of request packets: the I/O manager's own record in front of
// every request it allocates, and the completion of requests it owns.
#pragma once

#include <wdm.h>

namespace sim::irp {

enum class Owner {
    Driver,    // IoAllocateIrp: the driver frees it with IoFreeIrp
    IoManager, // built for a caller that waits for it: completed and freed by the I/O manager
};

struct alignas(16) IrpPrivate {
    Owner owner;
    ULONG outputLength;       // METHOD_BUFFERED: bytes the caller's output buffer holds
    PKEVENT eventObject;      // a referenced event object to dereference at completion
    bool referencesFile;      // OriginalFileObject carries a reference to drop at completion
};

PIRP Allocate(CCHAR stackSize, Owner owner, bool mustSucceed);
IrpPrivate* PrivateOf(PIRP irp);

}  // namespace sim::irp
