// Stand-in for the platform's kernel DRM header: the rights of protected
// audio content, the forwarding of a content id to the driver below, and
// the KSPROPSETID_DrmAudioStream request that carries the DRM functions.
// Kernel-mode only.
#pragma once

#include <wdm.h>

#include <ksmedia.h>

typedef struct {
    BOOL CopyProtect;
    ULONG Reserved;
    BOOL DigitalOutputDisable;
} DRMRIGHTS, *PDRMRIGHTS;
typedef const DRMRIGHTS* PCDRMRIGHTS;

// The value of KSPROPERTY_DRMAUDIOSTREAM_CONTENTID.
typedef struct {
    ULONG ContentId;
    DRMRIGHTS DrmRights;
} KSDRMAUDIOSTREAM_CONTENTID, *PKSDRMAUDIOSTREAM_CONTENTID;

// Where a driver forwards protected content: the device below it, the file
// object of the stream there, and the context of the original request.
typedef struct {
    DWORD Flags;
    PDEVICE_OBJECT DeviceObject;
    PFILE_OBJECT FileObject;
    PVOID Context;
} DRMFORWARD, *PDRMFORWARD;
typedef const DRMFORWARD* PCDRMFORWARD;

typedef NTSTATUS(NTAPI* PFNDRMADDCONTENTHANDLERS)(ULONG ContentId, PVOID* paHandlers, ULONG NumHandlers);
typedef NTSTATUS(NTAPI* PFNDRMCREATECONTENTMIXED)(PULONG paContentId, ULONG cContentId, PULONG pMixedContentId);
typedef NTSTATUS(NTAPI* PFNDRMDESTROYCONTENT)(ULONG ContentId);
typedef NTSTATUS(NTAPI* PFNDRMFORWARDCONTENTTODEVICEOBJECT)(ULONG ContentId, PVOID Reserved,
                                                           PCDRMFORWARD DrmForward);
typedef NTSTATUS(NTAPI* PFNDRMFORWARDCONTENTTOFILEOBJECT)(ULONG ContentId, PFILE_OBJECT FileObject);
typedef NTSTATUS(NTAPI* PFNDRMFORWARDCONTENTTOINTERFACE)(ULONG ContentId, PVOID pUnknown, ULONG NumMethods);
typedef NTSTATUS(NTAPI* PFNDRMGETCONTENTRIGHTS)(ULONG ContentId, PDRMRIGHTS DrmRights);

// The property of a KSPROPERTY_DRMAUDIOSTREAM_CONTENTID request: the
// requester's context and the DRM functions the receiving driver calls.
typedef struct {
    KSPROPERTY Property;
    PVOID Context;
    PFNDRMADDCONTENTHANDLERS DrmAddContentHandlers;
    PFNDRMCREATECONTENTMIXED DrmCreateContentMixed;
    PFNDRMDESTROYCONTENT DrmDestroyContent;
    PFNDRMFORWARDCONTENTTODEVICEOBJECT DrmForwardContentToDeviceObject;
    PFNDRMFORWARDCONTENTTOFILEOBJECT DrmForwardContentToFileObject;
    PFNDRMFORWARDCONTENTTOINTERFACE DrmForwardContentToInterface;
    PFNDRMGETCONTENTRIGHTS DrmGetContentRights;
} KSP_DRMAUDIOSTREAM_CONTENTID, *PKSP_DRMAUDIOSTREAM_CONTENTID;

static_assert(sizeof(DRMRIGHTS) == 12, "DRMRIGHTS is 12 bytes");
static_assert(sizeof(KSDRMAUDIOSTREAM_CONTENTID) == 16, "KSDRMAUDIOSTREAM_CONTENTID is 16 bytes");
// 4 + 3 pointers: 16 bytes on 32-bit Windows.
static_assert(sizeof(DRMFORWARD) == 16 + 3 * KS_POINTER_GROWTH + (sizeof(PVOID) == 8 ? 4 : 0),
              "DRMFORWARD is 16 bytes on 32-bit Windows");
// 24 + 8 pointers: 56 bytes on 32-bit Windows.
static_assert(sizeof(KSP_DRMAUDIOSTREAM_CONTENTID) == 56 + 8 * KS_POINTER_GROWTH &&
                  FIELD_OFFSET(KSP_DRMAUDIOSTREAM_CONTENTID, DrmForwardContentToDeviceObject) ==
                      40 + 4 * KS_POINTER_GROWTH,
              "KSP_DRMAUDIOSTREAM_CONTENTID is 56 bytes on 32-bit Windows");
