#include "spardon/CDRIP.h"
#include "spardon/CdRip_dll.h"
#include "spardon/LameCoder.h"

#include "platform/CdDrives.h"

#include "tests/platform/FileSizeLimit.h"
#include "tests/spardon/SpardonTestUtil.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <cdio/paranoia/paranoia.h>
#include <gtest/gtest.h>

#include <memory>

using namespace Tonlyra::Test;

namespace {

const QString ReadError =
    QStringLiteral("CD-skivan kunde inte läsas till slut. Ingen fil har sparats.");

// One disc for the whole program: track 1 of 800 sectors, then eleven of 160.
class CdRip : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Dir = new TempDir;
        std::vector<TrackSpec> tracks{{800, 440.0}};
        for (int i = 0; i < 11; ++i)
            tracks.push_back({160, 300.0 + 50 * i});
        Cue = WriteCdImage(Dir->Path(), QStringLiteral("disc"), tracks);
        Bin = Dir->File(QStringLiteral("disc.bin"));
    }
    static void TearDownTestSuite()
    {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override
    {
        Drives = std::make_unique<CdDriveOverride>(QStringList{Cue});
        Rip = std::make_unique<TCDRIP>();
        Out = std::make_unique<TempDir>();
    }

    static TempDir* Dir;
    static QString Cue;
    static QString Bin;
    std::unique_ptr<CdDriveOverride> Drives;
    std::unique_ptr<TCDRIP> Rip;
    std::unique_ptr<TempDir> Out;
    TLameCoder Coder;
};
TempDir* CdRip::Dir = nullptr;
QString CdRip::Cue;
QString CdRip::Bin;

TEST_F(CdRip, TrackListFollowsTheTableOfContents)
{
    const auto& tracks = Rip->Tracks();
    ASSERT_EQ(tracks.size(), 12u);
    EXPECT_EQ(tracks[0].Name, QStringLiteral("Track01"));
    EXPECT_EQ(tracks[11].Name, QStringLiteral("Track12"));
    EXPECT_EQ(tracks[0].StartSector, 0);
    EXPECT_EQ(tracks[0].EndSector, 799);
    for (size_t i = 0; i + 1 < tracks.size(); ++i) {
        EXPECT_EQ(tracks[i].TrackNumber, int(i + 1));
        EXPECT_EQ(tracks[i].EndSector + 1, tracks[i + 1].StartSector);
    }
    EXPECT_EQ(tracks[11].EndSector, 800 + 11 * 160 - 1); // one before the lead-out
    EXPECT_TRUE(Rip->JitterCorrect());
    EXPECT_EQ(Rip->Parameters().JitterCorrection, -1);
    EXPECT_EQ(Rip->OutputFormat(), TOutputFormat::STEREO44100);
    EXPECT_FALSE(Rip->Version().isEmpty());
}

TEST_F(CdRip, NoDriveOrNoDiscGivesAnEmptyTrackList)
{
    for (const QStringList& drives :
         {QStringList{}, QStringList{Out->File(QStringLiteral("missing.cue"))}}) {
        CdDriveOverride none(drives);
        TCDRIP rip;
        EXPECT_TRUE(rip.Tracks().empty());
        EXPECT_THROW(rip.RipTrack(1, Out->File(QStringLiteral("x.wav"))), ECDRIPError);
    }
}

// The reader starts on the drive whose disc the program shows, else on the last drive holding an
// audio disc (as the media dialog chooses); changing the drive reads the other disc.
TEST_F(CdRip, StartsOnTheDriveShownAndChangesDrive)
{
    const QString other =
        WriteCdImage(Out->Path(), QStringLiteral("other"), {{200, 500.0}, {200, 600.0}});
    const QString empty = Out->File(QStringLiteral("none.cue"));
    CdDriveOverride drives(QStringList{Cue, other, empty});
    Tonlyra::Cd::SetCurrentDrive(QString());
    {
        TCDRIP rip;
        EXPECT_EQ(rip.CDRomNum(), 1);
        EXPECT_EQ(rip.Tracks().size(), 2u);
    }
    Tonlyra::Cd::SetCurrentDrive(Cue);
    TCDRIP rip;
    EXPECT_EQ(rip.CDRomNum(), 0);
    ASSERT_EQ(rip.Tracks().size(), 12u);
    rip.SetCDRomNum(1);
    EXPECT_EQ(rip.CDRomNum(), 1);
    ASSERT_EQ(rip.Tracks().size(), 2u);
    EXPECT_EQ(rip.Tracks()[1].EndSector, 399);
    rip.SetCDRomNum(5); // no such drive: the drive and the list stay
    EXPECT_EQ(rip.CDRomNum(), 1);
    EXPECT_EQ(rip.Tracks().size(), 2u);
    Tonlyra::Cd::SetCurrentDrive(QString());
}

