#pragma once

// The MP3 encoder interface of the copy library: a small C-style API (stream handles, fixed
// records) implemented over libmp3lame. Internal to libspardon; nothing here is exported.

#include <cstddef>
#include <cstdint>

namespace Tonlyra::Spardon {

using BE_ERR = std::uint32_t;
using HBE_STREAM = std::uintptr_t; // an open encoder stream; 0 is never a valid stream

constexpr BE_ERR BE_ERR_SUCCESSFUL = 0;
constexpr BE_ERR BE_ERR_INVALID_FORMAT = 1;
constexpr BE_ERR BE_ERR_INVALID_PARAMETERS = 2;
constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 3;
constexpr BE_ERR BE_ERR_INVALID_HANDLE = 4;
constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 5;

constexpr std::uint32_t BE_CONFIG_KIND = 256;  // configuration kind understood here
constexpr std::uint32_t BE_CONFIG_VERSION = 1; // structure version
constexpr std::uint32_t BE_CONFIG_SIZE = 331;  // structure size in bytes

// Channel modes (the coder's `TLameMode`).
constexpr std::uint32_t BE_MODE_STEREO = 0;
constexpr std::uint32_t BE_MODE_JSTEREO = 1;
constexpr std::uint32_t BE_MODE_DUALCHANNEL = 2;
constexpr std::uint32_t BE_MODE_MONO = 3;

// Quality presets (the coder's `MPEG_QUALITY`).
constexpr std::uint32_t BE_QUALITY_NORMAL = 0;
constexpr std::uint32_t BE_QUALITY_LOW = 1;
constexpr std::uint32_t BE_QUALITY_HIGH = 2;
constexpr std::uint32_t BE_QUALITY_VOICE = 3;

#pragma pack(push, 1)
// The configuration handed to beInitStream: 331 bytes of little-endian 32-bit values; every
// byte not named here is zero.
struct BE_CONFIG
{
    std::uint32_t ConfigKind;    // 0: BE_CONFIG_KIND
    std::uint32_t StructVersion; // 4: BE_CONFIG_VERSION
    std::uint32_t StructSize;    // 8: BE_CONFIG_SIZE
    std::uint32_t SampleRate;    // 12: input sample rate in Hz
    std::uint32_t ReSampleRate;  // 16: 0 = no resampling
    std::int32_t Mode;           // 20: BE_MODE_*
    std::uint32_t Bitrate;       // 24: kbit/s (minimum for variable bit rate)
    std::uint32_t MaxBitrate;    // 28: kbit/s, variable bit rate only
    std::int32_t Quality;        // 32: BE_QUALITY_*
    std::uint32_t MpegVersion;   // 36: 1 = MPEG-1
    std::uint32_t PsyModel;      // 40
    std::uint32_t Emphasis;      // 44
    std::int32_t Private;        // 48: non-zero sets the private bit
    std::int32_t CRC;            // 52: non-zero adds CRC protection
    std::int32_t Copyright;      // 56
    std::int32_t Original;       // 60: non-zero sets the original bit
    std::int32_t WriteVBRHeader; // 64
    std::int32_t EnableVBR;      // 68
    std::int32_t VBRQuality;     // 72: 0 (best) .. 9
    std::uint8_t Reserved[255];  // 76..330: zero
};

// Filled by beVersion. Only the first four bytes carry meaning.
struct BE_VERSION
{
    std::uint8_t DLLMajorVersion; // this encoder layer
    std::uint8_t DLLMinorVersion;
    std::uint8_t MajorVersion; // the MP3 encoder underneath
    std::uint8_t MinorVersion;
    std::uint8_t Reserved[124];
};
#pragma pack(pop)

static_assert(sizeof(BE_CONFIG) == 331);
static_assert(offsetof(BE_CONFIG, SampleRate) == 12);
static_assert(offsetof(BE_CONFIG, Mode) == 20);
static_assert(offsetof(BE_CONFIG, Bitrate) == 24);
static_assert(offsetof(BE_CONFIG, MaxBitrate) == 28);
static_assert(offsetof(BE_CONFIG, Quality) == 32);
static_assert(offsetof(BE_CONFIG, MpegVersion) == 36);
static_assert(offsetof(BE_CONFIG, Private) == 48);
static_assert(offsetof(BE_CONFIG, CRC) == 52);
static_assert(offsetof(BE_CONFIG, Copyright) == 56);
static_assert(offsetof(BE_CONFIG, Original) == 60);
static_assert(offsetof(BE_CONFIG, WriteVBRHeader) == 64);
static_assert(offsetof(BE_CONFIG, EnableVBR) == 68);
static_assert(offsetof(BE_CONFIG, VBRQuality) == 72);
static_assert(sizeof(BE_VERSION) == 128);

void beVersion(BE_VERSION* version);

// Opens a stream. On success *samples is the number of 16-bit samples (all channels, interleaved)
// one beEncodeChunk call takes, *bufferSize the output buffer size in bytes it needs.
BE_ERR beInitStream(const BE_CONFIG* config, std::uint32_t* samples, std::uint32_t* bufferSize,
                    HBE_STREAM* stream);

// Encodes up to the stream's samples-per-chunk count of interleaved 16-bit samples; fewer are
// accepted (the end of a copy). output must hold the buffer size beInitStream reported.
BE_ERR beEncodeChunk(HBE_STREAM stream, std::uint32_t samples, const std::int16_t* pcm,
                     std::uint8_t* output, std::uint32_t* outputBytes);

// Flushes the encoder: the last frames of the stream.
BE_ERR beDeinitStream(HBE_STREAM stream, std::uint8_t* output, std::uint32_t* outputBytes);

// The information frame that belongs in place of the stream's first frame once the stream is
// flushed (it tells decoders the exact length and the encoder delay, so that no silence is
// added). *size holds the room on entry and the frame's size on return; 0 when there is none.
BE_ERR beLameTagFrame(HBE_STREAM stream, std::uint8_t* buffer, std::uint32_t* size);

BE_ERR beCloseStream(HBE_STREAM stream);

} // namespace Tonlyra::Spardon
