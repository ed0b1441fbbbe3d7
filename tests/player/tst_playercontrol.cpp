// The control modes on the real player window: the moves of the current cell, row-column
// scanning, arrows, the scanning-speed keys, acting on release, choosing on release, key
// repetition, clicks and a settings file with no mode.

#include "player/ControlModes.h"
#include "tests/player/PlayerTestFixture.h"

using namespace Tonlyra;
using namespace Tonlyra::Test;
namespace Moves = Tonlyra::ControlModes;

TEST(ControlModes, StepsRowsAndArrowsIn3x3And2x3)
{
    EXPECT_EQ(Moves::StepNext(0, 9), 1);
    EXPECT_EQ(Moves::StepNext(8, 9), 9);
    EXPECT_EQ(Moves::StepNext(9, 9), 1);

    struct RowCase
    {
        int From, To;
    } rows[] = {{0, 1}, {1, 4}, {4, 7}, {7, 1}, {5, 8}};
    for (const RowCase& c : rows)
        EXPECT_EQ(Moves::NextRow(c.From, 3, 9), c.To) << c.From;

    // Along a row of three: two moves, then back to the row's first cell with the row phase.
    int cell = 4;
    bool inRow = true;
    EXPECT_TRUE(Moves::NextCellInRow(cell, inRow, 3));
    EXPECT_TRUE(Moves::NextCellInRow(cell, inRow, 3));
    EXPECT_EQ(cell, 6);
    EXPECT_FALSE(Moves::NextCellInRow(cell, inRow, 3));
    EXPECT_EQ(cell, 4);
    EXPECT_FALSE(inRow);

    using namespace Tonlyra::KeyCode;
    struct ArrowCase
    {
        int From, Key, To;
    } arrows[] = {
        {0, Left, 1}, {3, Right, 3}, {3, Down, 6}, {6, Down, 6},  {6, Left, 5},  {4, Left, 4},
        {1, Left, 1}, {2, Up, 2},    {5, Up, 2},   {1, Right, 2}, {5, Space, 5},
    };
    for (const ArrowCase& c : arrows)
        EXPECT_EQ(Moves::MoveByArrow(c.From, c.Key, 3, 6), c.To) << c.From << " key " << c.Key;
}

class PlayerControlTest : public PlayerFixture
{
};

TEST_F(PlayerControlTest, TwoSwitchRowColumnScanningIn3x3)
{
    const QString intro = MediaFile(QStringLiteral("intro.wav"));
    std::map<int, CellSpec> cells;
    for (int k = 1; k <= 9; ++k)
        cells[k] = {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("%1.wav").arg(k)), intro};
    UserSettings settings = Settings(ControlMode::TwoSwitchScanXYControl);
    settings.PlaySound = true;
    Start(WriteOverlay(QStringLiteral("Rader.cdu"), 3, 3, cells), settings);

    struct Step
    {
        int QtKey;
        QList<int> Marked;
    } steps[] = {
        {Qt::Key_Space, {1, 2, 3}}, {Qt::Key_Space, {4, 5, 6}}, {Qt::Key_Return, {4}},
        {Qt::Key_Space, {5}},       {Qt::Key_Space, {6}},       {Qt::Key_Space, {4, 5, 6}},
        {Qt::Key_Space, {7, 8, 9}}, {Qt::Key_Space, {1, 2, 3}},
    };
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(index++);
        Click(step.QtKey);
        EXPECT_EQ(Marked(), step.Marked);
        if (step.QtKey == Qt::Key_Return) {
            // Choosing the row plays its first cell's introduction.
            EXPECT_EQ(Engine->Url, intro);
            EXPECT_TRUE(PlayerForm->IntroPlaying);
        }
    }
    // Nothing was carried out: no cell's own media was loaded.
    EXPECT_EQ(Engine->Urls.filter(QStringLiteral("intro.wav")).size(), Engine->Urls.size());
}

TEST_F(PlayerControlTest, RowChosenAndReleasedWhileChoosingOnReleaseScansItsCells)
{
    // Choosing on release sends Enter at each release: pressing space moves to the next row,
    // its release chooses the row, the next press must move along the row.
    std::map<int, CellSpec> cells;
    for (int k = 1; k <= 4; ++k)
        cells[k] = {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("%1.wav").arg(k))};
    UserSettings settings = Settings(ControlMode::TwoSwitchScanXYControl);
    settings.KeyRepetition = true;
    settings.ExecuteOnKeyUp = true;
    Start(WriteOverlay(QStringLiteral("Rad.cdu"), 2, 2, cells), settings);

    Press(Qt::Key_Space);
    EXPECT_EQ(Marked(), QList<int>({1, 2}));
    Release(Qt::Key_Space);
    EXPECT_TRUE(PlayerForm->ScanInRow);
    EXPECT_EQ(Marked(), QList<int>({1}));
    Press(Qt::Key_Space);
    EXPECT_EQ(Marked(), QList<int>({2}));
}

