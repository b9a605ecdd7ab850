// Devices from a client's side: opening them by name, control requests,
// and the handles of the calling process.

#include <string>

#include "last_error.h"
#include "sim/system_services.h"

namespace {

// "\\.\NAME" and "\\?\PATH" name objects of the machine's name space
// directly ("\??\NAME"); any other path is a DOS path, which the name space
// also finds under "\??\".
std::wstring NtPathOf(const std::wstring& path)
{
    for (const wchar_t* prefix : {L"\\\\.\\", L"\\\\?\\"}) {
        if (path.rfind(prefix, 0) == 0) {
            return L"\\??\\" + path.substr(4);
        }
    }
    return L"\\??\\" + path;
}

// The request's result as a Win32 call reports it: an error fails, a
// warning (more data) fails with ERROR_MORE_DATA but has moved the bytes it
// reports.
BOOL ReportRequest(NTSTATUS status, ULONG_PTR information, LPDWORD bytesReturned)
{
    if (bytesReturned != nullptr) {
        *bytesReturned = NT_ERROR(status) ? 0 : static_cast<DWORD>(information);
    }
    if (!NT_SUCCESS(status)) {
        return win32::FailWith(status);
    }
    return TRUE;
}

BOOL DeviceIoControlOverlapped(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                               LPDWORD bytesReturned, LPOVERLAPPED overlapped)
{
    auto* ioStatus = reinterpret_cast<PIO_STATUS_BLOCK>(overlapped);
    __atomic_store_n(&overlapped->Internal, static_cast<ULONG_PTR>(STATUS_PENDING), __ATOMIC_SEQ_CST);
    const NTSTATUS status =
        NtDeviceIoControlFile(device, overlapped->hEvent, nullptr, nullptr, ioStatus, code, in, inSize, out, outSize);
    if (status == STATUS_PENDING) {
        return win32::FailWithError(ERROR_IO_PENDING);
    }
    return ReportRequest(status, overlapped->InternalHigh, bytesReturned);
}

}  // namespace

EXTERN_C HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    (void)lpSecurityAttributes;
    (void)hTemplateFile;
    if (lpFileName == nullptr || lpFileName[0] == L'\0') {
        win32::FailWithError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (dwCreationDisposition != OPEN_EXISTING) {
        win32::FailWithError(ERROR_INVALID_PARAMETER);  // the machine's devices exist or do not; none is created
        return INVALID_HANDLE_VALUE;
    }
    const std::wstring path = NtPathOf(lpFileName);
    UNICODE_STRING name;
    name.Buffer = const_cast<PWSTR>(path.c_str());
    name.Length = static_cast<USHORT>(path.size() * sizeof(WCHAR));
    name.MaximumLength = name.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    const ULONG options =
        FILE_NON_DIRECTORY_FILE | ((dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED) ? 0 : FILE_SYNCHRONOUS_IO_NONALERT);
    HANDLE handle = nullptr;
    IO_STATUS_BLOCK ioStatus{};
    const NTSTATUS status = NtCreateFile(&handle, dwDesiredAccess | SYNCHRONIZE, &attributes, &ioStatus, nullptr,
                                         FILE_ATTRIBUTE_NORMAL, dwShareMode, FILE_OPEN, options, nullptr, 0);
    if (!NT_SUCCESS(status)) {
        win32::FailWith(status);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

EXTERN_C BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                                     LPOVERLAPPED lpOverlapped)
{
    if (lpOverlapped != nullptr) {
        return DeviceIoControlOverlapped(hDevice, dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer,
                                         nOutBufferSize, lpBytesReturned, lpOverlapped);
    }
    // The request's status block lives on this stack, so the call must not
    // return before the request has completed, whatever kind of handle this
    // is: a private event says when.
    HANDLE done = nullptr;
    NTSTATUS status = NtCreateEvent(&done, EVENT_ALL_ACCESS, nullptr, NotificationEvent, FALSE);
    if (!NT_SUCCESS(status)) {
        return win32::FailWith(status);
    }
    IO_STATUS_BLOCK ioStatus{};
    status = NtDeviceIoControlFile(hDevice, done, nullptr, nullptr, &ioStatus, dwIoControlCode, lpInBuffer,
                                   nInBufferSize, lpOutBuffer, nOutBufferSize);
    if (status == STATUS_PENDING) {
        NtWaitForSingleObject(done, FALSE, nullptr);
        status = ioStatus.Status;
    }
    NtClose(done);
    return ReportRequest(status, ioStatus.Information, lpBytesReturned);
}

EXTERN_C BOOL WINAPI GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred,
                                         BOOL bWait)
{
    (void)hFile;
    if (__atomic_load_n(&lpOverlapped->Internal, __ATOMIC_SEQ_CST) == static_cast<ULONG_PTR>(STATUS_PENDING)) {
        if (!bWait) {
            return win32::FailWithError(ERROR_IO_INCOMPLETE);
        }
        if (lpOverlapped->hEvent == nullptr) {
            return win32::FailWithError(ERROR_INVALID_PARAMETER);  // nothing says when the request completes
        }
        const NTSTATUS waited = NtWaitForSingleObject(lpOverlapped->hEvent, FALSE, nullptr);
        if (!NT_SUCCESS(waited)) {
            return win32::FailWith(waited);
        }
    }
    const auto status = static_cast<NTSTATUS>(__atomic_load_n(&lpOverlapped->Internal, __ATOMIC_SEQ_CST));
    return ReportRequest(status, lpOverlapped->InternalHigh, lpNumberOfBytesTransferred);
}

EXTERN_C BOOL WINAPI CloseHandle(HANDLE hObject)
{
    const NTSTATUS status = NtClose(hObject);
    return NT_SUCCESS(status) ? TRUE : win32::FailWith(status);
}

EXTERN_C HANDLE WINAPI GetCurrentProcess(VOID)
{
    return NtCurrentProcess();
}

EXTERN_C BOOL WINAPI DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
                                     LPHANDLE lpTargetHandle, DWORD dwDesiredAccess, BOOL bInheritHandle,
                                     DWORD dwOptions)
{
    if (lpTargetHandle == nullptr) {
        return win32::FailWithError(ERROR_INVALID_PARAMETER);
    }
    const NTSTATUS status = NtDuplicateObject(hSourceProcessHandle, hSourceHandle, hTargetProcessHandle,
                                              lpTargetHandle, dwDesiredAccess, bInheritHandle ? OBJ_INHERIT : 0,
                                              dwOptions);
    return NT_SUCCESS(status) ? TRUE : win32::FailWith(status);
}
