// The switch timings and spoken cells on the real player window: timelines of presses and
// releases run on a clock the test moves (acceptance time, ignored repeats, the pause after a
// choice, for keys and clicks alike), scanning that stops after its rounds and starts again on
// a press, the first step held longer, and cells that speak their text where an introduction
// would play.

#include "tests/player/PlayerTestFixture.h"
#include "tests/support/ManualClock.h"

#include <QFileInfo>
#include <QSlider>
#include <QtEndian>

using namespace Tonlyra;
using namespace Tonlyra::Test;

namespace {

// One moment of a timeline: a switch goes down ('v') or up ('^') at At ms, or the state is
// checked ('='). A switch is a Qt key, or a mouse button on a cell when Cell is given.
struct Moment
{
    int At;
    char What;
    int QtKey = 0;
    int Cell = 0;     // with a mouse press or release: the cell clicked
    int Current = -1; // with a check: CurrentCell
    int Choices = -1; // with a check: cells carried out so far
    int Playing = -1; // with a check: whether the chosen media plays
};

Moment Down(int at, int qtKey)
{
    return {at, 'v', qtKey};
}
Moment Up(int at, int qtKey)
{
    return {at, '^', qtKey};
}
Moment MouseDown(int at, int cell)
{
    return {at, 'v', 0, cell};
}
Moment MouseUp(int at, int cell)
{
    return {at, '^', 0, cell};
}
Moment Current(int at, int cell)
{
    return {at, '=', 0, 0, cell};
}
Moment Chosen(int at, int choices, int playing = -1)
{
    return {at, '=', 0, 0, -1, choices, playing};
}

} // namespace

class SwitchTimingsTest : public PlayerFixture
{
protected:
    // A 2 x 2 overlay of sound cells; their media files are named "<k>.wav".
    QString FourCells()
    {
        std::map<int, CellSpec> cells;
        for (int k = 1; k <= 4; ++k)
            cells[k] = {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("%1.wav").arg(k))};
        return WriteOverlay(QStringLiteral("Fyra.cdu"), 2, 2, cells);
    }
    int Choices() const
    {
        int count = 0;
        for (const QString& url : Engine->Urls)
            count += url.endsWith(QStringLiteral(".wav"));
        return count;
    }
    void Run(const std::vector<Moment>& timeline)
    {
        for (const Moment& m : timeline) {
            SCOPED_TRACE(m.At);
            Clock.AdvanceTo(m.At);
            QCoreApplication::processEvents();
            if (m.What == '=') {
                if (m.Current >= 0) {
                    EXPECT_EQ(PlayerForm->CurrentCell, m.Current);
                }
                if (m.Choices >= 0) {
                    EXPECT_EQ(Choices(), m.Choices);
                }
                if (m.Playing == 1) {
                    EXPECT_TRUE(WaitPlaying());
                } else if (m.Playing == 0) {
                    EXPECT_NE(Playback->PlayState(), PlaybackEngine::Playing);
                }
            } else if (m.Cell > 0) {
                if (m.What == 'v')
                    QTest::mousePress(Face(m.Cell), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
                else
                    QTest::mouseRelease(Face(m.Cell), Qt::LeftButton, Qt::NoModifier,
                                        QPoint(20, 20));
            } else {
                Key(m.What == 'v' ? QEvent::KeyPress : QEvent::KeyRelease, m.QtKey);
            }
        }
    }
    void Start(const QString& overlay, const UserSettings& settings)
    {
        PlayerFixture::Start(overlay, settings);
        PlayerForm->SwitchPresses.SetClock(&Clock);
    }

    ManualClock Clock;
};

