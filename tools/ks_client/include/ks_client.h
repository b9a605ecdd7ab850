// A kernel-streaming client as an application writes one against the
// platform's user-mode calls: property requests, render pins, written
// buffers. Every call answers a Win32 error code (ERROR_SUCCESS on success)
// and runs in the calling thread's current process of the machine.
#pragma once

#include <windows.h>

#include <ks.h>
#include <ksmedia.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ksclient {

// IOCTL_KS_PROPERTY with the property (and what follows it) and a value
// buffer; `returned` gets the bytes the driver reported.
DWORD Property(HANDLE object, const void* property, ULONG propertyBytes, void* value, ULONG valueBytes,
               DWORD* returned = nullptr);

// A plain KSPROPERTY of the set and id with the flags.
KSPROPERTY MakeProperty(const GUID& set, ULONG id, ULONG flags);
KSP_PIN MakePinProperty(const GUID& set, ULONG id, ULONG pinId);

template <typename T>
DWORD Get(HANDLE object, const GUID& set, ULONG id, T* value)
{
    KSPROPERTY property = MakeProperty(set, id, KSPROPERTY_TYPE_GET);
    return Property(object, &property, sizeof(property), value, sizeof(T));
}

template <typename T>
DWORD Set(HANDLE object, const GUID& set, ULONG id, const T& value)
{
    KSPROPERTY property = MakeProperty(set, id, KSPROPERTY_TYPE_SET);
    T copy = value;
    return Property(object, &property, sizeof(property), &copy, sizeof(T));
}

// A KSDATAFORMAT with the WAVEFORMATEX specifier followed by the wave
// format (and the extra bytes its cbSize counts).
std::vector<std::uint8_t> WaveDataFormat(const WAVEFORMATEX* wave);
// A PCM wave format; more than two channels or more than 16 bits make it
// WAVEFORMATEXTENSIBLE, as the platform asks.
WAVEFORMATEXTENSIBLE PcmFormat(WORD channels, DWORD sampleRate, WORD bitsPerSample);

// The interface paths of the machine's render devices, in the order the
// machine lists them.
std::vector<std::wstring> RenderDevices();
// Opens a device's filter; INVALID_HANDLE_VALUE on failure (GetLastError).
HANDLE OpenFilter(const std::wstring& interfacePath);

// Creates pin 0 of the filter with the format, for standard streaming or
// looped streaming.
DWORD CreateRenderPin(HANDLE filter, const WAVEFORMATEX* wave, bool looped, HANDLE* pin);
DWORD SetState(HANDLE pin, KSSTATE state);
DWORD SetFormat(HANDLE pin, const WAVEFORMATEX* wave);
DWORD GetPosition(HANDLE pin, KSAUDIO_POSITION* position);

// IOCTL_KS_WRITE_STREAM of one buffer (looped or not).
KSSTREAM_HEADER StreamHeader(void* data, ULONG bytes, bool looped = false);
DWORD Write(HANDLE pin, KSSTREAM_HEADER* headers, ULONG count, DWORD* written = nullptr);

// Plays interleaved PCM through the machine's first render device as a
// client plays a file: opens the filter and a pin, sets the pin's format,
// goes through acquire and pause to run, writes the data in buffers of 10
// milliseconds, stops and closes. On failure `failedStep` says which step
// failed; everything opened is closed again either way.
DWORD PlayToFirstRenderDevice(const WAVEFORMATEX* wave, const std::uint8_t* data, std::size_t bytes,
                              std::string* failedStep = nullptr);
// The same through the render device of this interface path.
DWORD PlayToRenderDevice(const std::wstring& interfacePath, const WAVEFORMATEX* wave, const std::uint8_t* data,
                         std::size_t bytes, std::string* failedStep = nullptr);

// The name of a Win32 error code, for messages ("ERROR_NO_MATCH").
std::string ErrorName(DWORD error);

}  // namespace ksclient
