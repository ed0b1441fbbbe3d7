// The playback service on its own, with no dialog: on a scripted engine where the order of
// events matters, and on the real libmpv engine with generated media.

#include "media/CdTrackStream.h"
#include "media/PlaybackEngine.h"
#include "media/PlaybackService.h"
#include "tests/support/ScriptedEngine.h"
#include "tests/support/TestSupport.h"

#include <QAbstractEventDispatcher>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace Tonlyra;
using Tonlyra::Test::ScriptedEngine;
using Tonlyra::Test::TempDir;

namespace {

// A service on a scripted engine, counting its ends of play.
struct ScriptedService
{
    ScriptedService()
    {
        PlaybackService::SetEngineFactory([] { return std::make_unique<ScriptedEngine>(); });
        Service = std::make_unique<PlaybackService>();
        PlaybackService::SetEngineFactory({});
        Engine = static_cast<ScriptedEngine*>(Service->Engine());
        QObject::connect(Service.get(), &PlaybackService::EndOfPlay, [this] { ++Ends; });
    }
    std::unique_ptr<PlaybackService> Service;
    ScriptedEngine* Engine = nullptr;
    int Ends = 0;
};

// Whether the service has a timer of its own registered or running.
bool HasTimers(PlaybackService& service)
{
    for (const QTimer* timer : service.findChildren<QTimer*>())
        if (timer->isActive())
            return true;
    return !QAbstractEventDispatcher::instance()->registeredTimers(&service).isEmpty();
}

QString Touch(const TempDir& dir, const char* name)
{
    const QString path = dir.File(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("x");
    return path;
}

} // namespace

TEST(PlaybackService, LoadedMediumPlaysItsStretchAndEndsOnce)
{
    ScriptedService s;
    PlaybackService& service = *s.Service;
    TempDir dir;
    QSignalSpy durations(&service, &PlaybackService::DurationKnown);
    service.LoadFile(Touch(dir, "a.wav"), SoundFileKind);
    EXPECT_TRUE(service.Probing());
    EXPECT_FALSE(HasTimers(service));
    service.SetStartPosition(1000);
    EXPECT_FALSE(service.Play()); // held until the length is known
    EXPECT_EQ(service.StartPosition(), -1);

    s.Engine->Loaded(10.0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(service.Probing());
    ASSERT_EQ(durations.count(), 1);
    EXPECT_EQ(durations[0][0].toInt(), 10000);
    EXPECT_EQ(s.Engine->State, ScriptedEngine::Playing);
    EXPECT_DOUBLE_EQ(s.Engine->Pos, 1.0);
    EXPECT_DOUBLE_EQ(s.Engine->End, -1.0); // the stop is the end of the medium
    EXPECT_FALSE(HasTimers(service));
    EXPECT_EQ(s.Ends, 0);

    s.Engine->Finish();
    EXPECT_EQ(s.Ends, 1);
    EXPECT_EQ(service.PlayState(), PlaybackEngine::Stopped);
    EXPECT_EQ(service.StartPosition(), 1000);
    EXPECT_EQ(service.StopPosition(), 10000);
    EXPECT_FALSE(service.Stop()); // stopped already: nothing, and no second end
    QCoreApplication::processEvents();
    EXPECT_EQ(s.Ends, 1);
    EXPECT_FALSE(HasTimers(service));
}

TEST(PlaybackService, FailedLoadSaysWhyWithoutAnEndOfPlay)
{
    ScriptedService s;
    PlaybackService& service = *s.Service;
    TempDir dir;
    QSignalSpy failures(&service, &PlaybackService::LoadFailed);
    for (bool noLength : {false, true}) {
        SCOPED_TRACE(noLength);
        failures.clear();
        const QString path = Touch(dir, "bad.wav");
        service.LoadFile(path, SoundFileKind);
        EXPECT_FALSE(service.Play());
        if (noLength)
            s.Engine->Loaded(0.0);
        else
            s.Engine->Broken();
        QCoreApplication::processEvents();
        EXPECT_FALSE(service.Probing());
        EXPECT_FALSE(service.PlayPending());
        ASSERT_EQ(failures.count(), 1);
        EXPECT_EQ(failures[0][0].toString(), path);
        EXPECT_EQ(failures[0][1].toString(), service.LastError());
        EXPECT_TRUE(service.LastError().startsWith("Mediet kan inte spelas"))
            << qPrintable(service.LastError());
        EXPECT_TRUE(service.MediaFile().isEmpty());
        EXPECT_FALSE(service.Play());
        EXPECT_EQ(s.Ends, 0);
    }
}

// A stop while loading is no stop of anything: the load goes on, and a play asked for before it
// still follows.
TEST(PlaybackService, StopWhileLoadingLeavesTheLoadAlone)
{
    ScriptedService s;
    PlaybackService& service = *s.Service;
    TempDir dir;
    service.LoadFile(Touch(dir, "a.wav"), SoundFileKind);
    EXPECT_FALSE(service.Play());
    EXPECT_FALSE(service.Stop());
    EXPECT_TRUE(service.Probing());
    EXPECT_EQ(s.Engine->State, ScriptedEngine::Transitioning);
    s.Engine->Loaded(5.0);
    QCoreApplication::processEvents();
    EXPECT_EQ(s.Engine->State, ScriptedEngine::Playing);
    EXPECT_EQ(s.Ends, 0);

    // Choosing another kind does give the loading medium up, held play and all.
    service.LoadFile(Touch(dir, "b.wav"), SoundFileKind);
    EXPECT_FALSE(service.Play());
    service.SelectKind(VideoFileKind);
    EXPECT_FALSE(service.Probing());
    EXPECT_FALSE(service.PlayPending());
    EXPECT_EQ(s.Engine->State, ScriptedEngine::Undefined);
    EXPECT_EQ(s.Ends, 0);
}

// The caller's kind decides, whatever the name: a video is shown full screen only when the
// caller says it is one.
TEST(PlaybackService, KindIsTheCallersWhateverTheName)
{
    ScriptedService s;
    PlaybackService& service = *s.Service;
    TempDir dir;
    const struct
    {
        const char* Name;
        int Kind;
        bool FullScreen;
    } cases[] = {
        {"clip.avi", SoundFileKind, false},
        {"song.wav", VideoFileKind, true},
        {"song.mp4", SoundFileKind, false},
        {"noext", NoMediaKind, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString path = Touch(dir, c.Name);
        service.LoadFile(path, c.Kind);
        EXPECT_EQ(service.Kind(), c.Kind);
        EXPECT_EQ(s.Engine->Url, path);
        s.Engine->Loaded(3.0);
        QCoreApplication::processEvents();
        EXPECT_EQ(service.MediaFile(), c.Kind == NoMediaKind ? QString() : path);
        ASSERT_TRUE(service.Play());
        EXPECT_EQ(s.Engine->Full, c.FullScreen);
        EXPECT_TRUE(service.Stop());
    }
    // A CD kind is no kind for a file.
    service.LoadFile(Touch(dir, "track.wav"), CDKind);
    EXPECT_EQ(service.Kind(), NoMediaKind);
}

// The CD kind takes the disc's track list and loads its first track; a disc change while it is
// chosen takes the new disc's list.
TEST(PlaybackService, CdKindFollowsTheDisc)
{
    TempDir dir;
    const QString one = Tonlyra::Test::WriteCdImage(dir.Path(), "one", {{75, 440}});
    const QString two = Tonlyra::Test::WriteCdImage(dir.Path(), "two", {{75, 440}, {75, 880}});
    auto drives = std::make_unique<Tonlyra::Test::CdDriveOverride>(QStringList{one});
    ScriptedService s;
    PlaybackService& service = *s.Service;
    QSignalSpy kinds(&service, &PlaybackService::KindSelected);
    service.SelectKind(CDKind);
    ASSERT_EQ(service.TrackCount(), 1);
    EXPECT_EQ(service.TrackIndex(), 0);
    EXPECT_EQ(s.Engine->Url, CdTrackUrl(one, 1));
    service.SelectTrack(2); // no such track
    EXPECT_EQ(s.Engine->Urls.size(), 1);

    drives.reset();
    drives = std::make_unique<Tonlyra::Test::CdDriveOverride>(QStringList{two});
    emit s.Engine->CdromMediaChange();
    EXPECT_EQ(kinds.count(), 2);
    ASSERT_EQ(service.TrackCount(), 2);
    service.SelectTrack(2);
    EXPECT_EQ(s.Engine->Url, CdTrackUrl(two, 2));
    EXPECT_EQ(service.TrackIndex(), 1);
}

TEST(PlaybackService, RealEnginePlaysAWavGivenAsSoundUnderAVideoName)
{
    TempDir dir;
    // A WAV under a video file's name: played as the sound it is said to be.
    const QString path = dir.File("tone.mp4");
    ASSERT_TRUE(Tonlyra::Test::WriteWav(path, 3000));
    PlaybackService service;
    int ends = 0;
    QObject::connect(&service, &PlaybackService::EndOfPlay, [&] { ++ends; });
    QSignalSpy durations(&service, &PlaybackService::DurationKnown);
    service.LoadFile(path, SoundFileKind);
    service.SetStartPosition(1000);
    service.SetStopPosition(1500);
    EXPECT_FALSE(service.Play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.PlayState() == PlaybackEngine::Playing; },
                                5000))
        << qPrintable(service.LastError());
    ASSERT_EQ(durations.count(), 1);
    EXPECT_NEAR(durations[0][0].toInt(), 3000, 50);
    EXPECT_FALSE(service.Engine()->FullScreen());
    EXPECT_FALSE(HasTimers(service));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ends > 0; }, 5000));
    EXPECT_TRUE(service.LastError().isEmpty());
    EXPECT_EQ(service.PlayState(), PlaybackEngine::Stopped);
    EXPECT_EQ(service.StartPosition(), 1000);
    EXPECT_EQ(service.StopPosition(), 1500);
    EXPECT_EQ(service.PlayPosition(), 1000);
    QTest::qWait(100);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(HasTimers(service));
}
