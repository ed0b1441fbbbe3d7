// Carrying out a chosen cell on the real player window: introduction then media, the real
// engine playing a cell's stretch, Exit and overlay cells with their save questions, IR commands
// on a pseudo-terminal, the information caption and "Gör paus".

#include "media/IRDialogUnit.h"
#include "tests/media/tst_irfakeport.h"
#include "tests/player/PlayerTestFixture.h"

#include <QElapsedTimer>
#include <QMenuBar>
#include <QProcess>
#include <QSlider>

using namespace Tonlyra;
using namespace Tonlyra::Test;

class PlayerSelectionTest : public PlayerFixture
{
};

TEST_F(PlayerSelectionTest, OneSwitchStepPlaysTheIntroductionThenTheMediaBetweenTheirPositions)
{
    const QString intro = MediaFile(QStringLiteral("intro.wav"));
    const QString media = MediaFile(QStringLiteral("media.wav"));
    CellSpec cell{QStringLiteral("SoundFile"), media, intro, 20000, 90000, 1000, 3000};
    UserSettings settings = Settings(ControlMode::OneSwitchControl);
    settings.PlaySound = true;
    Start(WriteOverlay(QStringLiteral("Intro.cdu"), 1, 2, {{1, cell}}), settings);
    EXPECT_FALSE(PlayerForm->CellPanelOf(1)->isVisible());

    // What the service holds while each plays; the introduction is ended when it has been seen.
    struct Seen
    {
        QString Url;
        int Start, Stop;
        bool PausEnabled, Intro;
    };
    QList<Seen> seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (Playback->PlayState() != PlaybackEngine::Playing ||
            (!seen.isEmpty() && seen.last().Url == Engine->Url))
            return;
        seen.append({Engine->Url, Playback->StartStepValue() * Playback->StepMs(),
                     Playback->StopStepValue() * Playback->StepMs(), PlayerForm->IsPausEnabled(),
                     PlayerForm->IntroPlaying});
        if (Engine->Url == intro)
            Engine->Finish();
    });
    watch.start(5);

    Click(Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 2; }, 3000));
    EXPECT_EQ(seen[0].Url, intro);
    EXPECT_EQ(seen[0].Start, 1000);
    EXPECT_EQ(seen[0].Stop, 3000);
    EXPECT_TRUE(seen[0].Intro);
    EXPECT_EQ(seen[1].Url, media);
    EXPECT_EQ(seen[1].Start, 20000);
    EXPECT_EQ(seen[1].Stop, 90000);
    EXPECT_FALSE(seen[1].Intro);
    EXPECT_TRUE(seen[0].PausEnabled && seen[1].PausEnabled);
    EXPECT_TRUE(IsEnlarged(1));

    // In a stepping mode the played cell stays on screen at the end.
    Engine->Finish();
    EXPECT_TRUE(IsEnlarged(1));
    EXPECT_FALSE(PlayerForm->IsPausEnabled());
}

TEST_F(PlayerSelectionTest, RealEnginePlaysTheCellsStretchAndRestoresTheCellAtItsEnd)
{
    qputenv("TONLYRA_MPV_AO", "null");
    qputenv("TONLYRA_MPV_VO", "null");
    const QString sound = Dir.File(QStringLiteral("ton.wav"));
    ASSERT_TRUE(WriteWav(sound, 1500));
    Start(WriteOverlay(QStringLiteral("Ljud.cdu"), 2, 2,
                       {{2, {QStringLiteral("SoundFile"), sound, {}, 500, 900}}}),
          Settings(ControlMode::MouseControl), true);
    const QRect home = PlayerForm->CellPanelOf(2)->geometry();

    QElapsedTimer clock;
    ClickCell(2);
    clock.start();
    EXPECT_TRUE(IsEnlarged(2));
    ASSERT_TRUE(WaitPlaying()) << Playback->LastError().toStdString();
    EXPECT_EQ(Playback->StartStepValue() * Playback->StepMs(), 500);
    EXPECT_EQ(Playback->StopStepValue() * Playback->StepMs(), 900);
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return Playback->PlayState() == PlaybackEngine::Stopped; }, 5000));
    // It played the stretch of 0.4 s, not the whole second and a half.
    EXPECT_LT(clock.elapsed(), 1400);
    EXPECT_EQ(PlayerForm->CellPanelOf(2)->geometry(), home);
    EXPECT_FALSE(PlayerForm->IsPausEnabled());
    qunsetenv("TONLYRA_MPV_AO");
    qunsetenv("TONLYRA_MPV_VO");
}

