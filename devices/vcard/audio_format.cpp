// The audio formats the card plays: PCM, 1 to 8 channels of 8, 16, 24 or
// 32-bit samples at 8 to 192 kHz, described by a WAVEFORMATEX (or the
// WAVEFORMATEXTENSIBLE it starts) behind a KSDATAFORMAT with the
// WAVEFORMATEX or the DirectSound specifier.

#include "card.h"

namespace {

constexpr ULONG kMaximumChannels = 8;
constexpr ULONG kMinimumBits = 8;
constexpr ULONG kMaximumBits = 32;
constexpr ULONG kMinimumRate = 8000;
constexpr ULONG kMaximumRate = 192000;
constexpr USHORT kExtensibleExtraBytes = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);

constexpr KSDATARANGE_AUDIO RenderRange(const GUID& Specifier)
{
    return {{{sizeof(KSDATARANGE_AUDIO), 0, 0, 0, KSDATAFORMAT_TYPE_AUDIO, KSDATAFORMAT_SUBTYPE_PCM, Specifier}},
            kMaximumChannels,
            kMinimumBits,
            kMaximumBits,
            kMinimumRate,
            kMaximumRate};
}

// Samples are whole bytes: the card has no packed 20-bit or 12-bit modes.
BOOLEAN PlayableSampleSize(ULONG Bits)
{
    return Bits >= kMinimumBits && Bits <= kMaximumBits && Bits % 8 == 0;
}

BOOLEAN Refused(const CARD_SETTINGS* Settings, const WAVEFORMATEX* Wave)
{
    return (Settings->RefuseSampleRate != 0 && Settings->RefuseSampleRate == Wave->nSamplesPerSec) ||
           (Settings->RefuseBitsPerSample != 0 && Settings->RefuseBitsPerSample == Wave->wBitsPerSample) ||
           (Settings->RefuseChannels != 0 && Settings->RefuseChannels == Wave->nChannels);
}

// The wave format's tag: PCM, or extensible PCM with its extra bytes.
NTSTATUS CheckWaveTag(const WAVEFORMATEX* Wave, ULONG Bytes)
{
    if (Wave->wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        if (Wave->cbSize < kExtensibleExtraBytes || Bytes < sizeof(WAVEFORMATEXTENSIBLE)) {
            return STATUS_INVALID_PARAMETER;
        }
        WAVEFORMATEXTENSIBLE extensible;
        RtlCopyMemory(&extensible, Wave, sizeof(extensible));
        if (!IsEqualGUID(extensible.SubFormat, KSDATAFORMAT_SUBTYPE_PCM)) {
            return STATUS_NO_MATCH;
        }
        const WORD valid = extensible.Samples.wValidBitsPerSample;
        if (valid == 0 || valid > Wave->wBitsPerSample) {
            return STATUS_INVALID_PARAMETER;
        }
    } else if (Wave->wFormatTag != WAVE_FORMAT_PCM) {
        return STATUS_NO_MATCH;
    }
    return STATUS_SUCCESS;
}

BOOLEAN WithinRanges(const WAVEFORMATEX* Wave)
{
    return Wave->nChannels >= 1 && Wave->nChannels <= kMaximumChannels && PlayableSampleSize(Wave->wBitsPerSample) &&
           Wave->nSamplesPerSec >= kMinimumRate && Wave->nSamplesPerSec <= kMaximumRate;
}

// The block size and byte rate that the channels, sample size and rate make.
BOOLEAN Consistent(const WAVEFORMATEX* Wave)
{
    return Wave->nBlockAlign == Wave->nChannels * (Wave->wBitsPerSample / 8) &&
           Wave->nAvgBytesPerSec == Wave->nSamplesPerSec * Wave->nBlockAlign;
}

// The highest value within both bounds that Accept takes, or 0.
ULONG HighestCommon(ULONG ClientMinimum, ULONG ClientMaximum, ULONG CardMinimum, ULONG CardMaximum,
                    BOOLEAN (*Accept)(ULONG))
{
    const ULONG low = ClientMinimum > CardMinimum ? ClientMinimum : CardMinimum;
    for (ULONG value = ClientMaximum < CardMaximum ? ClientMaximum : CardMaximum; value >= low && value > 0;
         --value) {
        if (Accept == NULL || Accept(value)) {
            return value;
        }
    }
    return 0;
}

}  // namespace

const KSDATARANGE_AUDIO kCardDataRanges[2] = {
    RenderRange(KSDATAFORMAT_SPECIFIER_WAVEFORMATEX),
    RenderRange(KSDATAFORMAT_SPECIFIER_DSOUND),
};

