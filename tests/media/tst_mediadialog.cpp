// The playback service of the media dialog: on the real libmpv engine with generated media
// (no sound device, no display), and on a scripted engine where the order of events matters.

#include "media/MediaDialogUnit.h"
#include "media/MpvEngine.h"
#include "media/VideoWindow.h"
#include "tests/media/MediaDialogFixtures.h"
#include "tests/support/ScriptedEngine.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

using namespace Tonlyra;
namespace Support = Tonlyra::Test;
using Support::EngineOutputs;
using Support::ScriptedDialog;
using Support::ScriptedEngine;
using Support::TempDir;

namespace {

// The tone and extent of a 16-bit stereo PCM WAV: the frames up to the last one that is not
// silent, and the frequency measured from zero crossings of the left channel over them.
struct Heard
{
    int Frames = 0;
    double Frequency = 0;
};

Heard Listen(const QString& wavPath)
{
    QFile f(wavPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = f.readAll().mid(44);
    const auto* samples = reinterpret_cast<const qint16*>(data.constData());
    const int frames = static_cast<int>(data.size() / 4);
    // Only the stretch between the first and the last sound counts: the file output writes
    // silence of its own while the engine waits paused, as long as the machine keeps it waiting.
    int first = 0;
    while (first < frames && std::abs(samples[2 * first]) <= 200)
        ++first;
    int last = frames - 1;
    while (last >= first && std::abs(samples[2 * last]) <= 200)
        --last;
    Heard heard;
    heard.Frames = last >= first ? last - first + 1 : 0;
    int crossings = 0;
    for (int i = first + 1; i <= last; ++i)
        if ((samples[2 * (i - 1)] < 0) != (samples[2 * i] < 0))
            ++crossings;
    if (heard.Frames > 0)
        heard.Frequency = crossings / 2.0 / (heard.Frames / 44100.0);
    return heard;
}

bool MakeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

} // namespace

TEST(MediaDialog, SplitMilliseconds)
{
    struct Case
    {
        int Ms, H, M, S, Msec;
    } cases[] = {{0, 0, 0, 0, 0},       {999, 0, 0, 0, 999},   {185250, 0, 3, 5, 250},
                 {3600000, 1, 0, 0, 0}, {7384005, 2, 3, 4, 5}, {-5, 0, 0, 0, -5}};
    for (const Case& c : cases) {
        int h, m, s, ms;
        TMediaDialog::SplitMilliseconds(c.Ms, h, m, s, ms);
        EXPECT_EQ((std::vector<int>{h, m, s, ms}), (std::vector<int>{c.H, c.M, c.S, c.Msec}))
            << c.Ms;
    }
}

TEST(MediaDialog, ScaleFollowsTheDuration)
{
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    struct Case
    {
        int Duration, Scale, Max, SmallTick, LargeTick;
        const char* Units;
        int Labels;
    } cases[] = {
        {3000, 1, 3000, 100, 1000, "sek:", 3},        {30000, 10, 3000, 100, 1000, "sek:", 3},
        {180000, 100, 1800, 100, 600, "min:", 3},     {1800000, 1000, 1800, 60, 3600, "tim:", 0},
        {9000000, 1000, 9000, 3600, 3600, "tim:", 2}, // 150 minutes: large ticks stay hourly
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Duration);
        dialog.SetupScale(c.Duration);
        EXPECT_EQ(dialog.Scale, c.Scale);
        EXPECT_EQ(dialog.StopTrackBar->maximum(), c.Max);
        EXPECT_EQ(dialog.StopTrackBar->value(), c.Max);
        EXPECT_EQ(dialog.MediaTrackBar->tickInterval(), c.SmallTick);
        EXPECT_EQ(dialog.StartTrackBar->tickInterval(), c.LargeTick);
        EXPECT_EQ(dialog.UnitsLabel->text(), c.Units);
        ASSERT_EQ(static_cast<int>(dialog.ScaleLabels.size()), c.Labels);
    }
    dialog.SetupScale(180000);
    QStringList labels;
    for (QLabel* l : dialog.ScaleLabels)
        labels << l->text();
    EXPECT_EQ(labels, (QStringList{"1", "2", "3"}));
    EXPECT_EQ(dialog.StopmSecPanel->text(), "000");
    EXPECT_EQ(dialog.StopMinutePanel->text(), "03");
}

