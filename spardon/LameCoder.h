#pragma once

// The MP3 settings of a copy and the chunk-by-chunk drive of the encoder.

#include "spardon/Lame_dll.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

enum MPEG_QUALITY : std::int32_t
{
    NORMAL_QUALITY = 0,
    LOW_QUALITY = 1,
    HIGH_QUALITY = 2,
    VOICE_QUALITY = 3,
};

enum class TLameMode : std::int32_t
{
    STEREO = 0,
    JSTEREO = 1,
    DUALCHANNEL = 2,
    MONO = 3,
};

// The encoder's version, read once when the coder is created.
class TLameVersion
{
public:
    TLameVersion();
    std::uint8_t DLLMajorVersion = 0;
    std::uint8_t DLLMinorVersion = 0;
    std::uint8_t MajorVersion = 0;
    std::uint8_t MinorVersion = 0;
};

class TLameCoder : public QObject
{
    Q_OBJECT
public:
    explicit TLameCoder(QObject* owner = nullptr);
    ~TLameCoder() override;

    std::int32_t SampleRate() const { return Settings.SampleRate; }
    void SetSampleRate(std::int32_t value) { Settings.SampleRate = value; }
    std::int32_t Bitrate() const { return Settings.Bitrate; }
    void SetBitrate(std::int32_t value) { Settings.Bitrate = value; }
    std::int32_t MaxBitrate() const { return Settings.MaxBitrate; }
    void SetMaxBitrate(std::int32_t value) { Settings.MaxBitrate = value; }
    MPEG_QUALITY Quality() const { return Settings.Quality; }
    void SetQuality(MPEG_QUALITY value) { Settings.Quality = value; }
    bool Private() const { return Settings.Private; }
    void SetPrivate(bool value) { Settings.Private = value; }
    bool CRC() const { return Settings.CRC; }
    void SetCRC(bool value) { Settings.CRC = value; }
    TLameMode Mode() const { return Settings.Mode; }
    void SetMode(TLameMode value) { Settings.Mode = value; }
    bool Original() const { return Settings.Original; }
    void SetOriginal(bool value) { Settings.Original = value; }
    bool WriteVBRHeader() const { return Settings.WriteVBRHeader; }
    void SetWriteVBRHeader(bool value) { Settings.WriteVBRHeader = value; }
    bool EnableVBR() const { return Settings.EnableVBR; }
    // Also sets WriteVBRHeader to the same value.
    void SetEnableVBR(bool value);
    std::int32_t VBRQuality() const { return Settings.VBRQuality; }
    void SetVBRQuality(std::int32_t value) { Settings.VBRQuality = value; }
    QString DefaultExt() const { return Settings.DefaultExt; }
    void SetDefaultExt(const QString& value) { Settings.DefaultExt = value; }
    const TLameVersion& LameVersion() const { return Version; }

    // Copies every setting of another coder.
    void Assign(const TLameCoder& other) { Settings = other.Settings; }

    // The configuration record the settings give.
    Tonlyra::Spardon::BE_CONFIG ConfigRecord() const;

    // Opens an encoder stream with the current settings; the encoder's result (0 = success).
    std::uint32_t InitEncoder();
    // Encodes `samples` 16-bit samples (at most SamplesPerChunk) into OutputBuffer(); the number
    // of bytes produced.
    std::uint32_t EncodeChunk(const std::int16_t* pcm, std::uint32_t samples);
    // Flushes the stream into OutputBuffer(); the number of bytes produced.
    std::uint32_t FinishEncoder();
    // The frame to write over the first frame of the file after FinishEncoder (empty if none).
    QByteArray TagFrame();
    void CloseEncoder();

    bool IsOpen() const { return Stream != 0; }
    std::uint32_t SamplesPerChunk() const { return ChunkSamples; }
    std::uint32_t OutputBufferSize() const { return OutputSize; }
    const std::uint8_t* OutputBuffer() const { return Output.data(); }

private:
    struct CoderSettings
    {
        std::int32_t SampleRate = 44100;
        std::int32_t Bitrate = 128;
        std::int32_t MaxBitrate = 320;
        MPEG_QUALITY Quality = NORMAL_QUALITY;
        bool Private = false;
        bool CRC = true;
        TLameMode Mode = TLameMode::STEREO;
        bool Original = false;
        bool WriteVBRHeader = false;
        bool EnableVBR = false;
        std::int32_t VBRQuality = 4;
        QString DefaultExt = QStringLiteral(".mp3");
    };
    CoderSettings Settings;
    TLameVersion Version;
    Tonlyra::Spardon::HBE_STREAM Stream = 0;
    std::uint32_t ChunkSamples = 0;
    std::uint32_t OutputSize = 0;
    std::vector<std::uint8_t> Output;
};
