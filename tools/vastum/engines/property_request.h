// One KS property request as a client sends it (DeviceIoControl with
// IOCTL_KS_PROPERTY): a KSPROPERTY, or a KSP_NODE when a node is named, and
// one 32-bit value, in an IRP whose current stack location is the
// device-control request a client's call makes, requested from user mode.
// The IRP goes to `dispatch` (an engine's HandlePropertyRequest) and is
// freed afterwards; the dispatch never completes it.
#pragma once

#include <wdm.h>

#include <ks.h>

#include <cstdint>
#include <functional>
#include <optional>

namespace vastum {

struct PropertyAnswer {
    NTSTATUS status;
    std::int32_t value;  // a get's answer; the value as sent for a set
    ULONG_PTR bytes;     // IoStatus.Information: the bytes the answer holds
};

// `flags` is KSPROPERTY_TYPE_GET or KSPROPERTY_TYPE_SET. Throws
// CommandError when no IRP can be allocated. The caller has saved the
// floating-point state.
PropertyAnswer SendPropertyRequest(const std::function<NTSTATUS(PIRP)>& dispatch, const GUID& set, ULONG id,
                                   ULONG flags, std::optional<ULONG> node, std::int32_t value);

}  // namespace vastum