TEST(MediaDialog, RequestsWhileProbingAreHeldAndRunInOrder)
{
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    TempDir dir;
    const QString wav = dir.File("a.wav");
    ASSERT_TRUE(MakeFile(wav, "x"));

    dialog.OpenMediaFile(wav);
    EXPECT_TRUE(dialog.Service().Probing());
    dialog.SetStartPosition(12345);
    dialog.SetStopPosition(100000);
    EXPECT_FALSE(dialog.Play());
    EXPECT_EQ(dialog.GetStartPosition(), -1);
    EXPECT_NE(d.Engine->State, ScriptedEngine::Playing);

    d.Engine->Loaded(180.0);
    EXPECT_NE(d.Engine->State, ScriptedEngine::Playing); // not before the queued end of probing
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog.Service().Probing());
    EXPECT_FALSE(d.Engine->Muted);
    EXPECT_EQ(dialog.Scale, 100);
    EXPECT_EQ(d.Engine->State, ScriptedEngine::Playing);
    EXPECT_DOUBLE_EQ(d.Engine->Pos, 12.3);  // positioned at the held start
    EXPECT_DOUBLE_EQ(d.Engine->End, 100.0); // the engine stops at the held stop
    EXPECT_EQ(d.Ends, 0);
    EXPECT_EQ(dialog.GetStartPosition(), -1); // trackbars are disabled while playing

    ASSERT_EQ(dialog.Stop(), 1);
    EXPECT_EQ(d.Ends, 1);
    EXPECT_EQ(dialog.GetStartPosition(), 12300);
    EXPECT_EQ(dialog.GetStopPosition(), 100000);
    EXPECT_EQ(dialog.GetSelectionLength(), 87700);
    EXPECT_EQ(dialog.LengthLabel->text(), "00:01:27:700");
    EXPECT_DOUBLE_EQ(d.Engine->Pos, 12.3); // rewound to the start
}

TEST(MediaDialog, PositionsAreCheckedAndKeepTheirOrder)
{
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    TempDir dir;
    ASSERT_TRUE(MakeFile(dir.File("a.wav"), "x"));
    d.Open(dir.File("a.wav"), 180.0);
    ASSERT_FALSE(dialog.Service().Probing());
    ASSERT_EQ(dialog.Scale, 100);

    dialog.SetStartPosition(12345);
    EXPECT_EQ(dialog.GetStartPosition(), 12300);
    dialog.SetStartPosition(180100); // step 1801, beyond the end: ignored
    dialog.SetStartPosition(-700);   // step -7: ignored
    EXPECT_EQ(dialog.GetStartPosition(), 12300);
    dialog.SetStopPosition(5000); // below the start: the start follows
    EXPECT_EQ(dialog.GetStartPosition(), 5000);
    EXPECT_EQ(dialog.GetStopPosition(), 5000);
    dialog.SetStopPosition(-1);
    dialog.SetStartPosition(-1);
    EXPECT_EQ(dialog.GetStartPosition(), 0);
    EXPECT_EQ(dialog.GetStopPosition(), 180000);
}

