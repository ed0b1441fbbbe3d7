#include "spardon/Lame_dll.h"

#include <lame/lame.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace Tonlyra::Spardon {

namespace {

constexpr int FrameSamples = 1152; // samples per channel in one MPEG-1 layer III frame

struct LameCloser
{
    void operator()(lame_global_flags* gf) const { lame_close(gf); }
};

struct Stream
{
    std::unique_ptr<lame_global_flags, LameCloser> Flags;
    int Channels = 2;
    std::uint32_t SamplesPerChunk = 0; // all channels
    std::uint32_t OutputSize = 0;
};

Stream* FromHandle(HBE_STREAM handle)
{
    return reinterpret_cast<Stream*>(handle);
}

MPEG_mode_e LameMode(std::int32_t mode)
{
    switch (mode) {
    case BE_MODE_JSTEREO:
        return JOINT_STEREO;
    case BE_MODE_DUALCHANNEL:
        return DUAL_CHANNEL;
    case BE_MODE_MONO:
        return MONO;
    default:
        return STEREO;
    }
}

// Output room lame documents for one call: 1.25 × samples per channel + 7200 bytes.
std::uint32_t OutputBound(int samplesPerChannel)
{
    return static_cast<std::uint32_t>(samplesPerChannel + samplesPerChannel / 4 + 7200);
}

} // namespace

void beVersion(BE_VERSION* version)
{
    if (!version)
        return;
    std::memset(version, 0, sizeof(*version));
    version->DLLMajorVersion = 1;
    version->DLLMinorVersion = 0;
    // get_lame_version() gives "3.100" or "3.100.1".
    const char* text = get_lame_version();
    char* end = nullptr;
    const long major = std::strtol(text, &end, 10);
    const long minor = (end && *end == '.') ? std::strtol(end + 1, nullptr, 10) : 0;
    version->MajorVersion = static_cast<std::uint8_t>(major);
    version->MinorVersion = static_cast<std::uint8_t>(minor);
}

BE_ERR beInitStream(const BE_CONFIG* config, std::uint32_t* samples, std::uint32_t* bufferSize,
                    HBE_STREAM* stream)
{
    if (!config || !samples || !bufferSize || !stream)
        return BE_ERR_INVALID_PARAMETERS;
    *stream = 0;
    if (config->ConfigKind != BE_CONFIG_KIND || config->StructSize < BE_CONFIG_SIZE)
        return BE_ERR_INVALID_FORMAT;
    if (config->SampleRate == 0 || config->Bitrate == 0)
        return BE_ERR_INVALID_PARAMETERS;

    auto s = std::unique_ptr<Stream>(new (std::nothrow) Stream);
    if (!s)
        return BE_ERR_NO_MORE_HANDLES;
    s->Flags.reset(lame_init());
    if (!s->Flags)
        return BE_ERR_NO_MORE_HANDLES;
    lame_global_flags* gf = s->Flags.get();

    s->Channels = config->Mode == static_cast<std::int32_t>(BE_MODE_MONO) ? 1 : 2;
    lame_set_num_channels(gf, s->Channels);
    lame_set_in_samplerate(gf, static_cast<int>(config->SampleRate));
    if (config->ReSampleRate != 0)
        lame_set_out_samplerate(gf, static_cast<int>(config->ReSampleRate));
    lame_set_mode(gf, LameMode(config->Mode));
    lame_set_brate(gf, static_cast<int>(config->Bitrate));
    lame_set_error_protection(gf, config->CRC != 0);
    lame_set_extension(gf, config->Private != 0);
    lame_set_copyright(gf, config->Copyright != 0);
    lame_set_original(gf, config->Original != 0);
    lame_set_emphasis(gf, static_cast<int>(config->Emphasis));
    // The information frame is always written: it carries the exact length and encoder delay
    // that decoders need to play the copy without added silence, also at a constant bit rate.
    lame_set_bWriteVbrTag(gf, 1);
    // Replay-gain analysis costs time and its result is not used.
    lame_set_findReplayGain(gf, 0);

    switch (config->Quality) {
    case BE_QUALITY_LOW:
        lame_set_quality(gf, 7);
        break;
    case BE_QUALITY_HIGH:
        lame_set_quality(gf, 2);
        break;
    case BE_QUALITY_VOICE:
        lame_set_quality(gf, 5);
        lame_set_lowpassfreq(gf, 12000);
        break;
    default:
        break; // the encoder's own default
    }

    if (config->EnableVBR) {
        lame_set_VBR(gf, vbr_default);
        const int q =
            config->VBRQuality < 0 ? 0 : (config->VBRQuality > 9 ? 9 : config->VBRQuality);
        lame_set_VBR_q(gf, q);
        lame_set_VBR_min_bitrate_kbps(gf, static_cast<int>(config->Bitrate));
        if (config->MaxBitrate >= config->Bitrate)
            lame_set_VBR_max_bitrate_kbps(gf, static_cast<int>(config->MaxBitrate));
    }

    if (lame_init_params(gf) < 0)
        return BE_ERR_INVALID_FORMAT;

    s->SamplesPerChunk = static_cast<std::uint32_t>(FrameSamples * s->Channels);
    s->OutputSize = OutputBound(FrameSamples);
    *samples = s->SamplesPerChunk;
    *bufferSize = s->OutputSize;
    *stream = reinterpret_cast<HBE_STREAM>(s.release());
    return BE_ERR_SUCCESSFUL;
}

