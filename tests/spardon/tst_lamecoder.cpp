#include "spardon/LameCoder.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(const TLameCoder& coder)
{
    const Tonlyra::Spardon::BE_CONFIG record = coder.ConfigRecord();
    std::vector<std::uint8_t> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

// Checks the 32-bit values at the given offsets and that every other byte is zero.
void ExpectRecord(const std::vector<std::uint8_t>& bytes, const std::map<int, quint32>& values)
{
    ASSERT_EQ(bytes.size(), 331u);
    std::vector<bool> named(bytes.size(), false);
    for (const auto& [offset, value] : values) {
        EXPECT_EQ(qFromLittleEndian<quint32>(bytes.data() + offset), value) << "offset " << offset;
        for (int i = 0; i < 4; ++i)
            named[static_cast<size_t>(offset + i)] = true;
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (!named[i]) {
            EXPECT_EQ(bytes[i], 0) << "byte " << i;
        }
    }
}

TEST(LameCoder, DefaultRecord)
{
    TLameCoder coder;
    EXPECT_EQ(coder.DefaultExt(), QStringLiteral(".mp3"));
    ExpectRecord(Bytes(coder), {{0, 256},
                                {4, 1},
                                {8, 331},
                                {12, 44100},
                                {20, 0},
                                {24, 128},
                                {28, 320},
                                {32, 0},
                                {36, 1},
                                {52, 0xFFFFFFFFu},
                                {72, 4}});
}

TEST(LameCoder, EnableVBRSetsHeaderFlagAndRecord)
{
    TLameCoder coder;
    coder.SetEnableVBR(true);
    EXPECT_TRUE(coder.WriteVBRHeader());
    coder.SetMode(TLameMode::MONO);
    coder.SetBitrate(256);
    coder.SetQuality(HIGH_QUALITY);
    ExpectRecord(Bytes(coder), {{0, 256},
                                {4, 1},
                                {8, 331},
                                {12, 44100},
                                {20, 3},
                                {24, 256},
                                {28, 320},
                                {32, 2},
                                {36, 1},
                                {52, 0xFFFFFFFFu},
                                {64, 0xFFFFFFFFu},
                                {68, 0xFFFFFFFFu},
                                {72, 4}});
    coder.SetEnableVBR(false);
    EXPECT_FALSE(coder.WriteVBRHeader());

    TLameCoder copy;
    coder.SetEnableVBR(true);
    coder.SetPrivate(true);
    copy.Assign(coder);
    EXPECT_EQ(Bytes(copy), Bytes(coder));
}

TEST(LameCoder, VersionComesFromTheEncoder)
{
    TLameCoder coder;
    EXPECT_EQ(coder.LameVersion().MajorVersion, 3);
    EXPECT_GE(coder.LameVersion().MinorVersion, 99);
}

// One second of tone through the whole stream life: chunk sizes as the copy loop relies on them,
// every chunk producing bytes within the reported output size, a flush and a tag frame.
TEST(LameCoder, EncodesChunksAndFlushes)
{
    struct Case
    {
        TLameMode Mode;
        int Rate;
        bool Vbr;
        std::uint32_t Samples;
    };
    for (const Case c :
         {Case{TLameMode::STEREO, 44100, false, 2304}, Case{TLameMode::MONO, 22050, false, 1152},
          Case{TLameMode::JSTEREO, 44100, true, 2304}}) {
        TLameCoder coder;
        coder.SetMode(c.Mode);
        coder.SetSampleRate(c.Rate);
        coder.SetEnableVBR(c.Vbr);
        ASSERT_EQ(coder.InitEncoder(), 0u);
        EXPECT_EQ(coder.SamplesPerChunk(), c.Samples);
        EXPECT_EQ(coder.OutputBufferSize(), 8640u);
        std::vector<std::int16_t> pcm(c.Samples);
        for (size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = static_cast<std::int16_t>((i % 100) * 200 - 10000);
        std::uint32_t total = 0;
        for (int i = 0; i < c.Rate / 1152; ++i) {
            const std::uint32_t n = coder.EncodeChunk(pcm.data(), c.Samples);
            EXPECT_LE(n, coder.OutputBufferSize());
            total += n;
        }
        total += coder.EncodeChunk(pcm.data(), 100); // a short remainder is accepted
        total += coder.FinishEncoder();
        EXPECT_GT(total, 1000u);
        EXPECT_FALSE(coder.TagFrame().isEmpty());
        coder.CloseEncoder();
        EXPECT_FALSE(coder.IsOpen());
        EXPECT_EQ(coder.EncodeChunk(pcm.data(), c.Samples), 0u); // closed: nothing, no crash
    }
}

TEST(LameCoder, RejectsImpossibleSettings)
{
    TLameCoder coder;
    coder.SetBitrate(0);
    EXPECT_NE(coder.InitEncoder(), 0u);
    EXPECT_FALSE(coder.IsOpen());
}

} // namespace