TEST(MediaDialog, EndOfPlayOncePerStopOrPauseAndNeverWhileProbing)
{
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    TempDir dir;
    ASSERT_TRUE(MakeFile(dir.File("a.wav"), "x"));
    ASSERT_TRUE(MakeFile(dir.File("b.wav"), "x"));
    EXPECT_FALSE(dialog.Play()); // nothing loaded
    EXPECT_EQ(dialog.Stop(), 0);
    d.Open(dir.File("a.wav"), 10.0);
    EXPECT_EQ(dialog.Stop(), 0); // stopped already
    EXPECT_EQ(d.Ends, 0);

    ASSERT_TRUE(dialog.Play());
    d.Engine->Pos = 4.0;
    EXPECT_EQ(dialog.Pause(), 1);
    EXPECT_EQ(d.Ends, 1);
    EXPECT_EQ(dialog.Pause(), 0);
    ASSERT_TRUE(dialog.Play());
    EXPECT_DOUBLE_EQ(d.Engine->Pos, 4.0); // resumed where it paused
    EXPECT_EQ(dialog.Stop(), 1);
    EXPECT_EQ(d.Ends, 2);

    // Loading another medium while playing stops the first without an end of play.
    ASSERT_TRUE(dialog.Play());
    dialog.OpenMediaFile(dir.File("b.wav"));
    EXPECT_EQ(d.Ends, 2);
    d.Engine->Set(ScriptedEngine::Stopped); // a late stop from the engine while probing
    EXPECT_EQ(d.Ends, 2);
    d.Engine->Loaded(3.0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog.Service().Probing());
    EXPECT_EQ(d.Ends, 2);
}

TEST(MediaDialog, PlayPositionFollowsTheEngineAndTheStopRewindsToTheStart)
{
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    TempDir dir;
    ASSERT_TRUE(MakeFile(dir.File("a.wav"), "x"));
    d.Open(dir.File("a.wav"), 10.0);
    dialog.SetStartPosition(2000);
    dialog.SetStopPosition(4000);
    ASSERT_TRUE(dialog.Play());
    EXPECT_DOUBLE_EQ(d.Engine->End, 4.0); // the engine stops itself there
    d.Engine->Pos = 3.5;
    EXPECT_EQ(dialog.GetPlayPosition(), 3500);
    d.Engine->Pos = 1.0; // before the start: shown at the start
    EXPECT_EQ(dialog.GetPlayPosition(), 2000);
    d.Engine->Pos = 4.0;
    d.Engine->Finish();
    EXPECT_EQ(d.Ends, 1);
    EXPECT_DOUBLE_EQ(d.Engine->Pos, 2.0); // back at the start
    EXPECT_EQ(dialog.GetPlayPosition(), 2000);
    EXPECT_EQ(dialog.MediaTrackBar->value() * dialog.Scale, 2000);
}