TEST_F(PlayerControlTest, ArrowsIn2x3MoveWithoutWrapping)
{
    Start(WriteOverlay(QStringLiteral("Pilar.cdu"), 2, 3, {}), Settings(ControlMode::ArrowControl));
    PlayerForm->CurrentCell = 3;
    struct Step
    {
        int QtKey, Cell;
    } steps[] = {{Qt::Key_Right, 3}, {Qt::Key_Down, 6}, {Qt::Key_Down, 6}, {Qt::Key_Left, 5}};
    for (const Step& step : steps) {
        Click(step.QtKey);
        EXPECT_EQ(PlayerForm->CurrentCell, step.Cell);
        EXPECT_EQ(Marked(), QList<int>({step.Cell}));
    }
}

TEST_F(PlayerControlTest, ScanningSpeedKeysKeepTheirLimitsAndStoreOnlyAbove200)
{
    struct Case
    {
        int Period;
        int QtKey;
        int NewPeriod;
        int Stored;
    } cases[] = {
        {4950, Qt::Key_Plus, 5050, 5050}, {5000, Qt::Key_Plus, 5000, 5000},
        {300, Qt::Key_Minus, 200, 300},   {250, Qt::Key_Minus, 250, 250},
        {1000, Qt::Key_Minus, 900, 900},
    };
    const QString overlay = WriteOverlay(QStringLiteral("Fart.cdu"), 1, 2, {});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Period);
        UserSettings settings = Settings(ControlMode::OneSwitchScanControl);
        settings.ScanDelayTime = c.Period;
        Start(overlay, settings);
        ASSERT_TRUE(PlayerForm->ScanTimer->isActive());
        Click(c.QtKey, Qt::KeypadModifier);
        EXPECT_EQ(PlayerForm->ScanTimer->interval(), c.NewPeriod);
        EXPECT_EQ(Session->Settings().ScanDelayTime, c.Stored);
        EXPECT_EQ(Session->SettingsUnsaved(), c.Stored != c.Period);
        Destroy();
    }

    // Without scanning the keys do nothing.
    Start(overlay, Settings(ControlMode::TwoSwitchScanControl));
    Click(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_FALSE(Session->SettingsUnsaved());
}

TEST_F(PlayerControlTest, ActingOnReleaseStepsOncePerRelease)
{
    UserSettings settings = Settings(ControlMode::TwoSwitchScanControl);
    settings.ActOnKeyDown = false;
    Start(WriteOverlay(QStringLiteral("Slapp.cdu"), 1, 3, {}), settings);

    for (int expected : {1, 2}) {
        Press(Qt::Key_Space);
        Key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, true); // held: repetition
        EXPECT_EQ(PlayerForm->CurrentCell, expected - 1);
        Release(Qt::Key_Space);
        EXPECT_EQ(PlayerForm->CurrentCell, expected);
    }
    EXPECT_FALSE(PlayerForm->ActOnPress);
}

TEST_F(PlayerControlTest, ChoosingOnReleaseChoosesTheMarkedCellUnlessItsIntroductionPlays)
{
    const QString intro = MediaFile(QStringLiteral("intro.wav"));
    const QString one = MediaFile(QStringLiteral("1.wav"));
    const QString two = MediaFile(QStringLiteral("2.wav"));
    std::map<int, CellSpec> cells = {{1, {QStringLiteral("SoundFile"), one}},
                                     {2, {QStringLiteral("SoundFile"), two, intro}},
                                     {3, {QStringLiteral("SoundFile"), one}}};
    UserSettings settings = Settings(ControlMode::TwoSwitchScanControl);
    settings.PlaySound = true;
    settings.KeyRepetition = true;
    settings.ExecuteOnKeyUp = true;
    Start(WriteOverlay(QStringLiteral("Val.cdu"), 1, 3, cells), settings);

    // Cell 1 has no introduction: the release chooses it.
    Press(Qt::Key_Space);
    EXPECT_EQ(Marked(), QList<int>({1}));
    Release(Qt::Key_Space);
    ASSERT_TRUE(WaitPlaying());
    EXPECT_EQ(Engine->Url, one);
    EXPECT_TRUE(IsEnlarged(1));

    // Esc stops it; its release chooses nothing.
    Press(Qt::Key_Escape);
    EXPECT_EQ(Playback->PlayState(), PlaybackEngine::Stopped);
    EXPECT_FALSE(IsEnlarged(1));
    const int loads = Engine->Urls.size();
    Release(Qt::Key_Escape);
    QTest::qWait(150);
    EXPECT_EQ(Engine->Urls.size(), loads);

    // Cell 2's introduction still plays at the release: nothing is chosen, and the next press
    // steps on.
    Press(Qt::Key_Space);
    EXPECT_EQ(Engine->Url, intro);
    Release(Qt::Key_Space);
    QTest::qWait(150);
    EXPECT_EQ(Engine->Url, intro);
    EXPECT_FALSE(IsEnlarged(2));
    Press(Qt::Key_Space);
    EXPECT_EQ(PlayerForm->CurrentCell, 3);
}

