// The object types of the kernel stand-in and the routines that run when
// their objects lose their last handle or reference.
#pragma once

#include "object_manager.h"

namespace sim {

POBJECT_TYPE KeyObjectType();

}  // namespace sim

namespace sim::io {

void CleanupFileObject(PVOID body);   // last handle closed: IRP_MJ_CLEANUP
void DeleteFileObject(PVOID body);    // last reference gone: IRP_MJ_CLOSE
void DeleteDeviceObject(PVOID body);
void DeleteDriverObject(PVOID body);

}  // namespace sim::io

namespace sim::registry_internal {

void DeleteKeyObject(PVOID body);

}  // namespace sim::registry_internal