TEST(MediaDialog, ExtensionChoosesTheKind)
{
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    TempDir dir;
    struct Case
    {
        const char* Name;
        int Kind;
        bool Loads;
    } cases[] = {
        {"song.MP3", SoundFileKind, true},
        {"clip.Avi", VideoFileKind, true},
        {"odd.wa", SoundFileKind, true},
        {"gone.wav", SoundFileKind, false},
        {"odd.mp", VideoFileKind, true}, // counts as sound, then as video (".mpg")
        {"noext", 3, true},
        {"film.mpeg", VideoFileKind, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        dialog.SelectKind(3); // nothing selected
        d.Engine->Url.clear();
        const QString path = dir.File(c.Name);
        if (c.Loads) {
            ASSERT_TRUE(MakeFile(path, "x"));
        }
        dialog.OpenMediaFile(path);
        EXPECT_EQ(dialog.CurrentKind(), c.Kind);
        EXPECT_EQ(d.Engine->Url, c.Loads ? path : QString());
        EXPECT_EQ(dialog.GetMediaFileName(), c.Loads && c.Kind != 3 ? path : QString());
        if (!c.Loads) {
            EXPECT_FALSE(dialog.Play());
        }
        dialog.Engine()->Close();
    }
    // A narrower sound filter decides too.
    dialog.SoundFilter = QStringLiteral("Wave-filer|*.wav");
    dialog.SelectKind(3);
    dialog.OpenMediaFile(dir.File("song.MP3"));
    EXPECT_EQ(dialog.CurrentKind(), 3);
}

TEST(MediaDialog, UnplayableMediaEndAsAStop)
{
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    TempDir dir;
    ASSERT_TRUE(MakeFile(dir.File("bad.wav"), "x"));
    for (bool noLength : {false, true}) {
        SCOPED_TRACE(noLength);
        const int before = d.Ends;
        dialog.OpenMediaFile(dir.File("bad.wav"));
        dialog.SetStartPosition(100);
        EXPECT_FALSE(dialog.Play());
        if (noLength)
            d.Engine->Loaded(0.0);
        else
            d.Engine->Broken();
        QCoreApplication::processEvents();
        EXPECT_FALSE(dialog.Service().Probing());
        EXPECT_FALSE(dialog.Service().PlayPending());
        EXPECT_EQ(d.Ends, before + 1);
        EXPECT_TRUE(dialog.LastError().startsWith("Mediet kan inte spelas"))
            << qPrintable(dialog.LastError());
        EXPECT_FALSE(dialog.Play());
        EXPECT_EQ(dialog.GetStartPosition(), -1);
    }
}

TEST(MediaDialog, RealEnginePlaysTheHeldStretchAndStopsItself)
{
    EngineOutputs outputs;
    TempDir dir;
    const QString wav = dir.File("tone.wav");
    ASSERT_TRUE(Support::WriteWav(wav, 6000));
    TMediaDialog dialog;
    int ends = 0;
    QList<int> states;
    QElapsedTimer clock;
    qint64 playedMs = -1;
    double startedAt = -1;
    // Connected after the dialog, so this sees each state once the dialog has handled it.
    QObject::connect(dialog.Engine(), &PlaybackEngine::PlayStateChange, [&](int s) {
        states.append(dialog.Service().Probing() ? -s : s);
        if (s == PlaybackEngine::Playing) {
            clock.start();
            startedAt = dialog.Engine()->Position();
        } else if (s == PlaybackEngine::Stopped && clock.isValid()) {
            playedMs = clock.elapsed();
        }
    });
    dialog.OnEndOfPlay = [&](QObject*) { ++ends; };

    dialog.OpenMediaFile(wav);
    dialog.SetStartPosition(5000);
    dialog.SetStopPosition(5400);
    EXPECT_FALSE(dialog.Play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ends > 0; }, 3000));
    EXPECT_DOUBLE_EQ(startedAt, 5.0);
    // Not cut short, and stopped by the stretch's end rather than the file's (1 s on): a busy
    // machine only makes the report come later, so the upper bound leaves room for that.
    EXPECT_GE(playedMs, 340);
    EXPECT_LT(playedMs, 900);
    QTest::qWait(100);
    EXPECT_EQ(ends, 1);
    // Nothing played while probing: the only Playing came after it.
    EXPECT_EQ(states.count(3), 1);
    EXPECT_EQ(states.indexOf(-3), -1);
    EXPECT_EQ(dialog.PlayState(), PlaybackEngine::Stopped);
    EXPECT_EQ(dialog.GetStartPosition(), 5000);
    EXPECT_EQ(dialog.GetStopPosition(), 5400);
    EXPECT_EQ(dialog.GetPlayPosition(), 5000);
    EXPECT_EQ(dialog.Stop(), 0);
    EXPECT_EQ(ends, 1);
}

TEST(MediaDialog, RealEnginePauseAndResume)
{
    EngineOutputs outputs;
    TempDir dir;
    const QString mp3 = dir.File("tone.MP3");
    ASSERT_TRUE(Support::WriteWav(dir.File("tone.wav"), 3000));
    ASSERT_EQ(QProcess::execute("lame", {"--quiet", dir.File("tone.wav"), mp3}), 0);
    TMediaDialog dialog;
    int ends = 0;
    dialog.OnEndOfPlay = [&](QObject*) { ++ends; };
    dialog.OpenMediaFile(mp3);
    ASSERT_EQ(dialog.CurrentKind(), SoundFileKind);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.Service().Probing(); }, 3000));
    // Loaded and stopped: callers that wait while the service is busy (above 2) go on.
    EXPECT_EQ(dialog.PlayState(), PlaybackEngine::Stopped);
    EXPECT_EQ(ends, 0);
    EXPECT_NEAR(dialog.GetStopPosition(), 3000, 60);
    dialog.SetStartPosition(1000);
    ASSERT_TRUE(dialog.Play());
    QTest::qWait(300);
    ASSERT_EQ(dialog.Pause(), 1);
    EXPECT_EQ(ends, 1);
    const double paused = dialog.Engine()->Position();
    EXPECT_NEAR(paused, 1.3, 0.1);
    ASSERT_TRUE(dialog.Play());
    QTest::qWait(150);
    EXPECT_GT(dialog.Engine()->Position(), paused + 0.05);
    EXPECT_EQ(dialog.Stop(), 1);
    EXPECT_EQ(ends, 2);
}

