// KsCreatePin: a client creates a pin by opening the pin object class
// relative to its filter handle, with the connection request in the name.

#include <windows.h>

#include <ks.h>

#include <string.h>

#include <vector>

#include "sim/system_services.h"

EXTERN_C DWORD WINAPI KsCreatePin(HANDLE FilterHandle, PKSPIN_CONNECT Connect, ACCESS_MASK DesiredAccess,
                                  PHANDLE ConnectionHandle)
{
    if (Connect == nullptr || ConnectionHandle == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const auto* format = reinterpret_cast<const KSDATAFORMAT*>(Connect + 1);
    if (format->FormatSize < sizeof(KSDATAFORMAT)) {
        return ERROR_INVALID_PARAMETER;
    }
    // The name: the object class, a backslash, then the connection request
    // and its format as raw bytes, padded to whole characters.
    const size_t requestBytes = sizeof(KSPIN_CONNECT) + format->FormatSize;
    const size_t prefixCharacters = wcslen(KSSTRING_Pin L"\\");
    const size_t characters = prefixCharacters + (requestBytes + sizeof(WCHAR) - 1) / sizeof(WCHAR);
    if (characters * sizeof(WCHAR) > 0xFFFE) {
        return ERROR_INVALID_PARAMETER;  // longer than any name the machine can carry
    }
    std::vector<WCHAR> name(characters, 0);
    memcpy(name.data(), KSSTRING_Pin L"\\", prefixCharacters * sizeof(WCHAR));
    memcpy(name.data() + prefixCharacters, Connect, requestBytes);

    UNICODE_STRING objectName;
    objectName.Buffer = name.data();
    objectName.Length = static_cast<USHORT>(characters * sizeof(WCHAR));
    objectName.MaximumLength = objectName.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, FilterHandle, nullptr);
    IO_STATUS_BLOCK ioStatus{};
    const NTSTATUS status = NtCreateFile(ConnectionHandle, DesiredAccess | SYNCHRONIZE, &attributes, &ioStatus,
                                         nullptr, 0, 0, FILE_OPEN, FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    return RtlNtStatusToDosError(status);
}
