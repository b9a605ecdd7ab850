#include "ks_client.h"

#include <algorithm>
#include <cstring>

#include "sim/machine.h"

namespace ksclient {

DWORD Property(HANDLE object, const void* property, ULONG propertyBytes, void* value, ULONG valueBytes,
               DWORD* returned)
{
    DWORD bytes = 0;
    const BOOL ok = DeviceIoControl(object, IOCTL_KS_PROPERTY, const_cast<void*>(property), propertyBytes, value,
                                    valueBytes, &bytes, nullptr);
    if (returned != nullptr) {
        *returned = bytes;
    }
    return ok ? ERROR_SUCCESS : GetLastError();
}

KSPROPERTY MakeProperty(const GUID& set, ULONG id, ULONG flags)
{
    KSPROPERTY property{};
    property.Set = set;
    property.Id = id;
    property.Flags = flags;
    return property;
}

KSP_PIN MakePinProperty(const GUID& set, ULONG id, ULONG pinId)
{
    KSP_PIN property{};
    property.Property = MakeProperty(set, id, KSPROPERTY_TYPE_GET);
    property.PinId = pinId;
    return property;
}

std::vector<std::uint8_t> WaveDataFormat(const WAVEFORMATEX* wave)
{
    const std::size_t waveBytes = sizeof(WAVEFORMATEX) + (wave->wFormatTag == WAVE_FORMAT_PCM ? 0 : wave->cbSize);
    const std::size_t total = (sizeof(KSDATAFORMAT) + waveBytes + 7) & ~std::size_t{7};
    std::vector<std::uint8_t> bytes(total, 0);
    KSDATAFORMAT format{};
    format.FormatSize = static_cast<ULONG>(total);
    format.SampleSize = wave->nBlockAlign;
    format.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    format.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    format.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
    std::memcpy(bytes.data(), &format, sizeof(format));
    std::memcpy(bytes.data() + sizeof(format), wave, waveBytes);
    return bytes;
}

WAVEFORMATEXTENSIBLE PcmFormat(WORD channels, DWORD sampleRate, WORD bitsPerSample)
{
    WAVEFORMATEXTENSIBLE format{};
    format.Format.wFormatTag = WAVE_FORMAT_PCM;
    format.Format.nChannels = channels;
    format.Format.nSamplesPerSec = sampleRate;
    format.Format.wBitsPerSample = bitsPerSample;
    format.Format.nBlockAlign = static_cast<WORD>(channels * bitsPerSample / 8);
    format.Format.nAvgBytesPerSec = sampleRate * format.Format.nBlockAlign;
    if (channels > 2 || bitsPerSample > 16) {
        format.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
        format.Format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
        format.Samples.wValidBitsPerSample = bitsPerSample;
        format.dwChannelMask = channels == 2 ? (SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT) : 0;
        format.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    }
    return format;
}

std::vector<std::wstring> RenderDevices()
{
    return sim::machine::InterfacePaths(KSCATEGORY_RENDER);
}

HANDLE OpenFilter(const std::wstring& interfacePath)
{
    return CreateFileW(interfacePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

DWORD CreateRenderPin(HANDLE filter, const WAVEFORMATEX* wave, bool looped, HANDLE* pin)
{
    const std::vector<std::uint8_t> format = WaveDataFormat(wave);
    std::vector<std::uint8_t> request(sizeof(KSPIN_CONNECT) + format.size(), 0);
    KSPIN_CONNECT connect{};
    connect.Interface.Set = KSINTERFACESETID_Standard;
    connect.Interface.Id = looped ? KSINTERFACE_STANDARD_LOOPED_STREAMING : KSINTERFACE_STANDARD_STREAMING;
    connect.Medium.Set = KSMEDIUMSETID_Standard;
    connect.Medium.Id = KSMEDIUM_TYPE_ANYINSTANCE;
    connect.PinId = 0;
    connect.Priority.PriorityClass = KSPRIORITY_NORMAL;
    connect.Priority.PrioritySubClass = 1;
    std::memcpy(request.data(), &connect, sizeof(connect));
    std::memcpy(request.data() + sizeof(connect), format.data(), format.size());
    return KsCreatePin(filter, reinterpret_cast<PKSPIN_CONNECT>(request.data()), GENERIC_WRITE, pin);
}

DWORD SetState(HANDLE pin, KSSTATE state)
{
    return Set(pin, KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE, state);
}

DWORD SetFormat(HANDLE pin, const WAVEFORMATEX* wave)
{
    std::vector<std::uint8_t> format = WaveDataFormat(wave);
    KSPROPERTY property = MakeProperty(KSPROPSETID_Connection, KSPROPERTY_CONNECTION_DATAFORMAT, KSPROPERTY_TYPE_SET);
    return Property(pin, &property, sizeof(property), format.data(), static_cast<ULONG>(format.size()));
}

DWORD GetPosition(HANDLE pin, KSAUDIO_POSITION* position)
{
    return Get(pin, KSPROPSETID_Audio, KSPROPERTY_AUDIO_POSITION, position);
}

KSSTREAM_HEADER StreamHeader(void* data, ULONG bytes, bool looped)
{
    KSSTREAM_HEADER header{};
    header.Size = sizeof(KSSTREAM_HEADER);
    header.FrameExtent = bytes;
    header.DataUsed = bytes;
    header.Data = data;
    header.OptionsFlags = looped ? KSSTREAM_HEADER_OPTIONSF_LOOPEDDATA : 0;
    return header;
}

DWORD Write(HANDLE pin, KSSTREAM_HEADER* headers, ULONG count, DWORD* written)
{
    DWORD bytes = 0;
    const BOOL ok = DeviceIoControl(pin, IOCTL_KS_WRITE_STREAM, nullptr, 0, headers,
                                    count * static_cast<DWORD>(sizeof(KSSTREAM_HEADER)), &bytes, nullptr);
    if (written != nullptr) {
        *written = bytes;
    }
    return ok ? ERROR_SUCCESS : GetLastError();
}

namespace {

// Closes what a playback opened, in reverse order, however far it got.
class Playback {
public:
    ~Playback()
    {
        if (m_pin != nullptr) {
            CloseHandle(m_pin);
        }
        if (m_filter != INVALID_HANDLE_VALUE) {
            CloseHandle(m_filter);
        }
    }

    DWORD Play(const std::wstring& device, const WAVEFORMATEX* wave, const std::uint8_t* data, std::size_t bytes,
               std::string* step)
    {
        *step = "open the filter";
        m_filter = OpenFilter(device);
        if (m_filter == INVALID_HANDLE_VALUE) {
            return GetLastError();
        }
        *step = "create the pin";
        DWORD error = CreateRenderPin(m_filter, wave, false, &m_pin);
        if (error != ERROR_SUCCESS) {
            m_pin = nullptr;
            return error;
        }
        *step = "set the format";
        if ((error = SetFormat(m_pin, wave)) != ERROR_SUCCESS) {
            return error;
        }
        for (KSSTATE state : {KSSTATE_ACQUIRE, KSSTATE_PAUSE, KSSTATE_RUN}) {
            *step = "set the state " + std::to_string(state);
            if ((error = SetState(m_pin, state)) != ERROR_SUCCESS) {
                return error;
            }
        }
        *step = "write the buffers";
        if ((error = WriteInTenMillisecondBuffers(wave, data, bytes)) != ERROR_SUCCESS) {
            return error;
        }
        *step = "stop";
        return SetState(m_pin, KSSTATE_STOP);
    }

private:
    DWORD WriteInTenMillisecondBuffers(const WAVEFORMATEX* wave, const std::uint8_t* data, std::size_t bytes)
    {
        const std::size_t frames = std::max<std::size_t>(wave->nSamplesPerSec / 100, 1);
        const std::size_t bufferBytes = frames * wave->nBlockAlign;
        std::vector<std::uint8_t> buffer(bufferBytes);
        for (std::size_t offset = 0; offset < bytes; offset += bufferBytes) {
            const std::size_t chunk = std::min(bufferBytes, bytes - offset);
            std::memcpy(buffer.data(), data + offset, chunk);
            KSSTREAM_HEADER header = StreamHeader(buffer.data(), static_cast<ULONG>(chunk));
            const DWORD error = Write(m_pin, &header, 1);
            if (error != ERROR_SUCCESS) {
                return error;
            }
        }
        return ERROR_SUCCESS;
    }

    HANDLE m_filter = INVALID_HANDLE_VALUE;
    HANDLE m_pin = nullptr;
};

}  // namespace

DWORD PlayToRenderDevice(const std::wstring& interfacePath, const WAVEFORMATEX* wave, const std::uint8_t* data,
                         std::size_t bytes, std::string* failedStep)
{
    std::string step;
    const DWORD error = Playback().Play(interfacePath, wave, data, bytes, &step);
    if (failedStep != nullptr) {
        *failedStep = error == ERROR_SUCCESS ? std::string() : step;
    }
    return error;
}

DWORD PlayToFirstRenderDevice(const WAVEFORMATEX* wave, const std::uint8_t* data, std::size_t bytes,
                              std::string* failedStep)
{
    const auto devices = RenderDevices();
    if (devices.empty()) {
        if (failedStep != nullptr) {
            *failedStep = "find a render device";
        }
        return ERROR_DEV_NOT_EXIST;
    }
    return PlayToRenderDevice(devices[0], wave, data, bytes, failedStep);
}

std::string ErrorName(DWORD error)
{
    struct Entry {
        DWORD error;
        const char* name;
    };
#define ERROR_ENTRY(e) {e, #e}
    static constexpr Entry kNames[] = {
        ERROR_ENTRY(ERROR_SUCCESS),         ERROR_ENTRY(ERROR_INVALID_FUNCTION),
        ERROR_ENTRY(ERROR_FILE_NOT_FOUND),  ERROR_ENTRY(ERROR_PATH_NOT_FOUND),
        ERROR_ENTRY(ERROR_ACCESS_DENIED),   ERROR_ENTRY(ERROR_INVALID_HANDLE),
        ERROR_ENTRY(ERROR_NOT_READY),       ERROR_ENTRY(ERROR_BAD_COMMAND),
        ERROR_ENTRY(ERROR_GEN_FAILURE),     ERROR_ENTRY(ERROR_NOT_SUPPORTED),
        ERROR_ENTRY(ERROR_INVALID_PARAMETER), ERROR_ENTRY(ERROR_INSUFFICIENT_BUFFER),
        ERROR_ENTRY(ERROR_BUSY),            ERROR_ENTRY(ERROR_MORE_DATA),
        ERROR_ENTRY(ERROR_NOACCESS),        ERROR_ENTRY(ERROR_NOT_FOUND),
        ERROR_ENTRY(ERROR_NO_MATCH),        ERROR_ENTRY(ERROR_SET_NOT_FOUND),
        ERROR_ENTRY(ERROR_NO_SYSTEM_RESOURCES), ERROR_ENTRY(ERROR_INVALID_USER_BUFFER),
        ERROR_ENTRY(ERROR_DEV_NOT_EXIST),   ERROR_ENTRY(ERROR_IO_PENDING),
    };
#undef ERROR_ENTRY
    for (const Entry& entry : kNames) {
        if (entry.error == error) {
            return entry.name;
        }
    }
    return "error " + std::to_string(error);
}

}  // namespace ksclient