const WAVEFORMATEX* CardWaveFormatOf(const KSDATAFORMAT* Format)
{
    if (IsEqualGUID(Format->Specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX)) {
        return reinterpret_cast<const WAVEFORMATEX*>(Format + 1);
    }
    if (IsEqualGUID(Format->Specifier, KSDATAFORMAT_SPECIFIER_DSOUND)) {
        return &reinterpret_cast<const KSDATAFORMAT_DSOUND*>(Format)->BufferDesc.WaveFormatEx;
    }
    return NULL;
}

NTSTATUS CardCheckFormat(const KSDATAFORMAT* Format, ULONG Bytes, const CARD_SETTINGS* Settings)
{
    if (Bytes < sizeof(KSDATAFORMAT) || Format->FormatSize < sizeof(KSDATAFORMAT)) {
        return STATUS_INVALID_PARAMETER;
    }
    if (Format->FormatSize > kCardMaximumFormatBytes) {
        return STATUS_NO_MATCH;  // no format of the card's ranges is this large
    }
    if (Format->FormatSize > Bytes) {
        return STATUS_INVALID_PARAMETER;
    }
    if (!IsEqualGUID(Format->MajorFormat, KSDATAFORMAT_TYPE_AUDIO) ||
        !IsEqualGUID(Format->SubFormat, KSDATAFORMAT_SUBTYPE_PCM)) {
        return STATUS_NO_MATCH;
    }
    const WAVEFORMATEX* wave = CardWaveFormatOf(Format);
    if (wave == NULL) {
        return STATUS_NO_MATCH;
    }
    const ULONG waveOffset = (ULONG)((const UCHAR*)wave - (const UCHAR*)Format);
    if (Format->FormatSize < waveOffset + sizeof(WAVEFORMATEX)) {
        return STATUS_INVALID_PARAMETER;
    }
    const NTSTATUS status = CheckWaveTag(wave, Format->FormatSize - waveOffset);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (!WithinRanges(wave)) {
        return STATUS_NO_MATCH;
    }
    if (!Consistent(wave)) {
        return STATUS_INVALID_PARAMETER;
    }
    return Refused(Settings, wave) ? STATUS_NO_MATCH : STATUS_SUCCESS;
}

// The card answers the highest channel count, sample size and rate that
// both the client's audio range and its own allow.
ULONG CardIntersectRange(const KSDATARANGE* Range, ULONG RangeBytes, const CARD_SETTINGS* Settings,
                         PKSDATAFORMAT Result)
{
    if (RangeBytes < sizeof(KSDATARANGE_AUDIO) || !IsEqualGUID(Range->MajorFormat, KSDATAFORMAT_TYPE_AUDIO) ||
        !IsEqualGUID(Range->SubFormat, KSDATAFORMAT_SUBTYPE_PCM)) {
        return 0;
    }
    const BOOLEAN dsound = IsEqualGUID(Range->Specifier, KSDATAFORMAT_SPECIFIER_DSOUND);
    if (!dsound && !IsEqualGUID(Range->Specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX)) {
        return 0;
    }
    KSDATARANGE_AUDIO audio;
    RtlCopyMemory(&audio, Range, sizeof(audio));
    const ULONG channels = HighestCommon(1, audio.MaximumChannels, 1, kMaximumChannels, NULL);
    const ULONG bits = HighestCommon(audio.MinimumBitsPerSample, audio.MaximumBitsPerSample, kMinimumBits,
                                     kMaximumBits, PlayableSampleSize);
    const ULONG rate = HighestCommon(audio.MinimumSampleFrequency, audio.MaximumSampleFrequency, kMinimumRate,
                                     kMaximumRate, NULL);
    if (channels == 0 || bits == 0 || rate == 0) {
        return 0;
    }
    const ULONG resultBytes = dsound ? sizeof(KSDATAFORMAT_DSOUND) : sizeof(KSDATAFORMAT_WAVEFORMATEX);
    RtlZeroMemory(Result, resultBytes);
    Result->FormatSize = resultBytes;
    Result->MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    Result->SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    Result->Specifier = Range->Specifier;
    WAVEFORMATEX* wave = const_cast<WAVEFORMATEX*>(CardWaveFormatOf(Result));
    wave->wFormatTag = WAVE_FORMAT_PCM;
    wave->nChannels = (WORD)channels;
    wave->nSamplesPerSec = rate;
    wave->wBitsPerSample = (WORD)bits;
    wave->nBlockAlign = (WORD)(channels * bits / 8);
    wave->nAvgBytesPerSec = rate * wave->nBlockAlign;
    Result->SampleSize = wave->nBlockAlign;
    return Refused(Settings, wave) ? 0 : resultBytes;
}
