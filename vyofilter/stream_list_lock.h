// Holding a filter device's stream-list lock for the lifetime of a guard.
//
// Shared: looking a StreamContext up and using its stream processors to
// process audio, which many requester threads do at once. Exclusive:
// inserting or removing a context, and changing a stream's format, which
// resets the engines' filter state and so must never run while the same
// stream processes a buffer. Format changes are rare, so they can afford to
// wait for the buffers in flight.
//
// Every acquisition is made inside a critical region. PASSIVE_LEVEL.
#pragma once

#include <wdm.h>

#include "engine_host.h"

class SharedStreamListLock {
public:
    explicit SharedStreamListLock(EngineHost* host) : m_Lock(&host->StreamListLock)
    {
        KeEnterCriticalRegion();
        ExAcquireResourceSharedLite(m_Lock, TRUE);
    }

    ~SharedStreamListLock()
    {
        ExReleaseResourceLite(m_Lock);
        KeLeaveCriticalRegion();
    }

    SharedStreamListLock(const SharedStreamListLock&) = delete;
    SharedStreamListLock& operator=(const SharedStreamListLock&) = delete;

private:
    PERESOURCE m_Lock;
};

class ExclusiveStreamListLock {
public:
    explicit ExclusiveStreamListLock(EngineHost* host) : m_Lock(&host->StreamListLock)
    {
        KeEnterCriticalRegion();
        ExAcquireResourceExclusiveLite(m_Lock, TRUE);
    }

    ~ExclusiveStreamListLock()
    {
        ExReleaseResourceLite(m_Lock);
        KeLeaveCriticalRegion();
    }

    ExclusiveStreamListLock(const ExclusiveStreamListLock&) = delete;
    ExclusiveStreamListLock& operator=(const ExclusiveStreamListLock&) = delete;

private:
    PERESOURCE m_Lock;
};
