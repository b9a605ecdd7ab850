// Stand-in for the platform's kernel-streaming media header: the audio data
// formats and ranges, the audio property set with positions and speaker
// geometry, and the DRM audio stream property set, with their published
// layouts and GUID bytes.
#pragma once

#include <ks.h>
#include <mmreg.h>

// ---------------------------------------------------------------------------
// Audio formats

// {73647561-0000-0010-8000-00AA00389B71} ('auds')
DEFINE_GUID(KSDATAFORMAT_TYPE_AUDIO, 0x73647561L, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71);
// {00000001-0000-0010-8000-00AA00389B71}, the format tag WAVE_FORMAT_PCM in a GUID
DEFINE_GUID(KSDATAFORMAT_SUBTYPE_PCM, 0x00000001L, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71);
// {00000003-0000-0010-8000-00AA00389B71}, WAVE_FORMAT_IEEE_FLOAT
DEFINE_GUID(KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, 0x00000003L, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B,
            0x71);
// {05589F81-C356-11CE-BF01-00AA0055595A}: a WAVEFORMATEX follows the KSDATAFORMAT
DEFINE_GUID(KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 0x05589F81L, 0xC356, 0x11CE, 0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59,
            0x5A);
// {518590A2-A184-11D0-8522-00C04FD9BAF3}: a KSDSOUND_BUFFERDESC follows the KSDATAFORMAT
DEFINE_GUID(KSDATAFORMAT_SPECIFIER_DSOUND, 0x518590A2L, 0xA184, 0x11D0, 0x85, 0x22, 0x00, 0xC0, 0x4F, 0xD9, 0xBA, 0xF3);

typedef struct {
    KSDATAFORMAT DataFormat;
    WAVEFORMATEX WaveFormatEx;
} KSDATAFORMAT_WAVEFORMATEX, *PKSDATAFORMAT_WAVEFORMATEX;

// The buffer description of a DirectSound stream.
typedef struct {
    ULONG Flags;
    ULONG Control;
    WAVEFORMATEX WaveFormatEx;
} KSDSOUND_BUFFERDESC, *PKSDSOUND_BUFFERDESC;

typedef struct {
    KSDATAFORMAT DataFormat;
    KSDSOUND_BUFFERDESC BufferDesc;
} KSDATAFORMAT_DSOUND, *PKSDATAFORMAT_DSOUND;

#define KSDSOUND_BUFFER_PRIMARY     0x00000001
#define KSDSOUND_BUFFER_STATIC      0x00000002
#define KSDSOUND_BUFFER_LOCHARDWARE 0x00000004
#define KSDSOUND_BUFFER_LOCSOFTWARE 0x00000008

// The audio formats a pin accepts: every channel count up to the maximum,
// the sample sizes and rates within the bounds.
typedef struct {
    KSDATARANGE DataRange;
    ULONG MaximumChannels;
    ULONG MinimumBitsPerSample;
    ULONG MaximumBitsPerSample;
    ULONG MinimumSampleFrequency;
    ULONG MaximumSampleFrequency;
} KSDATARANGE_AUDIO, *PKSDATARANGE_AUDIO;

// ---------------------------------------------------------------------------
// Audio categories and properties

// {6994AD04-93EF-11D0-A3CC-00A0C9223196}
DEFINE_GUID(KSCATEGORY_AUDIO, 0x6994AD04L, 0x93EF, 0x11D0, 0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96);

// {45FFAAA0-6E1B-11D0-BCF2-444553540000}
DEFINE_GUID(KSPROPSETID_Audio, 0x45FFAAA0L, 0x6E1B, 0x11D0, 0xBC, 0xF2, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);

