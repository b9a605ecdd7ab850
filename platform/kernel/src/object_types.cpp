// The kinds of objects the simulated object manager knows, with their pool
// tags and the access rights the generic rights map to.

#include "object_types.h"

#include "pool_tags.h"

namespace {

_OBJECT_TYPE gEventType = {
    "Event",
    sim::kEventTag,
    {STANDARD_RIGHTS_REQUIRED | EVENT_QUERY_STATE | SYNCHRONIZE, STANDARD_RIGHTS_REQUIRED | EVENT_MODIFY_STATE,
     STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE, EVENT_ALL_ACCESS},
    nullptr,
    nullptr,
};

_OBJECT_TYPE gThreadType = {
    "Thread",
    sim::kThreadTag,
    {READ_CONTROL | THREAD_QUERY_INFORMATION, READ_CONTROL | THREAD_SET_INFORMATION | THREAD_TERMINATE,
     READ_CONTROL | SYNCHRONIZE, THREAD_ALL_ACCESS},
    nullptr,
    nullptr,
};

_OBJECT_TYPE gFileType = {
    "File",
    sim::kFileTag,
    {FILE_GENERIC_READ, FILE_GENERIC_WRITE, READ_CONTROL | SYNCHRONIZE, FILE_ALL_ACCESS},
    sim::io::DeleteFileObject,
    sim::io::CleanupFileObject,
};

_OBJECT_TYPE gDeviceType = {
    "Device",
    sim::kDeviceTag,
    {FILE_GENERIC_READ, FILE_GENERIC_WRITE, READ_CONTROL | SYNCHRONIZE, FILE_ALL_ACCESS},
    sim::io::DeleteDeviceObject,
    nullptr,
};

_OBJECT_TYPE gDriverType = {
    "Driver",
    sim::kDriverTag,
    {READ_CONTROL, READ_CONTROL, READ_CONTROL, STANDARD_RIGHTS_REQUIRED | 0x1},
    sim::io::DeleteDriverObject,
    nullptr,
};

_OBJECT_TYPE gKeyType = {
    "Key",
    sim::kKeyTag,
    {KEY_READ, KEY_WRITE, KEY_READ, KEY_ALL_ACCESS},
    sim::registry_internal::DeleteKeyObject,
    nullptr,
};

POBJECT_TYPE gEventTypePointer = &gEventType;
POBJECT_TYPE gThreadTypePointer = &gThreadType;
POBJECT_TYPE gFileTypePointer = &gFileType;
POBJECT_TYPE gDeviceTypePointer = &gDeviceType;
POBJECT_TYPE gDriverTypePointer = &gDriverType;

}  // namespace

POBJECT_TYPE* ExEventObjectType = &gEventTypePointer;
POBJECT_TYPE* PsThreadType = &gThreadTypePointer;
POBJECT_TYPE* IoFileObjectType = &gFileTypePointer;
POBJECT_TYPE* IoDeviceObjectType = &gDeviceTypePointer;
POBJECT_TYPE* IoDriverObjectType = &gDriverTypePointer;

namespace sim {

POBJECT_TYPE KeyObjectType()
{
    return &gKeyType;
}

}  // namespace sim