// A wave copy of a whole track: a header that describes the data, and the data the disc holds.
TEST_F(CdRip, WaveCopyOfATrackHoldsTheDiscBytes)
{
    Rip->WriteWAV = true;
    std::vector<int> events;
    std::vector<int> progress;
    Rip->OnBeginTrack = [&](TCDRIP*, std::int16_t t) { events.push_back(t); };
    Rip->OnEndTrack = [&](TCDRIP*, std::int16_t t) { events.push_back(-t); };
    Rip->OnProgress = [&](TCDRIP*, std::int16_t p) { progress.push_back(p); };
    const QString file = Out->File(QStringLiteral("t2.wav"));
    Rip->RipTrack(2, file);

    const QByteArray data = ReadAll(file);
    const QByteArray expected = ImageSectors(Bin, 800, 959);
    ASSERT_EQ(data.size(), 44 + expected.size());
    EXPECT_EQ(data.left(4), QByteArray("RIFF"));
    EXPECT_EQ(Le32(data, 4), quint32(expected.size() + 36));
    EXPECT_EQ(data.mid(8, 8), QByteArray("WAVEfmt "));
    EXPECT_EQ(Le32(data, 16), 16u);
    EXPECT_EQ(Le16(data, 20), 1);
    EXPECT_EQ(Le16(data, 22), 2);
    EXPECT_EQ(Le32(data, 24), 44100u);
    EXPECT_EQ(Le32(data, 28), 176400u);
    EXPECT_EQ(Le16(data, 32), 4);
    EXPECT_EQ(Le16(data, 34), 16);
    EXPECT_EQ(data.mid(36, 4), QByteArray("data"));
    EXPECT_EQ(Le32(data, 40), quint32(expected.size()));
    EXPECT_TRUE(data.mid(44) == expected);

    EXPECT_EQ(events, (std::vector<int>{2, -2}));
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
    EXPECT_FALSE(QFile::exists(Out->File(QStringLiteral("t2.jitt"))));
    EXPECT_EQ(QDir(Out->Path()).entryList(QDir::Files), QStringList{QStringLiteral("t2.wav")});
}

// The reader's sample formats, in wave copies: mono is the mean of the channels, the lower rates
// the mean of each group of 2 or 4 frames. The result does not depend on jitter correction.
TEST_F(CdRip, WaveCopyInEachOutputFormat)
{
    struct Case
    {
        TOutputFormat Format;
        int Channels;
        int Group; // 44.1 kHz frames per output frame
        bool JitterCorrect;
    };
    const QByteArray disc = ImageSectors(Bin, 800, 959);
    const auto* in = reinterpret_cast<const qint16*>(disc.constData());
    Rip->WriteWAV = true;
    for (const Case c :
         {Case{TOutputFormat::STEREO44100, 2, 1, false}, Case{TOutputFormat::MONO44100, 1, 1, true},
          Case{TOutputFormat::STEREO22050, 2, 2, true},
          Case{TOutputFormat::MONO11025, 1, 4, false}}) {
        Rip->SetOutputFormat(c.Format);
        Rip->SetJitterCorrect(c.JitterCorrect);
        const QString file = Out->File(QStringLiteral("f%1.wav").arg(int(c.Format)));
        Rip->RipTrack(2, file);
        ASSERT_TRUE(Rip->OutputWritten());
        const QByteArray data = ReadAll(file);
        QByteArray expected;
        for (int f = 0; f < 160 * 588; f += c.Group) {
            int left = 0;
            int right = 0;
            for (int g = 0; g < c.Group; ++g) {
                left += in[(f + g) * 2];
                right += in[(f + g) * 2 + 1];
            }
            const auto put = [&](int v) {
                const auto s = qint16(v);
                expected.append(reinterpret_cast<const char*>(&s), 2);
            };
            if (c.Channels == 1) {
                put((left + right) / (2 * c.Group));
            } else {
                put(left / c.Group);
                put(right / c.Group);
            }
        }
        const int rate = 44100 / c.Group;
        EXPECT_EQ(Le16(data, 22), c.Channels);
        EXPECT_EQ(Le32(data, 24), quint32(rate));
        EXPECT_EQ(Le32(data, 28), quint32(rate * c.Channels * 2));
        EXPECT_EQ(Le32(data, 40), quint32(expected.size()));
        EXPECT_TRUE(data.mid(44) == expected) << int(c.Format);
    }
}

