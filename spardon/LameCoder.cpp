#include "spardon/LameCoder.h"

#include <cstring>

using namespace Tonlyra::Spardon;

TLameVersion::TLameVersion()
{
    BE_VERSION v;
    beVersion(&v);
    DLLMajorVersion = v.DLLMajorVersion;
    DLLMinorVersion = v.DLLMinorVersion;
    MajorVersion = v.MajorVersion;
    MinorVersion = v.MinorVersion;
}

TLameCoder::TLameCoder(QObject* owner) : QObject(owner) {}

TLameCoder::~TLameCoder()
{
    CloseEncoder();
}

void TLameCoder::SetEnableVBR(bool value)
{
    Settings.EnableVBR = value;
    Settings.WriteVBRHeader = value;
}

BE_CONFIG TLameCoder::ConfigRecord() const
{
    BE_CONFIG c;
    std::memset(&c, 0, sizeof c);
    c.ConfigKind = BE_CONFIG_KIND;
    c.StructVersion = BE_CONFIG_VERSION;
    c.StructSize = BE_CONFIG_SIZE;
    c.SampleRate = static_cast<std::uint32_t>(Settings.SampleRate);
    c.ReSampleRate = 0;
    c.Mode = static_cast<std::int32_t>(Settings.Mode);
    c.Bitrate = static_cast<std::uint32_t>(Settings.Bitrate);
    c.MaxBitrate = static_cast<std::uint32_t>(Settings.MaxBitrate);
    c.Quality = Settings.Quality;
    c.MpegVersion = 1;
    // Flags are stored as "all bits set" for true, as the record's readers expect.
    c.Private = Settings.Private ? -1 : 0;
    c.CRC = Settings.CRC ? -1 : 0;
    c.Original = Settings.Original ? -1 : 0;
    c.WriteVBRHeader = Settings.WriteVBRHeader ? -1 : 0;
    c.EnableVBR = Settings.EnableVBR ? -1 : 0;
    c.VBRQuality = Settings.VBRQuality;
    return c;
}

std::uint32_t TLameCoder::InitEncoder()
{
    CloseEncoder();
    const BE_CONFIG config = ConfigRecord();
    std::uint32_t samples = 0;
    std::uint32_t size = 0;
    HBE_STREAM stream = 0;
    const BE_ERR result = beInitStream(&config, &samples, &size, &stream);
    if (result == BE_ERR_SUCCESSFUL) {
        Stream = stream;
        ChunkSamples = samples;
        OutputSize = size;
        Output.assign(size, 0);
    }
    return result;
}

std::uint32_t TLameCoder::EncodeChunk(const std::int16_t* pcm, std::uint32_t samples)
{
    if (!Stream)
        return 0;
    std::uint32_t bytes = 0;
    if (beEncodeChunk(Stream, samples, pcm, Output.data(), &bytes) != BE_ERR_SUCCESSFUL)
        return 0;
    return bytes;
}

std::uint32_t TLameCoder::FinishEncoder()
{
    if (!Stream)
        return 0;
    std::uint32_t bytes = 0;
    if (beDeinitStream(Stream, Output.data(), &bytes) != BE_ERR_SUCCESSFUL)
        return 0;
    return bytes;
}

QByteArray TLameCoder::TagFrame()
{
    if (!Stream)
        return {};
    std::uint32_t size = 0;
    beLameTagFrame(Stream, nullptr, &size);
    if (size == 0)
        return {};
    QByteArray frame(static_cast<qsizetype>(size), '\0');
    if (beLameTagFrame(Stream, reinterpret_cast<std::uint8_t*>(frame.data()), &size) !=
        BE_ERR_SUCCESSFUL)
        return {};
    frame.truncate(static_cast<qsizetype>(size));
    return frame;
}

void TLameCoder::CloseEncoder()
{
    if (Stream)
        beCloseStream(Stream);
    Stream = 0;
}
