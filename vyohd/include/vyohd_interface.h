// The VYO HD engine as the filter driver sees it: the manager, which owns the
// effect parameters and the list of stream processors, the stream processor
// that runs the effect chain over played buffers in place, and the library's
// creation exports.
//
// The driver calls the operations by position in each object's table of
// operations, so their order below is part of the interface between the two
// libraries and must not change. Position 0 tears the object down (and frees
// it when bit 0 of the flags is set); position 1 is Destroy(1). Floats
// travel as 32-bit IEEE single precision.
//
// Calling order: create a manager; set, load or save parameters at any time;
// per audio stream CreateStream, SetFormat, then ProcessInPlace (or
// ProcessFloat) per buffer, SetFormat again when the format changes, Release;
// Release the manager after all its streams. Processing takes no lock and
// allocates nothing; its caller has saved the floating-point state.
#pragma once

#include <wdm.h>
#include <mmreg.h>

class VYOHDStream;

class VYOHDManager {
public:
    virtual VYOHDManager* NTAPI Destroy(ULONG flags) = 0;            // 0
    virtual VOID NTAPI Release() = 0;                                // 1
    virtual NTSTATUS NTAPI HandlePropertyRequest(PIRP irp) = 0;      // 2
    virtual VYOHDStream* NTAPI CreateStream() = 0;                   // 3
    virtual BOOLEAN NTAPI GetEnable() = 0;                           // 4
    virtual NTSTATUS NTAPI SetEnable(UCHAR value) = 0;               // 5
    virtual ULONG NTAPI GetQELSize() = 0;                            // 6
    virtual NTSTATUS NTAPI SetQELSize(ULONG value) = 0;              // 7
    virtual float NTAPI GetELEVOLevel() = 0;                         // 8
    virtual NTSTATUS NTAPI SetELEVOLevel(float value) = 0;           // 9
    virtual float NTAPI GetNitidaLevel() = 0;                        // 10
    virtual NTSTATUS NTAPI SetNitidaLevel(float value) = 0;          // 11
    virtual float NTAPI GetSubviaLevel() = 0;                        // 12
    virtual NTSTATUS NTAPI SetSubviaLevel(float value) = 0;          // 13
    virtual ULONG NTAPI GetSubviaSize() = 0;                         // 14
    virtual NTSTATUS NTAPI SetSubviaSize(ULONG value) = 0;           // 15
    virtual float NTAPI GetQELWidth() = 0;                           // 16
    virtual NTSTATUS NTAPI SetQELWidth(float value) = 0;             // 17
    virtual float NTAPI GetInputGain() = 0;                          // 18
    virtual NTSTATUS NTAPI SetInputGain(float value) = 0;            // 19
    virtual float NTAPI GetOutputGain() = 0;                         // 20
    virtual NTSTATUS NTAPI SetOutputGain(float value) = 0;           // 21
    virtual BOOLEAN NTAPI GetLimiterEnable() = 0;                    // 22
    virtual NTSTATUS NTAPI SetLimiterEnable(UCHAR value) = 0;        // 23
    virtual float NTAPI GetLimiterLevel() = 0;                       // 24
    virtual NTSTATUS NTAPI SetLimiterLevel(float value) = 0;         // 25
    virtual float NTAPI GetCenterLevel() = 0;                        // 26
    virtual NTSTATUS NTAPI SetCenterLevel(float value) = 0;          // 27
    virtual ULONG NTAPI GetQELMode() = 0;                            // 28
    virtual NTSTATUS NTAPI SetQELMode(ULONG value) = 0;              // 29
    virtual NTSTATUS NTAPI SaveSettings(HANDLE key) = 0;             // 30
    virtual NTSTATUS NTAPI LoadSettings(HANDLE key) = 0;             // 31
    virtual float NTAPI GetBypassGain() = 0;                         // 32
    virtual NTSTATUS NTAPI SetBypassGain(float value) = 0;           // 33

protected:
    ~VYOHDManager() = default;  // objects go through Destroy, never delete
};

class VYOHDStream {
public:
    virtual VYOHDStream* NTAPI Destroy(ULONG flags) = 0;                         // 0
    virtual VOID NTAPI Release() = 0;                                            // 1
    virtual NTSTATUS NTAPI SetFormat(const WAVEFORMATEX* format) = 0;            // 2
    virtual VOID NTAPI ProcessFloat(const float* input, ULONG frames, float* output,
                                    ULONG ignored) = 0;                          // 3
    virtual VOID NTAPI ProcessInPlace(PUCHAR buffer, ULONG byteCount) = 0;       // 4

protected:
    ~VYOHDStream() = default;
};

// Exports of vyohd_kern_i386. The three creators make identical managers
// (null when the floating-point state cannot be saved or memory is short).
extern "C" {
VYOHDManager* NTAPI CreateVYOHDManager3(VOID);
VYOHDManager* NTAPI CreateVYOHDManager2(VOID);
VYOHDManager* NTAPI CreateVYOHDManager(VOID);
NTSTATUS NTAPI DllInitialize(PUNICODE_STRING RegistryPath);
NTSTATUS NTAPI DllUnload(VOID);
}
