// The libmpv engine on generated media, with no sound device and no video output.

#include "media/CdTrackStream.h"
#include "media/MpvEngine.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Tonlyra;
using Tonlyra::Test::TempDir;

namespace {

struct EngineEnv
{
    EngineEnv()
    {
        qputenv("TONLYRA_MPV_AO", "null");
        qputenv("TONLYRA_MPV_VO", "null");
    }
};

bool WaitForState(PlaybackEngine& engine, int state, int ms = 3000)
{
    return QTest::qWaitFor([&] { return engine.PlayState() == state; }, ms);
}

} // namespace

TEST(MpvEngine, LoadsPausedWithDurationThenPlaysToTheEndPosition)
{
    EngineEnv env;
    TempDir dir;
    const QString wav = dir.File("tone.wav");
    ASSERT_TRUE(Tonlyra::Test::WriteWav(wav, 2000));
    MpvEngine engine;
    ASSERT_TRUE(engine.IsValid()) << engine.ErrorText().toStdString();
    QSignalSpy states(&engine, &PlaybackEngine::PlayStateChange);

    engine.Load(wav);
    EXPECT_EQ(engine.PlayState(), PlaybackEngine::Transitioning);
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Ready));
    EXPECT_NEAR(engine.Duration(), 2.0, 0.01);
    EXPECT_FALSE(engine.Failed());

    engine.SetPosition(1.0);
    engine.SetEndPosition(1.3);
    QElapsedTimer clock;
    clock.start();
    engine.Play();
    EXPECT_EQ(engine.PlayState(), PlaybackEngine::Playing);
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Stopped));
    // Played in real time and stopped by the end position, not the file's end (1 s on); a busy
    // machine only makes the report come later.
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 800);
    EXPECT_NEAR(engine.Position(), 1.3, 0.05);

    // Stopped at the end position; rewound, it plays again.
    engine.SetPosition(1.2);
    engine.Play();
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Stopped));
    QList<int> seen;
    for (const QList<QVariant>& s : states)
        seen.append(s.at(0).toInt());
    EXPECT_EQ(seen, (QList<int>{9, 10, 3, 1, 3, 1}));
}

TEST(MpvEngine, TheEndIsReportedOnceTheLastAudioHasPlayed)
{
    // mpv tells of the end when it has handed the last audio to the output; the output still
    // holds a fraction of a second of it, which is heard before the end may be reported.
    EngineEnv env;
    TempDir dir;
    const QString wav = dir.File("tone.wav");
    ASSERT_TRUE(Tonlyra::Test::WriteWav(wav, 1000));
    MpvEngine engine;
    engine.Load(wav);
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Ready));
    QElapsedTimer clock;
    clock.start();
    engine.Play();
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Stopped));
    EXPECT_GE(clock.elapsed(), 950);
    EXPECT_NEAR(engine.Position(), 1.0, 0.01);
}

TEST(MpvEngine, PauseKeepsThePositionAndStopOnlyActsWhilePlayingOrPaused)
{
    EngineEnv env;
    TempDir dir;
    const QString wav = dir.File("tone.wav");
    ASSERT_TRUE(Tonlyra::Test::WriteWav(wav, 2000));
    MpvEngine engine;
    engine.Load(wav);
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Ready));
    QSignalSpy states(&engine, &PlaybackEngine::PlayStateChange);
    engine.Pause();
    EXPECT_EQ(states.count(), 0);
    engine.Stop();
    engine.Stop();
    EXPECT_EQ(states.count(), 1); // Ready to Stopped, once

    // Positions are mpv's own reports, which a busy machine delays: times are measured, not
    // assumed, and the paused position is the one that stays.
    QElapsedTimer clock;
    clock.start();
    engine.Play();
    QTest::qWait(300);
    engine.Pause();
    const double playedFor = clock.elapsed() / 1000.0;
    double paused = -1;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const double before = engine.Position();
            QTest::qWait(300);
            paused = engine.Position();
            return paused == before;
        },
        5000));
    EXPECT_NEAR(paused, playedFor, 0.1);
    engine.Play();
    clock.restart();
    EXPECT_TRUE(QTest::qWaitFor([&] { return engine.Position() >= paused + 0.2; }, 3000));
    EXPECT_LE(engine.Position(), paused + clock.elapsed() / 1000.0 + 0.05); // from where it was
    engine.Stop();
    EXPECT_EQ(engine.PlayState(), PlaybackEngine::Stopped);
}

TEST(MpvEngine, UnplayableMediaFailWithTheLibraryMessage)
{
    EngineEnv env;
    TempDir dir;
    QFile corrupt(dir.File("corrupt.mp3"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(QByteArray(4096, '\x5a'));
    corrupt.close();
    MpvEngine engine;
    for (const QString& url :
         {corrupt.fileName(), dir.File("missing.wav"), CdTrackUrl(dir.File("nodisc.cue"), 1)}) {
        SCOPED_TRACE(url.toStdString());
        engine.Load(url);
        ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Stopped));
        EXPECT_TRUE(engine.Failed());
        EXPECT_FALSE(engine.ErrorText().isEmpty());
        EXPECT_EQ(engine.Duration(), 0);
        engine.Play(); // a failed medium plays nothing and reports nothing new
        QTest::qWait(50);
        EXPECT_NE(engine.PlayState(), PlaybackEngine::Playing);
    }
}

TEST(MpvEngine, CdTrackIsServedWithItsExactLength)
{
    EngineEnv env;
    TempDir dir;
    const QString cue =
        Tonlyra::Test::WriteCdImage(dir.Path(), "disc", {{75, 440}, {75 * 2 + 30, 880}, {75, 660}});
    MpvEngine engine;
    engine.Load(CdTrackUrl(cue, 2));
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Ready)) << engine.ErrorText().toStdString();
    EXPECT_NEAR(engine.Duration(), 2.4, 1e-6);

    engine.Load(CdTrackUrl(cue, 4));
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Stopped));
    EXPECT_TRUE(engine.Failed());
}

TEST(CdTrackUrl, RoundTripsDrivesWithHashes)
{
    QString drive;
    int track = 0;
    ASSERT_TRUE(ParseCdTrackUrl(CdTrackUrl("/tmp/a#b/disc.cue", 12), drive, track));
    EXPECT_EQ(drive, "/tmp/a#b/disc.cue");
    EXPECT_EQ(track, 12);
    for (const char* bad :
         {"cdda://1", "cdtrack://disc.cue", "cdtrack://#2", "cdtrack://x#0", "cdtrack://x#two"})
        EXPECT_FALSE(ParseCdTrackUrl(bad, drive, track)) << bad;
}