typedef enum {
    KSPROPERTY_AUDIO_LATENCY = 1,
    KSPROPERTY_AUDIO_COPY_PROTECTION,
    KSPROPERTY_AUDIO_CHANNEL_CONFIG,
    KSPROPERTY_AUDIO_VOLUMELEVEL,
    KSPROPERTY_AUDIO_POSITION,
    KSPROPERTY_AUDIO_DYNAMIC_RANGE,
    KSPROPERTY_AUDIO_QUALITY,
    KSPROPERTY_AUDIO_SAMPLING_RATE,
    KSPROPERTY_AUDIO_DYNAMIC_SAMPLING_RATE,
    KSPROPERTY_AUDIO_MIX_LEVEL_TABLE,
    KSPROPERTY_AUDIO_MIX_LEVEL_CAPS,
    KSPROPERTY_AUDIO_MUX_SOURCE,
    KSPROPERTY_AUDIO_MUTE,
    KSPROPERTY_AUDIO_BASS,
    KSPROPERTY_AUDIO_MID,
    KSPROPERTY_AUDIO_TREBLE,
    KSPROPERTY_AUDIO_BASS_BOOST,
    KSPROPERTY_AUDIO_EQ_LEVEL,
    KSPROPERTY_AUDIO_NUM_EQ_BANDS,
    KSPROPERTY_AUDIO_EQ_BANDS,
    KSPROPERTY_AUDIO_AGC,
    KSPROPERTY_AUDIO_DELAY,
    KSPROPERTY_AUDIO_LOUDNESS,
    KSPROPERTY_AUDIO_WIDE_MODE,
    KSPROPERTY_AUDIO_WIDENESS,
    KSPROPERTY_AUDIO_REVERB_LEVEL,
    KSPROPERTY_AUDIO_CHORUS_LEVEL,
    KSPROPERTY_AUDIO_DEV_SPECIFIC,
    KSPROPERTY_AUDIO_DEMUX_DEST,
    KSPROPERTY_AUDIO_STEREO_ENHANCE,
    KSPROPERTY_AUDIO_MANUFACTURE_GUID,
    KSPROPERTY_AUDIO_PRODUCT_GUID,
    KSPROPERTY_AUDIO_CPU_RESOURCES,
    KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY,
} KSPROPERTY_AUDIO;

// Byte offsets of a stream: into the client's buffer for a looped stream,
// from the start of the stream otherwise.
typedef struct {
    ULONGLONG PlayOffset;
    ULONGLONG WriteOffset;
} KSAUDIO_POSITION, *PKSAUDIO_POSITION;

// Values of KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY (a LONG): headphones,
// or the angle between the speakers in degrees.
#define KSAUDIO_STEREO_SPEAKER_GEOMETRY_HEADPHONE (-1)
#define KSAUDIO_STEREO_SPEAKER_GEOMETRY_MIN       5
#define KSAUDIO_STEREO_SPEAKER_GEOMETRY_NARROW    10
#define KSAUDIO_STEREO_SPEAKER_GEOMETRY_WIDE      20
#define KSAUDIO_STEREO_SPEAKER_GEOMETRY_MAX       180

// ---------------------------------------------------------------------------
// DRM content of an audio stream (the structures are in drmk.h)

// {2F2C8DDD-4198-4FAC-BA29-61BB05B7DE06}
DEFINE_GUID(KSPROPSETID_DrmAudioStream, 0x2F2C8DDDL, 0x4198, 0x4FAC, 0xBA, 0x29, 0x61, 0xBB, 0x05, 0xB7, 0xDE, 0x06);

typedef enum {
    KSPROPERTY_DRMAUDIOSTREAM_CONTENTID,
} KSPROPERTY_DRMAUDIOSTREAM;

// ---------------------------------------------------------------------------
// Layouts: these carry no pointers, so they are the same on every platform.
// The 8-byte alignment of KSDATAFORMAT pads each to a multiple of 8.

static_assert(sizeof(KSDATAFORMAT_WAVEFORMATEX) == 88 && FIELD_OFFSET(KSDATAFORMAT_WAVEFORMATEX, WaveFormatEx) == 64,
              "KSDATAFORMAT_WAVEFORMATEX: the wave format at byte 64");
static_assert(sizeof(KSDSOUND_BUFFERDESC) == 28 && FIELD_OFFSET(KSDSOUND_BUFFERDESC, WaveFormatEx) == 8,
              "KSDSOUND_BUFFERDESC: Flags, Control, then the wave format");
static_assert(sizeof(KSDATAFORMAT_DSOUND) == 96 &&
                  FIELD_OFFSET(KSDATAFORMAT_DSOUND, BufferDesc) + FIELD_OFFSET(KSDSOUND_BUFFERDESC, WaveFormatEx) == 72,
              "KSDATAFORMAT_DSOUND: the wave format at byte 72");
static_assert(sizeof(KSDATARANGE_AUDIO) == 88 && FIELD_OFFSET(KSDATARANGE_AUDIO, MaximumChannels) == 64 &&
                  FIELD_OFFSET(KSDATARANGE_AUDIO, MaximumSampleFrequency) == 80,
              "KSDATARANGE_AUDIO is 88 bytes");
static_assert(sizeof(KSAUDIO_POSITION) == 16, "KSAUDIO_POSITION is 16 bytes");
static_assert(KSPROPERTY_AUDIO_POSITION == 5 && KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY == 34,
              "audio property ids as published");
