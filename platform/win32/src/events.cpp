// Events of the calling process and waits on them (and on threads).

#include "last_error.h"
#include "sim/system_services.h"

namespace {

// A Win32 timeout in milliseconds as a relative kernel timeout; INFINITE
// waits without one.
PLARGE_INTEGER TimeoutOf(DWORD milliseconds, LARGE_INTEGER* storage)
{
    if (milliseconds == INFINITE) {
        return nullptr;
    }
    storage->QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;
    return storage;
}

DWORD WaitResult(NTSTATUS status)
{
    if (status == STATUS_TIMEOUT) {
        return WAIT_TIMEOUT;
    }
    if (!NT_SUCCESS(status)) {
        win32::FailWith(status);
        return WAIT_FAILED;
    }
    return WAIT_OBJECT_0 + static_cast<DWORD>(status - STATUS_WAIT_0);
}

}  // namespace

EXTERN_C HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                                    LPCWSTR lpName)
{
    if (lpName != nullptr) {
        win32::FailWithError(ERROR_INVALID_PARAMETER);  // the machine has no named events
        return nullptr;
    }
    OBJECT_ATTRIBUTES attributes;
    const ULONG inherit = lpEventAttributes != nullptr && lpEventAttributes->bInheritHandle ? OBJ_INHERIT : 0;
    InitializeObjectAttributes(&attributes, nullptr, inherit, nullptr, nullptr);
    HANDLE event = nullptr;
    const NTSTATUS status = NtCreateEvent(&event, EVENT_ALL_ACCESS, &attributes,
                                          bManualReset ? NotificationEvent : SynchronizationEvent,
                                          bInitialState ? TRUE : FALSE);
    if (!NT_SUCCESS(status)) {
        win32::FailWith(status);
        return nullptr;
    }
    return event;
}

EXTERN_C BOOL WINAPI SetEvent(HANDLE hEvent)
{
    const NTSTATUS status = NtSetEvent(hEvent, nullptr);
    return NT_SUCCESS(status) ? TRUE : win32::FailWith(status);
}

EXTERN_C BOOL WINAPI ResetEvent(HANDLE hEvent)
{
    const NTSTATUS status = NtResetEvent(hEvent, nullptr);
    return NT_SUCCESS(status) ? TRUE : win32::FailWith(status);
}

EXTERN_C DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    LARGE_INTEGER storage;
    return WaitResult(NtWaitForSingleObject(hHandle, FALSE, TimeoutOf(dwMilliseconds, &storage)));
}

EXTERN_C DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                             DWORD dwMilliseconds)
{
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || lpHandles == nullptr) {
        win32::FailWithError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    for (DWORD i = 0; i < nCount; ++i) {
        handles[i] = lpHandles[i];
    }
    LARGE_INTEGER storage;
    return WaitResult(NtWaitForMultipleObjects(nCount, handles, bWaitAll ? WaitAll : WaitAny, FALSE,
                                               TimeoutOf(dwMilliseconds, &storage)));
}