// Sectors 0 to 750: the header's lengths match the 751 sectors written (the last is included).
TEST_F(CdRip, WaveHeaderLengthsMatchTheData)
{
    Rip->WriteWAV = true;
    const QString file = Out->File(QStringLiteral("s.wav"));
    Rip->RipSectors(0, 750, file);
    const QByteArray data = ReadAll(file);
    EXPECT_EQ(Le32(data, 40), 751u * 2352);
    EXPECT_EQ(Le32(data, 4), 751u * 2352 + 36);
    EXPECT_EQ(data.size(), 44 + 751 * 2352);

    Rip->WriteWAV = false; // raw sound data only
    Rip->RipSectors(0, 9, file);
    EXPECT_TRUE(ReadAll(file) == ImageSectors(Bin, 0, 9));
}

// Stretches of track 1 (800 sectors, 10666 ms counting its last sector).
TEST_F(CdRip, TimeRangesOfATrack)
{
    struct Case
    {
        std::int32_t Start;
        std::int32_t Length;
        int First; // sectors after the track's start, both included
        int Last;
    };
    const std::int32_t trackMs = 800 * 40 / 3;
    for (const Case c :
         {Case{0, trackMs, 0, 799}, Case{1000, 2000, 75, 225}, Case{5000, 0, 375, 375},
          Case{5000, trackMs - 5000, 375, 799}, Case{0, trackMs - 20, 0, 798}}) {
        const QString file = Out->File(QStringLiteral("r%1.raw").arg(c.Start));
        Rip->RipTrackRange(1, c.Start, c.Length, file);
        EXPECT_TRUE(ReadAll(file) == ImageSectors(Bin, c.First, c.Last))
            << c.Start << "+" << c.Length;
    }
    for (const auto& [start, length] :
         std::vector<std::pair<int, int>>{{0, trackMs + 1}, {10000, 1000}, {-1, 1000}, {0, -5}}) {
        const QString file = Out->File(QStringLiteral("bad.raw"));
        try {
            Rip->RipTrackRange(1, start, length, file);
            ADD_FAILURE() << "no error for " << start << "+" << length;
        } catch (const ECDRIPError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Invalid length"));
        }
        EXPECT_FALSE(QFile::exists(file));
    }
}

// MP3 copies in the stereo and mono formats: the name ends in ".mp3", and the file decodes to
// the copied length (none of the tail is lost) in the format asked for.
TEST_F(CdRip, Mp3CopyReplacesTheExtensionAndDecodesToTheTrackLength)
{
    struct Case
    {
        TOutputFormat Format;
        int Channels;
        int Rate;
    };
    Rip->Encode = true;
    Rip->SetCoder(&Coder);
    for (const Case c :
         {Case{TOutputFormat::STEREO44100, 2, 44100}, Case{TOutputFormat::MONO44100, 1, 44100},
          Case{TOutputFormat::MONO22050, 1, 22050}}) {
        Rip->SetOutputFormat(c.Format);
        EXPECT_EQ(Coder.SampleRate(), c.Rate);
        EXPECT_EQ(Coder.Mode(), c.Channels == 1 ? TLameMode::MONO : TLameMode::STEREO);
        const QString name = QStringLiteral("m%1").arg(int(c.Format));
        Rip->RipTrack(1, Out->File(name + QStringLiteral(".wav")));
        EXPECT_FALSE(QFile::exists(Out->File(name + QStringLiteral(".wav"))));
        const QString mp3 = Out->File(name + QStringLiteral(".mp3"));
        EXPECT_EQ(Rip->OutputFileName(), mp3);
        const Decoded d = DecodeMp3(mp3);
        ASSERT_TRUE(d.Ok) << name.toStdString();
        EXPECT_EQ(d.Channels, c.Channels);
        EXPECT_EQ(d.Rate, c.Rate);
        const qint64 expected = qint64(800) * 588 * c.Rate / 44100;
        EXPECT_NEAR(double(d.Frames), double(expected), c.Rate * 0.002) << name.toStdString();
    }
    EXPECT_FALSE(Coder.IsOpen());
}

