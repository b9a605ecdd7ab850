// The card's recordings as WAV files: a RIFF header with the pin's format
// ("fmt " of 16 bytes for PCM, 40 for the extensible format) and one "data"
// chunk, whose sizes are written when the recording ends.

#include <cstring>
#include <fstream>
#include <limits>
#include <mutex>
#include <new>
#include <string>

#include "sim/text.h"
#include "vcard_recordings.h"
#include "vcard_sink.h"

namespace {

constexpr std::uint16_t kExtensibleExtraBytes = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
constexpr std::uint32_t kPcmFormatChunkBytes = 16;
// The RIFF sizes are 32-bit: the data may fill what the headers leave.
constexpr std::uint64_t kLargestRiff = std::numeric_limits<std::uint32_t>::max();

struct FinishedList {
    std::mutex lock;
    std::vector<vcard::Recording> recordings;
};

FinishedList& Finished()
{
    static FinishedList* list = new FinishedList;
    return *list;
}

void Put32(std::ofstream& out, std::uint32_t value)
{
    const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    out.write(reinterpret_cast<const char*>(bytes), 4);
}

class WavRecording {
public:
    WavRecording(const std::filesystem::path& path, const WAVEFORMATEX* format) : m_partial(path)
    {
        m_partial += ".partial";
        m_info.path = path;
        const std::size_t extra =
            format->wFormatTag == WAVE_FORMAT_EXTENSIBLE ? std::min<std::uint16_t>(format->cbSize, kExtensibleExtraBytes) : 0;
        m_info.format.resize(sizeof(WAVEFORMATEX) + extra);
        std::memcpy(m_info.format.data(), format, m_info.format.size());
        m_formatChunkBytes = format->wFormatTag == WAVE_FORMAT_EXTENSIBLE ? sizeof(WAVEFORMATEXTENSIBLE)
                                                                          : kPcmFormatChunkBytes;
        Begin();
    }

    void Write(const void* data, std::uint32_t bytes)
    {
        if (!m_info.error.empty()) {
            m_info.dataBytes += bytes;  // counted, so the report says how much was lost
            return;
        }
        if (HeaderBytes() + m_info.dataBytes + bytes + 1 > kLargestRiff) {
            Fail("the recording grew beyond what a WAV file holds");
            m_info.dataBytes += bytes;
            return;
        }
        m_out.write(static_cast<const char*>(data), bytes);
        m_info.dataBytes += bytes;
        if (!m_out) {
            Fail("cannot write " + m_partial.string());
        }
    }

    vcard::Recording End()
    {
        if (m_info.error.empty()) {
            Finish();
        }
        if (!m_info.error.empty()) {
            std::error_code ignored;
            std::filesystem::remove(m_partial, ignored);
        }
        return m_info;
    }

private:
    std::uint64_t HeaderBytes() const { return 12 + 8 + m_formatChunkBytes + 8; }

    void Fail(const std::string& why)
    {
        if (m_info.error.empty()) {
            m_info.error = why;
        }
        m_out.close();
    }

    void Begin()
    {
        std::error_code error;
        std::filesystem::create_directories(m_info.path.parent_path(), error);
        m_out.open(m_partial, std::ios::binary | std::ios::trunc);
        if (!m_out) {
            Fail("cannot create " + m_partial.string());
            return;
        }
        m_out.write("RIFF", 4);
        Put32(m_out, 0);
        m_out.write("WAVEfmt ", 8);
        Put32(m_out, m_formatChunkBytes);
        m_out.write(reinterpret_cast<const char*>(m_info.format.data()), m_formatChunkBytes);
        m_out.write("data", 4);
        Put32(m_out, 0);
    }

    void Finish()
    {
        const bool odd = (m_info.dataBytes & 1) != 0;
        if (odd) {
            m_out.put('\0');  // chunks are padded to an even size
        }
        const std::uint64_t riff = HeaderBytes() - 8 + m_info.dataBytes + (odd ? 1 : 0);
        m_out.seekp(4);
        Put32(m_out, static_cast<std::uint32_t>(riff));
        m_out.seekp(static_cast<std::streamoff>(HeaderBytes() - 4));
        Put32(m_out, static_cast<std::uint32_t>(m_info.dataBytes));
        m_out.flush();
        m_out.close();
        if (!m_out) {
            Fail("cannot finish " + m_partial.string());
            return;
        }
        std::error_code error;
        std::filesystem::rename(m_partial, m_info.path, error);
        if (error) {
            Fail("cannot rename " + m_partial.string() + ": " + error.message());
        }
    }

    std::filesystem::path m_partial;
    std::ofstream m_out;
    std::uint32_t m_formatChunkBytes = kPcmFormatChunkBytes;
    vcard::Recording m_info;
};


}  // namespace

namespace vcard {

std::vector<Recording> FinishedRecordings()
{
    std::lock_guard<std::mutex> guard(Finished().lock);
    return Finished().recordings;
}

void ForgetFinishedRecordings()
{
    std::lock_guard<std::mutex> guard(Finished().lock);
    Finished().recordings.clear();
}

std::filesystem::path RecordingPath(const std::filesystem::path& folder, unsigned pin, unsigned recording)
{
    std::string name = "pin" + std::to_string(pin);
    if (recording > 1) {
        name += "-" + std::to_string(recording);
    }
    return folder / (name + ".wav");
}

}  // namespace vcard

// The card's kernel-dialect code calls these; nothing may leave them as an
// exception.
NT_EXTERN_C NTSTATUS NTAPI VCardSinkOpen(PCUNICODE_STRING Folder, ULONG PinSerial, ULONG Recording,
                                         const WAVEFORMATEX* Format, PVOID* Sink)
{
    *Sink = nullptr;
    try {
        const std::filesystem::path folder = sim::Utf8FromWide(std::wstring(Folder->Buffer, Folder->Length / sizeof(WCHAR)));
        *Sink = new WavRecording(vcard::RecordingPath(folder, PinSerial, Recording), Format);
        return STATUS_SUCCESS;
    } catch (...) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
}

NT_EXTERN_C VOID NTAPI VCardSinkWrite(PVOID Sink, const VOID* Data, ULONG Bytes)
{
    try {
        static_cast<WavRecording*>(Sink)->Write(Data, Bytes);
    } catch (...) {
    }
}

NT_EXTERN_C VOID NTAPI VCardSinkClose(PVOID Sink)
{
    auto* recording = static_cast<WavRecording*>(Sink);
    try {
        vcard::Recording finished = recording->End();
        std::lock_guard<std::mutex> guard(Finished().lock);
        Finished().recordings.push_back(std::move(finished));
    } catch (...) {
    }
    delete recording;
}