TEST_F(PlayerSelectionTest, TheOverlaySaysWhatKindOfMediumACellPlaysWhateverItsFileIsCalled)
{
    Start(WriteOverlay(QStringLiteral("Slag.cdu"), 1, 2,
                       {{1, {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("ljud.mp4"))}},
                        {2, {QStringLiteral("VideoFile"), MediaFile(QStringLiteral("film.wav"))}}}),
          Settings(ControlMode::MouseControl));
    struct Case
    {
        int Cell, Kind;
        bool FullScreen;
    } cases[] = {{1, SoundFileKind, false}, {2, VideoFileKind, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Cell);
        ClickCell(c.Cell);
        ASSERT_TRUE(WaitPlaying());
        EXPECT_EQ(Playback->Kind(), c.Kind);
        EXPECT_EQ(Engine->FullScreen(), c.FullScreen);
        Engine->Finish();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !IsEnlarged(c.Cell); }, 2000));
    }
}

TEST_F(PlayerSelectionTest, ExitCellAsksToSaveChangedSettingsAndCancelKeepsTheProgram)
{
    Built = Parts::All; // the settings window asks
    Start(WriteOverlay(QStringLiteral("Slut.cdu"), 1, 2,
                       {{1, {QStringLiteral("Exit"), QStringLiteral("Avsluta")}}}),
          Settings(ControlMode::MouseControl));
    const QRect home = PlayerForm->CellPanelOf(1)->geometry();
    Session->SetSettingsUnsaved(true);
    {
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::Cancel);
        ClickCell(1);
        ASSERT_EQ(prompts.Asked().size(), 1u);
        EXPECT_EQ(prompts.Asked()[0].Caption, QStringLiteral("Spara ändringar"));
        EXPECT_TRUE(PlayerForm->isVisible());
        // The grid is left as it was: the cell in its place, nothing to pause.
        EXPECT_EQ(PlayerForm->CellPanelOf(1)->geometry(), home);
        EXPECT_FALSE(PlayerForm->IsPausEnabled());
    }
    ScriptedPrompts prompts;
    prompts.Button(QMessageBox::No);
    ClickCell(1);
    EXPECT_FALSE(PlayerForm->isVisible());
}

TEST_F(PlayerSelectionTest, OverlayCellOpensItsOverlayUnlessTheSaveQuestionIsCancelled)
{
    Built = Parts::All; // the editor asks
    const QString other = WriteOverlay(QStringLiteral("Annan.cdu"), 2, 3, {});
    const QString first = WriteOverlay(QStringLiteral("Forsta.cdu"), 1, 2,
                                       {{1, {QStringLiteral("OverlayFile"), other}}});
    struct Case
    {
        QMessageBox::StandardButton Answer;
        QString FileName;
        int Cells;
    } cases[] = {{QMessageBox::Cancel, first, 2}, {QMessageBox::No, other, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Answer);
        Start(first, Settings(ControlMode::TwoSwitchScanControl));
        const QRect home = PlayerForm->CellPanelOf(1)->geometry();
        Session->SetOverlayUnsaved(true);
        ScriptedPrompts prompts;
        prompts.Button(c.Answer);
        Click(Qt::Key_Space);
        Click(Qt::Key_Return); // the rebuild runs inside this key's handling
        EXPECT_EQ(prompts.Asked().size(), 1u);
        EXPECT_EQ(Session->OverlayFile(), c.FileName);
        EXPECT_EQ(Session->Overlay().CellCount(), c.Cells);
        QTest::qWait(10); // the old cells are deleted once the handler has returned
        EXPECT_NE(PlayerForm->CellPanelOf(c.Cells), nullptr);
        EXPECT_EQ(PlayerForm->CellPanelOf(c.Cells + 1), nullptr);
        // Either way nothing plays, so there is nothing to pause; a cancelled choice leaves
        // its cell back in its place and framed.
        EXPECT_FALSE(PlayerForm->IsPausEnabled());
        if (c.Answer == QMessageBox::Cancel) {
            EXPECT_EQ(PlayerForm->CellPanelOf(1)->geometry(), home);
            EXPECT_EQ(Marked(), QList<int>{1});
        }
        Destroy();
    }
}

