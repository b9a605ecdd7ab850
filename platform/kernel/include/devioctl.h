// Stand-in for the platform's device control code definitions, which the
// kernel's and the Win32 headers both include: device types, the CTL_CODE
// layout (device type, required access, function, buffer method) and the
// access a control code may require.
#pragma once

#define FILE_DEVICE_UNKNOWN      0x00000022
#define FILE_DEVICE_KS           0x0000002f
#define FILE_DEVICE_SOUND        0x0000001d
#define FILE_DEVICE_BUS_EXTENDER 0x0000002a

#define CTL_CODE(DeviceType, Function, Method, Access) \
    (((DeviceType) << 16) | ((Access) << 14) | ((Function) << 2) | (Method))
#define METHOD_BUFFERED   0
#define METHOD_IN_DIRECT  1
#define METHOD_OUT_DIRECT 2
#define METHOD_NEITHER    3
#define METHOD_FROM_CTL_CODE(ctrlCode) ((ULONG)((ctrlCode) & 3))
#define FILE_ANY_ACCESS   0
#define FILE_READ_ACCESS  0x0001
#define FILE_WRITE_ACCESS 0x0002