BE_ERR beEncodeChunk(HBE_STREAM stream, std::uint32_t samples, const std::int16_t* pcm,
                     std::uint8_t* output, std::uint32_t* outputBytes)
{
    Stream* s = FromHandle(stream);
    if (!s || !outputBytes || !output)
        return BE_ERR_INVALID_HANDLE;
    *outputBytes = 0;
    if (samples > s->SamplesPerChunk || (samples > 0 && !pcm))
        return BE_ERR_INVALID_PARAMETERS;
    const int perChannel = static_cast<int>(samples) / s->Channels;
    if (perChannel == 0)
        return BE_ERR_SUCCESSFUL;
    // lame reads the samples without changing them; its interface is not const.
    auto* data = const_cast<short*>(pcm);
    const int written =
        s->Channels == 2 ? lame_encode_buffer_interleaved(s->Flags.get(), data, perChannel, output,
                                                          static_cast<int>(s->OutputSize))
                         : lame_encode_buffer(s->Flags.get(), data, data, perChannel, output,
                                              static_cast<int>(s->OutputSize));
    if (written < 0)
        return written == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_PARAMETERS;
    *outputBytes = static_cast<std::uint32_t>(written);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR beDeinitStream(HBE_STREAM stream, std::uint8_t* output, std::uint32_t* outputBytes)
{
    Stream* s = FromHandle(stream);
    if (!s || !output || !outputBytes)
        return BE_ERR_INVALID_HANDLE;
    const int written = lame_encode_flush(s->Flags.get(), output, static_cast<int>(s->OutputSize));
    *outputBytes = written > 0 ? static_cast<std::uint32_t>(written) : 0;
    return written < 0 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_SUCCESSFUL;
}

BE_ERR beLameTagFrame(HBE_STREAM stream, std::uint8_t* buffer, std::uint32_t* size)
{
    Stream* s = FromHandle(stream);
    if (!s || !size)
        return BE_ERR_INVALID_HANDLE;
    const std::size_t needed = lame_get_lametag_frame(s->Flags.get(), nullptr, 0);
    if (needed == 0) {
        *size = 0;
        return BE_ERR_SUCCESSFUL;
    }
    if (!buffer || needed > *size) {
        *size = static_cast<std::uint32_t>(needed);
        return BE_ERR_BUFFER_TOO_SMALL;
    }
    *size = static_cast<std::uint32_t>(lame_get_lametag_frame(s->Flags.get(), buffer, *size));
    return BE_ERR_SUCCESSFUL;
}

BE_ERR beCloseStream(HBE_STREAM stream)
{
    Stream* s = FromHandle(stream);
    if (!s)
        return BE_ERR_INVALID_HANDLE;
    delete s;
    return BE_ERR_SUCCESSFUL;
}

} // namespace Tonlyra::Spardon