TEST_F(PlayerSelectionTest, ContinuousIRCommandIsSentWhileTheSwitchIsClosed)
{
    FakePort port;
    ASSERT_FALSE(port.Path.isEmpty());
    qputenv("TONLYRA_COM1", port.Path.toLocal8Bit());
    const QByteArray command("!S 3C FF\0", 9);
    const QByteArray stop("!\0\0\0\0\0\0\0\0", 9);
    CellSpec continuous{QStringLiteral("IRString"), QStringLiteral("!S 3C FF")};
    continuous.CommPort = QStringLiteral("COM1");
    CellSpec pulses{QStringLiteral("IRString"), QStringLiteral("!S 3C 07")};
    pulses.CommPort = QStringLiteral("COM1");
    Start(WriteOverlay(QStringLiteral("IR.cdu"), 1, 2, {{1, continuous}, {2, pulses}}),
          Settings(ControlMode::ArrowControl));

    // A click: sent on press, stopped on release; the cell stays in its place.
    ChangeAppliedSettings(*Session,
                          [](UserSettings& s) { s.ControlMode = ControlMode::MouseControl; });
    QTest::mousePress(Face(1), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(port.Read(9), command);
    EXPECT_TRUE(PlayerForm->IRStopPending);
    EXPECT_FALSE(IsEnlarged(1));
    QTest::mouseRelease(Face(1), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(port.Read(9), stop);
    EXPECT_FALSE(PlayerForm->IRStopPending);

    // A switch: the same with Enter; a command with a pulse count needs no stop.
    ChangeAppliedSettings(*Session,
                          [&](UserSettings& s) { s.ControlMode = ControlMode::ArrowControl; });
    Click(Qt::Key_Right); // to cell 1
    Press(Qt::Key_Return);
    EXPECT_EQ(port.Read(9), command);
    Release(Qt::Key_Return);
    EXPECT_EQ(port.Read(9), stop);
    Click(Qt::Key_Right);
    Press(Qt::Key_Return);
    Release(Qt::Key_Return);
    EXPECT_EQ(port.Read(18, 300), QByteArray("!S 3C 07\0", 9));
    qunsetenv("TONLYRA_COM1");
}

TEST_F(PlayerSelectionTest, InformationCaptionShowsTrackLengthAndPlayedTime)
{
    std::vector<TrackSpec> tracks(7, TrackSpec{300, 440.0});
    CdDriveOverride drive({WriteCdImage(Dir.Path(), QStringLiteral("skiva"), tracks)});
    const QString overlay =
        WriteOverlay(QStringLiteral("Cd.cdu"), 1, 2,
                     {{1, {QStringLiteral("ArbitraryCD"), QStringLiteral("7"), {}, -1, 270000}}});
    Start(overlay, Settings(ControlMode::MouseControl));
    const QString head = QStringLiteral("Tonlyran          Cd.cdu          ");

    // The rebuild probes the disc; once that is done the service is idle.
    ASSERT_TRUE(QTest::qWaitFor([this] { return Playback->PlayState() <= 2; }, 2000));
    PlayerForm->VisaInfo->trigger();
    PlayerForm->DisplayTimerTimer();
    EXPECT_EQ(PlayerForm->windowTitle().toStdString(),
              (head + QStringLiteral("Spår: 0   Längd: 00:00   Spelad tid: 00:00")).toStdString());

    ClickCell(1);
    ASSERT_TRUE(WaitPlaying()) << Playback->PlayState() << " " << Engine->Url.toStdString();
    Engine->Pos = 185.0; // 3 min 5 s
    const QString expected = head + QStringLiteral("Spår: 7   Längd: 04:30   Spelad tid: 03:05");
    EXPECT_TRUE(QTest::qWaitFor([&] { return PlayerForm->windowTitle() == expected; }, 2000))
        << PlayerForm->windowTitle().toStdString();

    // While paused the caption stays as it was.
    PlayerForm->PausClick();
    Engine->Pos = 200.0;
    QTest::qWait(450);
    EXPECT_EQ(PlayerForm->windowTitle(), expected);

    PlayerForm->VisaInfo->trigger();
    EXPECT_EQ(PlayerForm->windowTitle(), QStringLiteral("Tonlyran"));
}

TEST_F(PlayerSelectionTest, PauseKeyWithTheMenuBarHiddenPausesAndResumes)
{
    const QString sound = MediaFile(QStringLiteral("ljud.wav"));
    Start(
        WriteOverlay(QStringLiteral("Paus.cdu"), 1, 2, {{1, {QStringLiteral("SoundFile"), sound}}}),
        Settings(ControlMode::MouseControl));
    PlayerForm->HideTitleBar();
    ASSERT_FALSE(PlayerForm->menuBar()->isVisible());
    ClickCell(1);
    ASSERT_TRUE(WaitPlaying());
    const QRect enlarged = PlayerForm->CellPanelOf(1)->geometry();

    Click(Qt::Key_Pause);
    EXPECT_EQ(Playback->PlayState(), PlaybackEngine::Paused);
    EXPECT_TRUE(PlayerForm->Paus->isChecked());
    EXPECT_EQ(PlayerForm->Paus->text(), QStringLiteral("&Fortsätt"));
    // The pause is no end of play: the cell stays enlarged, and clicks and Esc are ignored;
    // a sign over the grid says why.
    EXPECT_EQ(PlayerForm->CellPanelOf(1)->geometry(), enlarged);
    ASSERT_FALSE(PlayerForm->PauseSign.isNull());
    EXPECT_TRUE(PlayerForm->PauseSign->isVisible());
    EXPECT_TRUE(PlayerForm->KnappYta->geometry().contains(PlayerForm->PauseSign->geometry()));
    ClickCell(1);
    Click(Qt::Key_Escape);
    EXPECT_EQ(Playback->PlayState(), PlaybackEngine::Paused);

    Click(Qt::Key_Pause);
    EXPECT_EQ(Playback->PlayState(), PlaybackEngine::Playing);
    EXPECT_FALSE(PlayerForm->Paus->isChecked());
    EXPECT_EQ(PlayerForm->Paus->text(), QStringLiteral("&Gör paus"));
    EXPECT_EQ(PlayerForm->CellPanelOf(1)->geometry(), enlarged);
    EXPECT_TRUE(PlayerForm->PauseSign.isNull());

    // With nothing playing there is nothing to pause: the key changes nothing.
    Engine->Finish();
    ASSERT_EQ(Playback->PlayState(), PlaybackEngine::Stopped);
    PlayerForm->PausClick();
    EXPECT_FALSE(PlayerForm->Paus->isChecked());
    EXPECT_EQ(Playback->PlayState(), PlaybackEngine::Stopped);
}

TEST_F(PlayerSelectionTest, DemoScanningUserScansRowsAndPlaysTheDemoSounds)
{
    qputenv("TONLYRA_MPV_AO", "null");
    qputenv("TONLYRA_MPV_VO", "null");
    const QString demo = SourceDir() + QStringLiteral("/demo");
    const QString overlay = Dir.File(QStringLiteral("Overlays/Demo.cdu"));
    QProcess script;
    script.start(QStringLiteral("bash"), {demo + QStringLiteral("/make-overlay.sh"), overlay});
    ASSERT_TRUE(script.waitForFinished(10000));
    ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();

    Create(QStringList{overlay, demo + QStringLiteral("/Users/Skanning.usr")});
    const UserSettings& settings = Session->Settings();
    EXPECT_EQ(settings.ControlMode, ControlMode::OneSwitchScanXYControl);
    EXPECT_TRUE(settings.PlaySound);
    EXPECT_EQ(settings.ScanDelayTime, 2000);
    PlayerForm->setGeometry(0, 0, 640, 480);
    PlayerForm->show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !PlayerForm->FirstActivation; }, 2000));
    PlayerForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(PlayerForm));
    EXPECT_TRUE(PlayerForm->ScanTimer->isActive());

    // The scan's ticks, played here rather than waited for.
    PlayerForm->ScanTimerTimer();
    EXPECT_EQ(Marked(), QList<int>({1, 2, 3}));
    PlayerForm->ScanTimerTimer();
    EXPECT_EQ(Marked(), QList<int>({4, 5, 6}));
    Click(Qt::Key_Return); // the row: its first cell's introduction, a stretch of its sound
    EXPECT_EQ(Marked(), QList<int>({4}));
    ASSERT_TRUE(WaitPlaying());
    EXPECT_TRUE(PlayerForm->IntroPlaying);
    EXPECT_TRUE(PlayerForm->CellPanelOf(4)->isVisible());
    PlayerForm->ScanTimerTimer(); // skipped: the first cell keeps its mark for a period
    EXPECT_EQ(Marked(), QList<int>({4}));

    Click(Qt::Key_Return); // the cell: its sound plays to the end
    EXPECT_TRUE(IsEnlarged(4));
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            return Playback->PlayState() == PlaybackEngine::Playing && !PlayerForm->IntroPlaying;
        },
        3000));
    EXPECT_TRUE(Playback->MediaFile().endsWith(QStringLiteral("bil.wav")));
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return Playback->PlayState() == PlaybackEngine::Stopped; }, 4000));
    // The scan starts again from the first row.
    EXPECT_FALSE(IsEnlarged(4));
    EXPECT_EQ(Marked(), QList<int>({1, 2, 3}));
    qunsetenv("TONLYRA_MPV_AO");
    qunsetenv("TONLYRA_MPV_VO");
}