TEST_F(SwitchTimingsTest, PressTimelinesForKeysAndClicks)
{
    struct Case
    {
        const char* Name;
        ControlMode Mode;
        int Acceptance, IgnoreRepeat, PauseAfterChoice;
        std::vector<Moment> Timeline;
    };
    const int space = Qt::Key_Space, enter = Qt::Key_Return;
    const Case cases[] = {
        {"no timings: every press acts at once",
         ControlMode::TwoSwitchScanControl,
         0,
         0,
         0,
         {Down(0, space), Current(0, 1), Up(30, space), Down(60, space), Up(90, space),
          Current(90, 2)}},
        {"a press shorter than the acceptance time does nothing",
         ControlMode::TwoSwitchScanControl,
         150,
         0,
         0,
         {Down(0, space), Up(140, space), Current(400, 0)}},
        {"a press held long enough acts when the acceptance time is up",
         ControlMode::TwoSwitchScanControl,
         150,
         0,
         0,
         {Down(0, space), Current(149, 0), Current(150, 1), Up(400, space), Current(400, 1)}},
        {"a double press within the ignore time counts once",
         ControlMode::TwoSwitchScanControl,
         0,
         300,
         0,
         {Down(0, space), Up(50, space), Down(200, space), Up(250, space), Current(250, 1),
          Down(360, space), Up(400, space), Current(400, 2)}},
        {"the ignore time runs from the release of the counted press",
         ControlMode::TwoSwitchScanControl,
         100,
         300,
         0,
         {Down(0, space), Up(150, space), Down(300, space), Up(420, space), Current(420, 1),
          Down(460, space), Current(559, 1), Current(560, 2), Up(600, space)}},
        {"input during the pause after a choice is ignored",
         ControlMode::TwoSwitchScanControl,
         0,
         0,
         1000,
         {Down(0, space), Up(20, space), Down(100, enter), Up(120, enter), Chosen(120, 1, 1),
          // a step now would stop the media
          Down(500, space), Up(520, space), Chosen(520, 1, 1), Down(1150, space), Up(1170, space),
          Chosen(1170, 1, 0)}},
        {"a click shorter than the acceptance time does nothing",
         ControlMode::MouseControl,
         150,
         0,
         0,
         {MouseDown(0, 2), MouseUp(100, 2), Chosen(300, 0), MouseDown(400, 2), Chosen(549, 0),
          Chosen(550, 1, 1), MouseUp(600, 2)}},
        {"clicks during the pause after a choice are ignored",
         ControlMode::MouseControl,
         0,
         0,
         800,
         {MouseDown(0, 1), MouseUp(50, 1), Chosen(50, 1, 1), MouseDown(300, 3), MouseUp(350, 3),
          Chosen(350, 1, 1), MouseDown(900, 3), MouseUp(950, 3), Chosen(950, 1, 0)}},
        {"a double click within the ignore time counts once",
         ControlMode::MouseControl,
         0,
         400,
         0,
         {MouseDown(0, 2), MouseUp(40, 2), Chosen(40, 1, 1), MouseDown(120, 2), MouseUp(160, 2),
          Chosen(160, 1, 1)}},
    };
    const QString overlay = FourCells();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        UserSettings settings = Settings(c.Mode);
        settings.AcceptanceTime = c.Acceptance;
        settings.IgnoreRepeatTime = c.IgnoreRepeat;
        settings.PauseAfterChoice = c.PauseAfterChoice;
        Clock = ManualClock();
        Start(overlay, settings);
        Run(c.Timeline);
        Destroy();
    }
}

TEST_F(SwitchTimingsTest, AcceptanceTimeWithActingOnReleaseAndHeldKeyRepetition)
{
    // Acting on release: the release of a press held long enough acts, a short one does not.
    UserSettings settings = Settings(ControlMode::TwoSwitchScanControl);
    settings.ActOnKeyDown = false;
    settings.AcceptanceTime = 200;
    Start(FourCells(), settings);
    Run({Down(0, Qt::Key_Space), Up(150, Qt::Key_Space), Current(150, 0), Down(300, Qt::Key_Space),
         Current(600, 0), Up(650, Qt::Key_Space), Current(650, 1)});

    // The keyboard's repetition of a key held short of the acceptance time does not act.
    Destroy();
    settings = Settings(ControlMode::TwoSwitchScanControl);
    settings.AcceptanceTime = 200;
    Start(FourCells(), settings);
    Clock.AdvanceTo(0);
    Press(Qt::Key_Space);
    Clock.AdvanceTo(100);
    Key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, true);
    EXPECT_EQ(PlayerForm->CurrentCell, 0);
    Release(Qt::Key_Space);
    Clock.AdvanceTo(500);
    EXPECT_EQ(PlayerForm->CurrentCell, 0);
}

