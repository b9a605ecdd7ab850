// The engine host's life: its list and locks, its two managers.

#include "engine_host.h"

#include "floating_point_guard.h"
#include "stream_context.h"

VOID InitializeEngineHost(EngineHost* host, FilterDevice* device)
{
    host->ActiveLoopedStreams = 0;
    host->Device = device;
    host->Kova = NULL;
    host->Vyohd = NULL;
    ExInitializeResourceLite(&host->StreamListLock);
    InitializeListHead(&host->StreamList);
    KeInitializeMutex(&host->LoopingMutex, 0);
}

VOID CreateEngineManagers(EngineHost* host)
{
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return;
    }
    host->Kova = CreateKOVAManager();
    host->Vyohd = CreateVYOHDManager2();
    if (host->Kova != NULL) {
        host->Kova->SetInputGain(1.0f);
        host->Kova->SetOutputGain(1.0f);
    }
}

BOOLEAN EngineManagersPresent(const EngineHost* host)
{
    return host->Kova != NULL && host->Vyohd != NULL;
}

VOID ReleaseEngineHost(EngineHost* host)
{
    ReleaseAllStreamContexts(host);
    ExDeleteResourceLite(&host->StreamListLock);
    if (host->Vyohd != NULL) {
        host->Vyohd->Release();
        host->Vyohd = NULL;
    }
    if (host->Kova != NULL) {
        host->Kova->Release();
        host->Kova = NULL;
    }
}