TEST_F(PlayerControlTest, HeldKeyRepeatsAfterTwoPeriodsThenEveryPeriod)
{
    UserSettings settings = Settings(ControlMode::TwoSwitchScanControl);
    settings.KeyRepetition = true;
    Start(WriteOverlay(QStringLiteral("Upprepa.cdu"), 3, 3, {}), settings);

    // The keyboard repeats a held key far more often than the period; the test plays the
    // period's ticks itself.
    auto repeat = [this] {
        for (int i = 0; i < 3; ++i) {
            Key(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, true);
            Key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, true);
        }
    };
    Press(Qt::Key_Space); // 0 s
    EXPECT_TRUE(PlayerForm->KeyRepeatTimer->isActive());
    repeat();
    EXPECT_EQ(PlayerForm->CurrentCell, 1);
    PlayerForm->KeyRepeatTimerTimer(); // 1 period: no step yet
    repeat();
    EXPECT_EQ(PlayerForm->CurrentCell, 1);
    for (int expected : {2, 3, 4}) { // 2, 3 and 4 periods
        PlayerForm->KeyRepeatTimerTimer();
        repeat();
        EXPECT_EQ(PlayerForm->CurrentCell, expected);
    }
    Release(Qt::Key_Space);
    EXPECT_FALSE(PlayerForm->KeyRepeatTimer->isActive());

    // Without repetition a held key acts once.
    ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.KeyRepetition = false; });
    Press(Qt::Key_Space);
    repeat();
    EXPECT_FALSE(PlayerForm->KeyRepeatTimer->isActive());
    EXPECT_EQ(PlayerForm->CurrentCell, 5);
}

TEST_F(PlayerControlTest, ClickOnAPlayingVideoStopsItAndTheNextClickPlaysACell)
{
    const QString video = MediaFile(QStringLiteral("film.avi"));
    const QString sound = MediaFile(QStringLiteral("ljud.wav"));
    const QString picture = Dir.File(QStringLiteral("bild.png"));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(picture));
    const QString overlay = WriteOverlay(
        QStringLiteral("Film.cdu"), 1, 2,
        {{1, {QStringLiteral("VideoFile"), video}}, {2, {QStringLiteral("SoundFile"), sound}}});
    ProfileFile file;
    file.Load(overlay);
    file.WriteString(QStringLiteral("Pictures"), QStringLiteral("1"), picture);
    ASSERT_TRUE(file.Save());
    Start(overlay, Settings(ControlMode::MouseControl));

    TPMultiImage* pictureOfCell = PlayerForm->CellPanelOf(1)->Face()->Picture;
    ASSERT_TRUE(pictureOfCell->isVisible());
    ClickCell(1);
    ASSERT_TRUE(WaitPlaying());
    EXPECT_EQ(Engine->Url, video);
    EXPECT_TRUE(Engine->Full);
    EXPECT_TRUE(IsEnlarged(1));
    EXPECT_FALSE(pictureOfCell->isVisible());

    // The click lands on the full-screen video, which passes it on.
    emit Engine->MouseDown(Qt::LeftButton, Qt::NoModifier, 10, 10);
    emit Engine->MouseUp(Qt::LeftButton, Qt::NoModifier, 10, 10);
    EXPECT_EQ(Playback->PlayState(), PlaybackEngine::Stopped);
    EXPECT_FALSE(IsEnlarged(1));
    EXPECT_TRUE(pictureOfCell->isVisible());
    EXPECT_FALSE(PlayerForm->IsPausEnabled());

    ClickCell(2);
    ASSERT_TRUE(WaitPlaying());
    EXPECT_EQ(Engine->Url, sound);
    EXPECT_TRUE(IsEnlarged(2));
}