TEST_F(SwitchTimingsTest, ScanningStopsAfterItsRoundsAndAPressStartsItAgain)
{
    UserSettings settings = Settings(ControlMode::OneSwitchScanControl);
    settings.ScanRounds = 2;
    std::map<int, CellSpec> cells{
        {1, {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("1.wav"))}},
        {2, {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("2.wav"))}}};
    Start(WriteOverlay(QStringLiteral("Varv.cdu"), 1, 2, cells), settings);
    const QList<int> rounds[] = {{1}, {2}, {1}, {2}, {}, {}};
    for (const QList<int>& marked : rounds) {
        PlayerForm->ScanTimerTimer();
        EXPECT_EQ(Marked(), marked);
    }
    EXPECT_TRUE(PlayerForm->ScanHalted);

    // The press that brings the frame back chooses nothing; the rounds count from there.
    Click(Qt::Key_Return);
    EXPECT_EQ(Marked(), QList<int>({1}));
    EXPECT_EQ(Choices(), 0);
    for (const QList<int>& marked : {QList<int>{2}, {1}, {2}, {}}) {
        PlayerForm->ScanTimerTimer();
        EXPECT_EQ(Marked(), marked);
    }

    // A press in the middle of the rounds starts the count again.
    Click(Qt::Key_Space); // frame back on cell 1
    PlayerForm->ScanTimerTimer();
    Click(Qt::Key_Space); // a press on cell 2: nothing to do in this mode but it counts
    for (const QList<int>& marked : {QList<int>{1}, {2}, {1}, {2}, {}}) {
        PlayerForm->ScanTimerTimer();
        EXPECT_EQ(Marked(), marked);
    }
}

TEST_F(SwitchTimingsTest, RowColumnScanningStopsAfterItsRoundsAndStartsAgainAtTheFirstRow)
{
    UserSettings settings = Settings(ControlMode::OneSwitchScanXYControl);
    settings.ScanRounds = 1;
    Start(FourCells(), settings);
    for (const QList<int>& marked : {QList<int>{1, 2}, {3, 4}, {}, {}}) {
        PlayerForm->ScanTimerTimer();
        EXPECT_EQ(Marked(), marked);
    }
    Click(Qt::Key_Return); // brings the first row back, does not choose it
    EXPECT_EQ(Marked(), QList<int>({1, 2}));
    EXPECT_FALSE(PlayerForm->ScanInRow);
    Click(Qt::Key_Return); // chooses the row
    EXPECT_EQ(Marked(), QList<int>({1}));
    // Along the row and back to rows; the pass along the row is no new round.
    // (The press that chose the row started the count again: the rows after the pass finish
    // that round, then comes one whole round.)
    for (const QList<int>& marked : {QList<int>{1}, {2}, {1, 2}, {3, 4}, {1, 2}, {3, 4}, {}}) {
        PlayerForm->ScanTimerTimer();
        EXPECT_EQ(Marked(), marked);
    }
}

