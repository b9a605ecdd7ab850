#pragma once

#include <wdm.h>

// Holds a kernel mutex for the lifetime of the guard. Acquiring waits
// without a timeout at PASSIVE_LEVEL; the mutex is released on the same
// thread when the guard goes out of scope.
class MutexGuard {
public:
    explicit MutexGuard(PKMUTEX mutex) : m_Mutex(mutex)
    {
        KeWaitForSingleObject(m_Mutex, Executive, KernelMode, FALSE, NULL);
    }

    ~MutexGuard() { KeReleaseMutex(m_Mutex, FALSE); }

    MutexGuard(const MutexGuard&) = delete;
    MutexGuard& operator=(const MutexGuard&) = delete;

private:
    PKMUTEX m_Mutex;
};