// Encode set without a coder: a proper wave file under the name given.
TEST_F(CdRip, EncodeWithoutCoderWritesWave)
{
    Rip->Encode = true;
    Rip->WriteWAV = true;
    const QString file = Out->File(QStringLiteral("n.wav"));
    Rip->RipTrack(3, file);
    const QByteArray data = ReadAll(file);
    EXPECT_EQ(data.left(4), QByteArray("RIFF"));
    EXPECT_TRUE(data.mid(44) == ImageSectors(Bin, 960, 1119));
}

// Three chunks with read corrections give a log of three CRLF lines beside the file.
TEST_F(CdRip, JitterErrorsAreLogged)
{
    Rip->WriteWAV = true;
    int chunks = 0;
    Rip->OnProgress = [&](TCDRIP*, std::int16_t) {
        if (++chunks <= 3)
            Tonlyra::Spardon::CR_NoteReadEvent(long(chunks) * 10 * 1176, PARANOIA_CB_FIXUP_EDGE);
    };
    Rip->RipTrack(1, Out->File(QStringLiteral("j.wav")));
    EXPECT_EQ(Rip->JitterErrorCount(), 3);
    EXPECT_EQ(ReadAll(Out->File(QStringLiteral("j.jitt"))),
              QByteArray("10 10\r\n20 20\r\n30 30\r\n"));
    // Ordinary reading events are not errors.
    chunks = 3;
    Tonlyra::Spardon::CR_NoteReadEvent(0, PARANOIA_CB_READ);
    Rip->RipTrack(2, Out->File(QStringLiteral("k.wav")));
    EXPECT_EQ(Rip->JitterErrorCount(), 0);
    // The component keeps every line; the file of a clean copy gets no log.
    EXPECT_EQ(Rip->JitterLog().size(), 3);
    EXPECT_FALSE(QFile::exists(Out->File(QStringLiteral("k.jitt"))));
    // Trouble the reader meets reading ahead, beyond the copied range, is not the copy's.
    Rip->OnProgress = [&](TCDRIP*, std::int16_t) {
        Tonlyra::Spardon::CR_NoteReadEvent(long(2000) * 1176, PARANOIA_CB_READERR);
    };
    Rip->RipTrack(2, Out->File(QStringLiteral("k.wav")));
    EXPECT_EQ(Rip->JitterErrorCount(), 0);
    EXPECT_FALSE(QFile::exists(Out->File(QStringLiteral("k.jitt"))));
}

