// The engines and streams of one filter device: the KOVA and VYO HD
// managers, created with the device, and the list of StreamContexts, one
// per tracked PCM pin, each holding a stream processor of either engine.
//
// Lifetime: initialized and given its managers in AddDevice, released when
// the device is destroyed. Streams are always released before managers.
#pragma once

#include <wdm.h>

#include <kova_interface.h>
#include <vyohd_interface.h>

struct FilterDevice;

struct EngineHost {
    // Shared to look up a StreamContext, exclusive to insert or remove one
    // and to change a stream's format (see stream_list_lock.h).
    ERESOURCE StreamListLock;
    LIST_ENTRY StreamList;          // StreamContext.ListEntry, new ones at the tail
    KMUTEX LoopingMutex;            // guards ActiveLoopedStreams
    ULONG ActiveLoopedStreams;
    FilterDevice* Device;
    KOVAManager* Kova;              // NULL when it could not be created
    VYOHDManager* Vyohd;            // NULL when it could not be created
};

// Prepares an empty host without managers. PASSIVE_LEVEL.
VOID InitializeEngineHost(EngineHost* host, FilterDevice* device);

// Creates both managers with the floating-point state saved; neither is
// created when the state cannot be saved. The KOVA engine starts with unity
// input and output gains. PASSIVE_LEVEL.
VOID CreateEngineManagers(EngineHost* host);

BOOLEAN EngineManagersPresent(const EngineHost* host);

// Releases every StreamContext still in the list (their pins' closes can no
// longer reach the device), deletes the lock and releases the managers,
// VYO HD first. PASSIVE_LEVEL; no request may use the host any more.
VOID ReleaseEngineHost(EngineHost* host);
