// The KOVA engine as the filter driver sees it: the two objects of the
// kova_kern_i386 library and its creation exports.
//
// Both objects are called by position in their tables of operations, so the
// order of the declarations below is part of the interface between the two
// libraries and must never change. Position 0 is the deleting destructor
// (bit 0 of `flags` frees the object), position 1 `Release`. Floats travel
// as 32-bit IEEE single precision; BOOLEAN results are 0 or 1.
#pragma once

#include <wdm.h>

class KOVAStream;

// Speaker groups of the speaker-group gain operations (positions 32 and 33).
enum KOVASpeakerGroup : ULONG {
    KOVAGroupFront = 0,
    KOVAGroupSurround = 1,
    KOVAGroupCenter = 2,
    KOVAGroupSubwoofer = 3,
};

class KOVAManager {
public:
    virtual KOVAManager* NTAPI Destroy(ULONG flags) = 0;                     // 0
    virtual void NTAPI Release() = 0;                                        // 1
    virtual KOVAStream* NTAPI CreateStream() = 0;                            // 2
    virtual NTSTATUS NTAPI HandlePropertyRequest(PIRP irp) = 0;              // 3
    virtual BOOLEAN NTAPI GetEnable() = 0;                                   // 4
    virtual NTSTATUS NTAPI SetEnable(ULONG value) = 0;                       // 5
    virtual BOOLEAN NTAPI GetHeadphone() = 0;                                // 6
    virtual NTSTATUS NTAPI SetHeadphone(ULONG value) = 0;                    // 7
    virtual LONG NTAPI GetKVHDMode() = 0;                                    // 8
    virtual NTSTATUS NTAPI SetKVHDMode(LONG mode) = 0;                       // 9
    virtual BOOLEAN NTAPI GetElevoEnable() = 0;                              // 10
    virtual NTSTATUS NTAPI SetElevoEnable(ULONG value) = 0;                  // 11
    virtual float NTAPI GetElevoLevel() = 0;                                 // 12
    virtual NTSTATUS NTAPI SetElevoLevel(float level) = 0;                   // 13
    virtual BOOLEAN NTAPI GetSubviaEnable() = 0;                             // 14
    virtual NTSTATUS NTAPI SetSubviaEnable(ULONG value) = 0;                 // 15
    virtual float NTAPI GetSubviaLevel() = 0;                                // 16
    virtual NTSTATUS NTAPI SetSubviaLevel(float level) = 0;                  // 17
    virtual ULONG NTAPI GetSubviaSize() = 0;                                 // 18
    virtual NTSTATUS NTAPI SetSubviaSize(ULONG size) = 0;                    // 19
    virtual float NTAPI GetInputGain() = 0;                                  // 20
    virtual NTSTATUS NTAPI SetInputGain(float gain) = 0;                     // 21
    virtual float NTAPI GetOutputGain() = 0;                                 // 22
    virtual NTSTATUS NTAPI SetOutputGain(float gain) = 0;                    // 23
    virtual LONG NTAPI GetOutputMode() = 0;                                  // 24
    virtual NTSTATUS NTAPI SetOutputMode(LONG mode) = 0;                     // 25
    virtual BOOLEAN NTAPI GetSubviaSubEnable() = 0;                          // 26
    virtual NTSTATUS NTAPI SetSubviaSubEnable(ULONG value) = 0;              // 27
    virtual ULONG NTAPI GetSubviaSubSize() = 0;                              // 28
    virtual NTSTATUS NTAPI SetSubviaSubSize(ULONG size) = 0;                 // 29
    virtual float NTAPI GetSubviaSubLevel() = 0;                             // 30
    virtual NTSTATUS NTAPI SetSubviaSubLevel(float level) = 0;               // 31
    virtual NTSTATUS NTAPI GetSpeakerGroupGain(ULONG group, float* gain) = 0;  // 32
    virtual NTSTATUS NTAPI SetSpeakerGroupGain(ULONG group, float gain) = 0;   // 33
    virtual NTSTATUS NTAPI SaveSettings(HANDLE key) = 0;                     // 34
    virtual NTSTATUS NTAPI LoadSettings(HANDLE key) = 0;                     // 35
    virtual ULONG NTAPI GetCrossoverSelect() = 0;                            // 36
    virtual NTSTATUS NTAPI SetCrossoverSelect(ULONG select) = 0;             // 37
};

class KOVAStream {
public:
    virtual KOVAStream* NTAPI Destroy(ULONG flags) = 0;                      // 0
    virtual void NTAPI Release() = 0;                                        // 1
    virtual NTSTATUS NTAPI SetFormat(ULONG sampleRate, USHORT bitsPerSample,
                                     USHORT channels, ULONG channelMask) = 0;  // 2
    virtual void NTAPI ProcessFloat(const float* input, ULONG frames,
                                    float* output, ULONG unused) = 0;        // 3
    virtual void NTAPI ProcessInPlace(PVOID buffer, ULONG byteCount) = 0;   // 4
    virtual void NTAPI ResetState() = 0;                                     // 5
};

// Exports of kova_kern_i386. Both creators make the same object; null when
// the pool has no memory for it.
NT_EXTERN_C KOVAManager* NTAPI CreateKOVAManager2(void);
NT_EXTERN_C KOVAManager* NTAPI CreateKOVAManager(void);
NT_EXTERN_C NTSTATUS NTAPI DllInitialize(PUNICODE_STRING registryPath);
NT_EXTERN_C NTSTATUS NTAPI DllUnload(void);