TEST(MediaDialog, CdTrackPlaysExactlyItsOwnSound)
{
    TempDir dir;
    const QString played = dir.File("played.wav");
    EngineOutputs outputs("pcm", played.toLocal8Bit());
    const QString cue =
        Support::WriteCdImage(dir.Path(), "disc", {{75, 440}, {75 * 2 + 20, 1000}, {75, 660}});
    Support::CdDriveOverride drives({cue});
    Support::ScriptedPrompts prompts;
    TMediaDialog dialog;
    int ends = 0;
    dialog.OnEndOfPlay = [&](QObject*) { ++ends; };
    dialog.SelectKind(SoundFileKind);
    ASSERT_TRUE(dialog.LocateCD());
    EXPECT_EQ(dialog.TrackCount(), 3);
    EXPECT_EQ(dialog.CurrentKind(), CDKind);
    EXPECT_EQ(dialog.TrackComboBox->itemText(1), "Spår 2");
    dialog.SelectTrack(2);
    dialog.SetStartPosition(-1);
    dialog.SetStopPosition(-1);
    EXPECT_FALSE(dialog.Play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ends > 0; }, 5000));
    EXPECT_EQ(dialog.GetStopPosition(), 2267); // 170 sectors
    const Heard heard = Listen(played);
    // The file output writes what the engine decodes ahead, also while it waits paused before a
    // seek, so on a busy machine part of the track can appear twice in the file. The tone shows
    // that only track 2 was played (its neighbours are 440 and 660 Hz); the length, that all of
    // it was.
    EXPECT_GE(heard.Frames, 170 * 588 - 2000);
    EXPECT_LE(heard.Frames, 2 * 170 * 588);
    EXPECT_NEAR(heard.Frequency, 1000, 5);
    EXPECT_TRUE(prompts.Asked().empty());
}

TEST(MediaDialog, CdDrivesAndMissingDiscs)
{
    EngineOutputs outputs;
    TempDir dir;
    const QString first = Support::WriteCdImage(dir.Path(), "one", {{75, 440}});
    const QString second = Support::WriteCdImage(dir.Path(), "two", {{75, 440}, {75, 880}});
    {
        Support::CdDriveOverride drives({first, dir.File("missing.cue"), second, dir.Path()});
        Support::ScriptedPrompts prompts;
        TMediaDialog dialog;
        EXPECT_TRUE(dialog.LocateCD());
        EXPECT_EQ(dialog.Service().DriveIndex(), 2); // the later drive wins
        EXPECT_EQ(dialog.TrackCount(), 2);
        EXPECT_TRUE(prompts.Asked().empty());
    }
    {
        Support::CdDriveOverride drives({});
        Support::ScriptedPrompts prompts;
        prompts.Button(QMessageBox::Ok).Button(QMessageBox::Ok).Button(QMessageBox::Ok);
        TMediaDialog dialog;
        EXPECT_FALSE(dialog.LocateCD());
        EXPECT_EQ(dialog.TrackCount(), -1);
        dialog.PrepareCD();
        EXPECT_FALSE(dialog.Service().Probing());
        ASSERT_EQ(prompts.Asked().size(), 3u);
        for (const PromptRequest& r : prompts.Asked()) {
            EXPECT_EQ(r.Caption, "Ingen CD-skiva");
            EXPECT_EQ(r.Text, "Sätt i en CD-skiva!");
            EXPECT_EQ(r.Buttons, QMessageBox::Ok);
        }
        dialog.SelectTrack(1); // nothing to select
        EXPECT_EQ(dialog.CurrentKind(), 3);
    }
}