TEST_F(SwitchTimingsTest, TheFirstStepOfEachRoundIsHeldLonger)
{
    UserSettings settings = Settings(ControlMode::OneSwitchScanControl);
    settings.ScanDelayTime = 1000;
    settings.FirstStepExtraTime = 700;
    Start(FourCells(), settings);
    ASSERT_TRUE(PlayerForm->ScanTimer->isActive());
    struct Step
    {
        int Cell, Interval;
    } steps[] = {{1, 1700}, {2, 1000}, {3, 1000}, {4, 1000}, {1, 1700}, {2, 1000}};
    for (const Step& step : steps) {
        // As the timer would: the tick comes with the timer just started again.
        PlayerForm->ScanTimer->start();
        PlayerForm->ScanTimerTimer();
        EXPECT_EQ(PlayerForm->CurrentCell, step.Cell);
        EXPECT_NEAR(PlayerForm->ScanTimer->interval(), step.Interval, 50) << step.Cell;
    }
    // The speed keys change the period, not the held step.
    while (PlayerForm->CurrentCell != 1) {
        PlayerForm->ScanTimer->start();
        PlayerForm->ScanTimerTimer();
    }
    Click(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_NEAR(PlayerForm->ScanTimer->interval(), 1700, 50);
    PlayerForm->ScanTimer->start();
    PlayerForm->ScanTimerTimer();
    EXPECT_EQ(PlayerForm->ScanTimer->interval(), 1100);
}

// ---- Spoken cells ----

TEST(SpeechCache, MakesEachTextOnceAndKeepsItOnDisk)
{
    TempDir dir;
    SpeechCache cache(dir.File(QStringLiteral("tal")));
    const QString boll = cache.SoundFor(QStringLiteral("Boll"));
    ASSERT_FALSE(boll.isEmpty()) << cache.ErrorText().toStdString();
    EXPECT_TRUE(boll.startsWith(dir.File(QStringLiteral("tal/"))));
    const QByteArray wave = ReadAll(boll);
    ASSERT_GT(wave.size(), 44);
    EXPECT_TRUE(wave.startsWith("RIFF") && wave.mid(8, 8) == "WAVEfmt ");
    const int rate = qFromLittleEndian<quint32>(wave.constData() + 24);
    // A word of speech, without the synthesizer's silence before it.
    EXPECT_GT((wave.size() - 44) / 2, rate / 10);
    EXPECT_GE(std::abs(qFromLittleEndian<qint16>(wave.constData() + 44)), 16);
    EXPECT_EQ(cache.Synthesized(), 1);

    // Found again: by the same object, by another one later, whatever the blanks around it.
    const QDateTime made = QFileInfo(boll).lastModified();
    EXPECT_EQ(cache.SoundFor(QStringLiteral(" Boll\r\n")), boll);
    SpeechCache later(dir.File(QStringLiteral("tal")));
    EXPECT_EQ(later.SoundFor(QStringLiteral("Boll")), boll);
    EXPECT_EQ(cache.Synthesized() + later.Synthesized(), 1);
    EXPECT_EQ(QFileInfo(boll).lastModified(), made);

    const QString heart = cache.SoundFor(QString::fromUtf8("Hjärta"));
    EXPECT_FALSE(heart.isEmpty());
    EXPECT_NE(heart, boll);
    EXPECT_TRUE(cache.SoundFor(QStringLiteral(" \n ")).isEmpty());
    EXPECT_TRUE(cache.ErrorText().isEmpty());

    // A folder that cannot be written: no sound, and why.
    WriteAll(dir.File(QStringLiteral("fil")), "x");
    SpeechCache blocked(dir.File(QStringLiteral("fil/tal")));
    EXPECT_TRUE(blocked.SoundFor(QStringLiteral("Boll")).isEmpty());
    EXPECT_FALSE(blocked.ErrorText().isEmpty());
}

TEST_F(SwitchTimingsTest, ACellWithoutAnIntroductionSpeaksItsTextWhereTheIntroductionWouldPlay)
{
    const QString intro = MediaFile(QStringLiteral("intro.wav"));
    std::map<int, CellSpec> cells{
        {1,
         {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("1.wav")), intro, -1, -1, 100,
          300}},
        {2, {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("2.wav"))}},
        {3, {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("3.wav"))}}};
    const QString overlay = WriteOverlay(QStringLiteral("Tal.cdu"), 1, 3, cells);
    const QString folder = Dir.File(QStringLiteral("tal"));

    struct Case
    {
        bool PlaySound, SpeakCells, Spoken;
    } cases[] = {{true, true, true}, {true, false, false}, {false, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "sound " << c.PlaySound << " speak " << c.SpeakCells);
        UserSettings settings = Settings(ControlMode::TwoSwitchScanControl);
        settings.PlaySound = c.PlaySound;
        settings.SpeakCells = c.SpeakCells;
        Start(overlay, settings);
        PlayerForm->SpokenCells = SpeechCache(folder);
        Click(Qt::Key_Space); // cell 1: its own introduction
        EXPECT_EQ(Engine->Url, c.PlaySound ? intro : QString());
        Click(Qt::Key_Space); // cell 2 has none: its text
        if (c.Spoken) {
            EXPECT_EQ(QFileInfo(Engine->Url).absolutePath(), folder);
            EXPECT_TRUE(PlayerForm->IntroPlaying);
            // Whole, not between the positions of some other introduction.
            EXPECT_EQ(Playback->StartStepValue(), 0);
            const QString spoken = Engine->Url;
            Click(Qt::Key_Space);
            EXPECT_NE(Engine->Url, spoken); // each cell its own text
            EXPECT_EQ(QFileInfo(Engine->Url).absolutePath(), folder);
        } else {
            EXPECT_FALSE(Engine->Url.startsWith(folder));
        }
        Destroy();
    }
    // Two texts made, each once.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
}
