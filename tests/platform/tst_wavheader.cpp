#include "platform/WavHeader.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

quint32 Le32(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 Le16(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

struct Case
{
    const char* What;
    int Channels;
    int Rate;
    qint64 DataBytes;
    quint32 StatedDataBytes; // what the header says follows it
};

} // namespace

// Each field where a reader looks for it, and lengths that add up: the RIFF length is the
// file's length less 8 and the data chunk's is what follows the header. Lengths the 32-bit
// fields cannot hold are stated as the most whole frames that fit, never wrapped round.
TEST(WavHeader, FieldsAndLengthsForEveryKindOfFileTheProgramWrites)
{
    const quint32 mostStereo = (0xFFFFFFFFu - 36) / 4 * 4;
    const quint32 mostMono = (0xFFFFFFFFu - 36) / 2 * 2;
    const Case cases[] = {
        {"a CD track", 2, 44100, 176400, 176400},
        {"a quarter second of silence", 1, 8000, 4000, 4000},
        {"a spoken word", 1, 22050, 9000, 9000},
        {"no samples", 2, 44100, 0, 0},
        {"a negative length", 2, 44100, -4, 0},
        {"the longest stereo file", 2, 44100, mostStereo, mostStereo},
        {"too long for the header, stereo", 2, 44100, 5'000'000'000LL, mostStereo},
        {"too long for the header, mono", 1, 8000, 0x1'0000'0000LL, mostMono},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const QByteArray h = Tonlyra::Wav::Header(c.Channels, c.Rate, c.DataBytes);
        ASSERT_EQ(h.size(), Tonlyra::Wav::HeaderBytes);
        EXPECT_EQ(h.left(4), "RIFF");
        EXPECT_EQ(Le32(h, 4), c.StatedDataBytes + 36);
        EXPECT_EQ(h.mid(8, 8), "WAVEfmt ");
        EXPECT_EQ(Le32(h, 16), 16u);
        EXPECT_EQ(Le16(h, 20), 1); // PCM
        EXPECT_EQ(Le16(h, 22), c.Channels);
        EXPECT_EQ(Le32(h, 24), quint32(c.Rate));
        EXPECT_EQ(Le32(h, 28), quint32(c.Rate * c.Channels * 2));
        EXPECT_EQ(Le16(h, 32), c.Channels * 2);
        EXPECT_EQ(Le16(h, 34), 16);
        EXPECT_EQ(h.mid(36, 4), "data");
        EXPECT_EQ(Le32(h, 40), c.StatedDataBytes);
        EXPECT_EQ(c.StatedDataBytes % (c.Channels * 2), 0u) << "not whole frames";
        if (c.DataBytes == c.StatedDataBytes && c.DataBytes < 1'000'000) {
            const QByteArray file = h + QByteArray(c.DataBytes, '\0');
            EXPECT_EQ(Le32(file, 4) + 8, quint32(file.size()));
            EXPECT_EQ(Le32(file, 40), quint32(file.size() - Tonlyra::Wav::HeaderBytes));
        }
    }
}