// What the dialog offers the carer limits the list it shows, not what its callers may play: the
// player plays a CD track after the editor has offered only video files.
TEST(MediaDialog, KindsNotOfferedStillPlay)
{
    TempDir dir;
    Support::CdDriveOverride drives({Support::WriteCdImage(dir.Path(), "disc", {{75, 440}})});
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    dialog.SetOfferedKinds(1 << VideoFileKind);
    dialog.SelectKind(CDKind);
    EXPECT_EQ(dialog.CurrentKind(), CDKind);
    EXPECT_EQ(dialog.DeviceComboBox->currentIndex(), -1);
    EXPECT_EQ(dialog.TrackCount(), 1);
    dialog.SelectTrack(1);
    EXPECT_FALSE(dialog.Play());
    d.Engine->Loaded(1.0);
    QCoreApplication::processEvents();
    EXPECT_EQ(d.Engine->State, ScriptedEngine::Playing);
}

TEST(MediaDialog, RealEngineCorruptFileEndsAsAStop)
{
    EngineOutputs outputs;
    TempDir dir;
    ASSERT_TRUE(MakeFile(dir.File("bad.mp3"), QByteArray(8192, '\x3c')));
    TMediaDialog dialog;
    int ends = 0;
    dialog.OnEndOfPlay = [&](QObject*) { ++ends; };
    dialog.OpenMediaFile(dir.File("bad.mp3"));
    EXPECT_FALSE(dialog.Play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ends > 0; }, 3000));
    EXPECT_FALSE(dialog.Service().Probing());
    EXPECT_EQ(dialog.PlayState(), PlaybackEngine::Stopped);
    EXPECT_TRUE(dialog.LastError().startsWith(
        "Mediet kan inte spelas: filens innehåll är inte ljud eller video av något känt slag ("))
        << qPrintable(dialog.LastError());
    EXPECT_FALSE(dialog.Play());
    QTest::qWait(100);
    EXPECT_EQ(ends, 1);
}