// A cancelled copy leaves no file, and an earlier file of that name untouched; the encoder is
// closed.
TEST_F(CdRip, CancelledCopyLeavesNoFile)
{
    Rip->SetCoder(&Coder);
    Rip->WriteWAV = true;
    for (const bool mp3 : {false, true}) {
        Rip->Encode = mp3;
        const QString file = Out->File(mp3 ? QStringLiteral("c.mp3") : QStringLiteral("c.wav"));
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        int chunks = 0;
        Rip->OnProgress = [&](TCDRIP* sender, std::int16_t) {
            if (++chunks == 2)
                sender->CancelRip();
        };
        Rip->RipTrack(1, file);
        EXPECT_EQ(chunks, 2);
        EXPECT_EQ(ReadAll(file), QByteArray("old"));
        EXPECT_FALSE(Coder.IsOpen());
        EXPECT_FALSE(Rip->IsCopying());
        QFile::remove(file);
        EXPECT_TRUE(QDir(Out->Path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST_F(CdRip, UncreatableFileIsReportedAndNothingStaysOpen)
{
    QFile plain(Out->File(QStringLiteral("afile")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    Rip->SetCoder(&Coder);
    Rip->Encode = true;
    const QString target = Out->File(QStringLiteral("afile/x.wav"));
    try {
        Rip->RipTrack(1, target);
        ADD_FAILURE() << "no error";
    } catch (const ECDRIPError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot create file ") +
                                   Out->File(QStringLiteral("afile/x.mp3")) +
                                   QStringLiteral("\nMappen finns inte."));
    }
    EXPECT_FALSE(Coder.IsOpen());
    EXPECT_FALSE(Rip->IsCopying());
    // The component is usable again.
    Rip->RipTrack(2, Out->File(QStringLiteral("ok.wav")));
    EXPECT_TRUE(QFile::exists(Out->File(QStringLiteral("ok.mp3"))));
}

// A disk that fills up (a file size limit stands in for it), at the first chunk or only at
// the last one: the copy stops with "Write error", leaves no file, and closes the encoder and the
// reader.
TEST_F(CdRip, FullDiskIsAWriteError)
{
    Rip->SetCoder(&Coder);
    Rip->WriteWAV = true;
    struct Case
    {
        bool Mp3;
        int Track;
        rlim_t Limit;
    };
    // Track 2 as wave is 376,364 bytes.
    for (const Case& c :
         {Case{false, 1, 64 * 1024}, Case{true, 1, 64 * 1024}, Case{false, 2, 376'000}}) {
        SCOPED_TRACE(c.Mp3);
        SCOPED_TRACE(c.Limit);
        Rip->Encode = c.Mp3;
        EXPECT_EQ(SaveUnderFileSizeLimit(c.Limit,
                                         [&] {
                                             QString message;
                                             try {
                                                 Rip->RipTrack(c.Track, Out->File("big.wav"));
                                             } catch (const ECDRIPError& e) {
                                                 message = e.Message();
                                             }
                                             return message == "Write error\nFilen är för stor." &&
                                                    !Coder.IsOpen() && !Rip->IsCopying() &&
                                                    !Rip->OutputWritten();
                                         }),
                  1);
        EXPECT_TRUE(QDir(Out->Path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

// A log that cannot be written keeps the copy from being put in place: the files never disagree.
TEST_F(CdRip, UnwritableLogIsAWriteError)
{
    Rip->WriteWAV = true;
    WriteAll(Out->File("j.wav"), "older copy");
    ASSERT_TRUE(QDir(Out->Path()).mkdir("j.jitt"));
    Rip->OnProgress = [&](TCDRIP*, std::int16_t) {
        Tonlyra::Spardon::CR_NoteReadEvent(810 * 1176, PARANOIA_CB_FIXUP_EDGE); // in track 2
    };
    QString message;
    try {
        Rip->RipTrack(2, Out->File(QStringLiteral("j.wav")));
    } catch (const ECDRIPError& e) {
        message = e.Message();
    }
    EXPECT_EQ(message, "Write error\nDet finns redan en mapp med det namnet.");
    EXPECT_FALSE(Rip->OutputWritten());
    EXPECT_EQ(ReadAll(Out->File("j.wav")), "older copy");
    EXPECT_EQ(QDir(Out->Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"j.wav"});
}

TEST_F(CdRip, BadParametersAndUnreadableRanges)
{
    Rip->SetOutputFormat(static_cast<TOutputFormat>(9));
    try {
        Rip->RipTrack(1, Out->File(QStringLiteral("p.wav")));
        ADD_FAILURE() << "no error";
    } catch (const ECDRIPError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid CD-ROM parameters"));
    }
    Rip->SetOutputFormat(TOutputFormat::STEREO44100);
    // Sectors that are not on the disc: the copy ends at once, without a file and an error.
    Rip->RipSectors(5000, 5100, Out->File(QStringLiteral("off.wav")));
    EXPECT_FALSE(QFile::exists(Out->File(QStringLiteral("off.wav"))));
    EXPECT_FALSE(Rip->OutputWritten());
    // A range running past the end of the disc cannot be read whole: an error, and no file.
    EXPECT_EQ(ErrorOf<ECDRIPError>(
                  [&] { Rip->RipSectors(2500, 3000, Out->File(QStringLiteral("end.raw"))); }),
              ReadError);
    EXPECT_FALSE(QFile::exists(Out->File(QStringLiteral("end.raw"))));
}

// A copy that cannot read its whole range is an error, leaves no file and an older file as it
// was: an image whose data ends early (its table of contents promises more), and a disc that goes
// away during the copy (its data cut off after a few chunks).
TEST_F(CdRip, ShortReadIsAnErrorAndLeavesNoFile)
{
    TempDir disc;
    WriteCdImage(disc.Path(), QStringLiteral("short"), {{450, 440.0}, {300, 550.0}});
    const QString bin = disc.File(QStringLiteral("short.bin"));
    const QString toc = disc.File(QStringLiteral("short.toc"));
    WriteAll(toc, QStringLiteral("CD_DA\nTRACK AUDIO\nFILE \"%1\" 0 00:06:00\n"
                                 "TRACK AUDIO\nFILE \"%1\" 00:06:00 00:04:00\n")
                      .arg(bin)
                      .toUtf8());
    ASSERT_TRUE(QFile::resize(bin, 2352LL * 600)); // track 2 holds 150 of its 300 sectors
    Rip->SetCoder(&Coder);
    Rip->WriteWAV = true;
    for (const bool mp3 : {false, true}) {
        SCOPED_TRACE(mp3);
        Rip->Encode = mp3;
        const QString file = Out->File(mp3 ? QStringLiteral("s.mp3") : QStringLiteral("s.wav"));
        WriteAll(file, "old");

        // Taken out after the track list was read: the disc's data cut short, in the last track,
        // as the copy begins.
        const QString going = disc.File(QStringLiteral("going.cue"));
        QFile::remove(disc.File(QStringLiteral("going.bin")));
        ASSERT_TRUE(QFile::copy(Bin, disc.File(QStringLiteral("going.bin"))));
        QFile::remove(going);
        ASSERT_TRUE(QFile::copy(Cue, going));
        {
            CdDriveOverride drives(QStringList{going});
            TCDRIP rip;
            rip.SetCoder(&Coder);
            rip.Encode = mp3;
            rip.OnBeginTrack = [&](TCDRIP*, std::int16_t) {
                QFile::resize(disc.File(QStringLiteral("going.bin")), 2352LL * 2450);
            };
            EXPECT_EQ(ErrorOf<ECDRIPError>([&] { rip.RipTrack(12, file); }), ReadError);
            EXPECT_FALSE(rip.OutputWritten());
            EXPECT_FALSE(rip.IsCopying());
            EXPECT_EQ(ReadAll(file), QByteArray("old"));
        }

        CdDriveOverride drives(QStringList{toc});
        TCDRIP rip;
        rip.SetCoder(&Coder);
        rip.Encode = mp3;
        rip.WriteWAV = true;
        ASSERT_EQ(rip.Tracks().size(), 2u);
        rip.RipTrack(1, file); // whole on the image: fine
        EXPECT_TRUE(rip.OutputWritten());
        WriteAll(file, "old");
        EXPECT_EQ(ErrorOf<ECDRIPError>([&] { rip.RipTrack(2, file); }), ReadError);
        EXPECT_FALSE(Coder.IsOpen());
        EXPECT_EQ(ReadAll(file), QByteArray("old"));
        QFile::remove(file);
        EXPECT_EQ(QDir(Out->Path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

TEST(ChangeFileExt, ReplacesOnlyTheNamesExtension)
{
    EXPECT_EQ(TCDRIP::ChangeFileExt("/a/song.wav", ".mp3"), QStringLiteral("/a/song.mp3"));
    EXPECT_EQ(TCDRIP::ChangeFileExt("/a.b/song", ".jitt"), QStringLiteral("/a.b/song.jitt"));
    EXPECT_EQ(TCDRIP::ChangeFileExt("x.tar.gz", ".mp3"), QStringLiteral("x.tar.mp3"));
}

} // namespace