TEST_F(PlayerControlTest, NoModeShowsNothingAndOnlyStopsPlayback)
{
    const QString sound = MediaFile(QStringLiteral("ljud.wav"));
    UserSettings settings = Settings(ControlMode::None);
    Start(WriteOverlay(QStringLiteral("Inget.cdu"), 1, 2,
                       {{1, {QStringLiteral("SoundFile"), sound}}}),
          settings);
    EXPECT_FALSE(PlayerForm->ScanTimer->isActive());
    EXPECT_FALSE(PlayerForm->CellPanelOf(1)->isVisible());
    for (int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Right, Qt::Key_1})
        Click(key);
    EXPECT_EQ(PlayerForm->CurrentCell, 0);
    EXPECT_TRUE(Engine->Urls.isEmpty());

    // Playback started some other way stops with Esc, on the window or on the full-screen
    // video, and with a click on the video.
    for (int way = 0; way < 3; ++way) {
        Playback->LoadFile(sound, SoundFileKind);
        Playback->Play();
        ASSERT_TRUE(WaitPlaying());
        if (way == 0) {
            Click(Qt::Key_Escape);
        } else if (way == 1) {
            emit Engine->KeyDown(KeyCode::Escape, Qt::NoModifier);
            emit Engine->KeyUp(KeyCode::Escape, Qt::NoModifier);
        } else {
            emit Engine->MouseDown(Qt::LeftButton, Qt::NoModifier, 1, 1);
        }
        EXPECT_EQ(Playback->PlayState(), PlaybackEngine::Stopped) << way;
    }
}

TEST_F(PlayerControlTest, TypedNumberAndEnterChooseThatCellOnly)
{
    std::map<int, CellSpec> cells;
    for (int k = 1; k <= 12; ++k)
        cells[k] = {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("%1.wav").arg(k))};
    Start(WriteOverlay(QStringLiteral("Tal.cdu"), 3, 4, cells),
          Settings(ControlMode::KeyboardControl));
    EXPECT_FALSE(PlayerForm->CellPanelOf(12)->isVisible());

    struct Case
    {
        QList<int> QtKeys;
        int Played; // 0: nothing
    } cases[] = {
        {{Qt::Key_0, Qt::Key_Return}, 0},
        {{Qt::Key_1, Qt::Key_3, Qt::Key_Return}, 0}, // beyond the overlay
        {{Qt::Key_Return}, 0},                       // nothing typed
        {{Qt::Key_1, Qt::Key_2, Qt::Key_Return}, 12},
        {{Qt::Key_7, Qt::Key_Return}, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Played);
        const int loads = Engine->Urls.size();
        for (int key : c.QtKeys)
            Click(key);
        EXPECT_TRUE(PlayerForm->NumberEntry.isEmpty());
        if (c.Played == 0) {
            EXPECT_EQ(Engine->Urls.size(), loads);
            continue;
        }
        ASSERT_TRUE(WaitPlaying());
        EXPECT_EQ(Engine->Url, cells[c.Played].Media);
        EXPECT_TRUE(IsEnlarged(c.Played));
        Engine->Finish();
    }
    // Only the chosen cell is on screen; the one played before is hidden again.
    EXPECT_FALSE(PlayerForm->CellPanelOf(12)->isVisible());
}

TEST_F(PlayerControlTest, OneSwitchScanStepsOnTicksOnlyWhileActiveAndIdle)
{
    std::map<int, CellSpec> cells;
    for (int k = 1; k <= 4; ++k)
        cells[k] = {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("%1.wav").arg(k))};
    Start(WriteOverlay(QStringLiteral("Skanna.cdu"), 2, 2, cells),
          Settings(ControlMode::OneSwitchScanControl));
    ASSERT_TRUE(PlayerForm->ScanTimer->isActive());

    PlayerForm->ScanTimerTimer();
    PlayerForm->ScanTimerTimer();
    EXPECT_EQ(Marked(), QList<int>({2}));

    // Another window is active: the scan waits.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    PlayerForm->ScanTimerTimer();
    EXPECT_EQ(Marked(), QList<int>({2}));
    other.hide();
    PlayerForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(PlayerForm));

    // The switch chooses the marked cell; the scan waits while it plays; the switch stops it.
    Click(Qt::Key_Return);
    ASSERT_TRUE(WaitPlaying());
    EXPECT_EQ(Engine->Url, cells[2].Media);
    EXPECT_TRUE(IsEnlarged(2));
    PlayerForm->ScanTimerTimer();
    EXPECT_EQ(PlayerForm->CurrentCell, 2);
    Click(Qt::Key_Return);
    EXPECT_EQ(Playback->PlayState(), PlaybackEngine::Stopped);
    EXPECT_FALSE(IsEnlarged(2));
    PlayerForm->ScanTimerTimer();
    EXPECT_EQ(Marked(), QList<int>({3}));
}