TEST(MediaDialog, VideoPlaysFullScreenAndPassesKeysAndClicksOn)
{
    EngineOutputs outputs("null", {}, true);
    TempDir dir;
    const QString avi = dir.File("clip.avi");
    ASSERT_TRUE(Support::WriteRedClip(avi, 1));
    TMediaDialog dialog;
    int ends = 0;
    QList<int> keys;
    QList<QPoint> clicks;
    dialog.OnEndOfPlay = [&](QObject*) { ++ends; };
    dialog.OnPlayerKeyDown = [&](QObject* sender, int& key, Qt::KeyboardModifiers shift) {
        EXPECT_EQ(sender, &dialog);
        EXPECT_EQ(shift, Qt::NoModifier);
        keys.append(key);
    };
    dialog.OnPlayerMouseDown = [&](QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers,
                                   int x, int y) {
        EXPECT_EQ(sender, &dialog);
        EXPECT_EQ(button, Qt::LeftButton);
        clicks.append(QPoint(x, y));
    };
    dialog.OpenMediaFile(avi);
    ASSERT_EQ(dialog.CurrentKind(), VideoFileKind);
    dialog.Play();
    Tonlyra::VideoWindow* video = dialog.VideoWindow;
    ASSERT_TRUE(QTest::qWaitFor([&] { return video->isVisible(); }, 3000));
    EXPECT_TRUE(video->isFullScreen());
    EXPECT_EQ(video->geometry(), QGuiApplication::primaryScreen()->geometry());
    // A frame of the red clip reaches the window.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Support::ShowsRed(video); }, 2000));
    QTest::keyClick(video, Qt::Key_Space);
    QTest::keyClick(video, Qt::Key_Return);
    QTest::mouseClick(video, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    EXPECT_EQ(keys, (QList<int>{32, 13}));
    EXPECT_EQ(clicks, (QList<QPoint>{QPoint(10, 20)}));
    // Full screen ends with the video.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ends > 0; }, 3000));
    EXPECT_FALSE(video->isVisible());
    EXPECT_EQ(ends, 1);
}

TEST(MediaDialog, DiscChangeRebuildsTheTrackList)
{
    EngineOutputs outputs;
    TempDir dir;
    const QString first = Support::WriteCdImage(dir.Path(), "one", {{75, 440}});
    const QString second = Support::WriteCdImage(dir.Path(), "two", {{75, 440}, {75, 880}});
    auto drives = std::make_unique<Support::CdDriveOverride>(QStringList{first});
    Support::ScriptedPrompts prompts;
    prompts.Button(QMessageBox::Ok);
    TMediaDialog dialog;
    dialog.SelectKind(CDKind);
    ASSERT_EQ(dialog.TrackComboBox->count(), 1);

    drives.reset();
    drives = std::make_unique<Support::CdDriveOverride>(QStringList{second});
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.TrackComboBox->count() == 2; }, 5000));

    // The disc taken out: the message, and an empty list.
    drives.reset();
    drives = std::make_unique<Support::CdDriveOverride>(QStringList{dir.File("none.cue")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return prompts.Asked().size() == 1; }, 5000));
    EXPECT_EQ(dialog.TrackComboBox->count(), 0);
    EXPECT_EQ(dialog.CurrentKind(), CDKind);

    // Not watched for other kinds.
    dialog.SelectKind(SoundFileKind);
    drives.reset();
    drives = std::make_unique<Support::CdDriveOverride>(QStringList{second});
    QTest::qWait(2300);
    EXPECT_EQ(dialog.CurrentKind(), SoundFileKind);
    EXPECT_EQ(prompts.Asked().size(), 1u);
}

TEST(MediaDialog, ExecuteKeepsThePositionsReadableAfterOk)
{
    EngineOutputs outputs;
    TempDir dir;
    const QString wav = dir.File("tone.wav");
    ASSERT_TRUE(Support::WriteWav(wav, 2000));
    TMediaDialog dialog;
    dialog.SetOfferedKinds(1 << SoundFileKind);
    dialog.SetAcceptedKinds(1 << SoundFileKind);
    dialog.SelectKind(SoundFileKind);
    dialog.OpenMediaFile(wav);
    dialog.SetStartPosition(500);
    dialog.SetStopPosition(1500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.Service().Probing(); }, 3000));
    EXPECT_TRUE(dialog.OKButton->isEnabled());
    QTimer::singleShot(50, &dialog, [&] {
        dialog.Play();
        QTimer::singleShot(100, dialog.OKButton, &QPushButton::click);
    });
    // The real modal dialog, closed by the OK button above.
    const QByteArray noModal = qgetenv("TONLYRA_NO_MODAL");
    qunsetenv("TONLYRA_NO_MODAL");
    const bool ok = dialog.Execute();
    qputenv("TONLYRA_NO_MODAL", noModal);
    ASSERT_TRUE(ok);
    EXPECT_EQ(dialog.GetStartPosition(), 500);
    EXPECT_EQ(dialog.GetStopPosition(), 1500);
    EXPECT_EQ(dialog.GetMediaFileName(), wav);
    EXPECT_EQ(dialog.PlayState(), PlaybackEngine::Stopped);
    QTest::qWait(20);
    EXPECT_EQ(dialog.PlayState(), PlaybackEngine::Undefined); // closed after the caller's turn
}

TEST(MediaDialog, ExecuteIsAnsweredWithoutBlocking)
{
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    EXPECT_FALSE(dialog.Execute()); // no answer: cancelled at once
    Support::ScriptedPrompts prompts;
    prompts.Dialog([](QDialog& shown) {
        static_cast<TMediaDialog&>(shown).SelectKind(SoundFileKind);
        return true;
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.CurrentKind(), SoundFileKind);
    EXPECT_FALSE(dialog.isVisible());
}
