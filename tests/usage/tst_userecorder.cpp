// Timelines of presses, through the switch timings and the use log's recorder on a clock the
// test moves, against the log lines written: what counted and what did not and why, hold times,
// and reaction times measured from the frame's arrival.

#include "platform/KeyCodes.h"
#include "tests/support/ManualClock.h"
#include "tests/support/TestSupport.h"
#include "usage/UseRecorder.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace Tonlyra;
using namespace Tonlyra::Test;

namespace {

constexpr int Space = KeyCode::Space;
constexpr int Enter = KeyCode::Enter;

// One moment: a switch down ('v') or up ('^'), the frame on a cell ('f') or a row ('r': Cell is
// the row's first cell), or the log closed ('x').
struct Moment
{
    int At;
    char What;
    int Value;
};

// A player in miniature: Enter chooses what the frame stands on (a row is chosen, then its
// cells are scanned), Space chooses the next cell in the stepping modes.
class MiniPlayer
{
public:
    MiniPlayer(ManualClock& clock, const QString& logPath, ControlMode mode,
               const UserSettings& timings)
        : Filter(&Context), Recorder(Filter), Mode(mode)
    {
        Filter.SetClock(&clock);
        Filter.SetTimings(timings);
        Recorder.SetWallTimeAtZero(QDateTime(QDate(2026, 3, 2), QTime(10, 0)));
        Recorder.SetFile(std::make_unique<UseLogFile>(logPath));
    }

    void Run(ManualClock& clock, const std::vector<Moment>& timeline)
    {
        for (const Moment& m : timeline) {
            clock.AdvanceTo(m.At);
            switch (m.What) {
            case 'v': {
                const PressSource source = m.Value == Space ? PressSource::Switch1
                                                            : PressSource::Switch2;
                Recorder.SwitchDown(m.Value, source, QStringLiteral("Djur, stora.cdu"), Mode);
                Filter.Press(m.Value, [this, id = m.Value] {
                    auto acting = Recorder.Acting(id);
                    Counted(id);
                });
                break;
            }
            case '^':
                Filter.Release(m.Value);
                Recorder.SwitchUp(m.Value);
                break;
            case 'f':
                Frame = m.Value;
                RowFrame = false;
                Recorder.FrameAt(m.Value, 1);
                break;
            case 'r':
                Frame = m.Value;
                RowFrame = true;
                Recorder.FrameAt(m.Value, Cols);
                break;
            case 'x':
                Recorder.SetFile(nullptr);
                break;
            }
        }
    }

private:
    void Counted(int id)
    {
        if (Mode == ControlMode::TwoSwitchControl && id == Space) {
            ++Frame;
            Recorder.CellChosen(Frame, QStringLiteral("Ruta %1").arg(Frame));
        } else if (id == Enter && RowFrame) {
            Recorder.RowChosen(Frame, Cols);
            RowFrame = false;
            Recorder.FrameAt(Frame, 1);
            return; // a row is no choice: no pause after it
        } else if (id == Enter) {
            Recorder.CellChosen(Frame, QStringLiteral("Ruta %1").arg(Frame));
        } else {
            return;
        }
        Filter.ChoiceMade();
    }

    QObject Context;
    SwitchPressFilter Filter;
    UseRecorder Recorder;
    ControlMode Mode;
    int Frame = 0;
    bool RowFrame = false;
    static constexpr int Cols = 3;
};

UserSettings Timings(int acceptance, int ignoreRepeat, int pause)
{
    UserSettings s;
    s.AcceptanceTime = acceptance;
    s.IgnoreRepeatTime = ignoreRepeat;
    s.PauseAfterChoice = pause;
    return s;
}

QStringList LogLines(const QString& path)
{
    QStringList lines = QString::fromUtf8(ReadAll(path)).split(u'\n');
    EXPECT_EQ(lines.value(0).toUtf8(), UseLogHeader().chopped(1));
    EXPECT_TRUE(lines.last().isEmpty()); // every line ended
    return lines.mid(1, lines.size() - 2);
}

} // namespace

TEST(UseRecorder, PressTimelinesWriteTheirRows)
{
    struct Case
    {
        const char* Name;
        ControlMode Mode;
        UserSettings Timings;
        std::vector<Moment> Timeline;
        QStringList Lines;
    };
    const ControlMode scan = ControlMode::OneSwitchScanControl;
    const QString at = QStringLiteral("2026-03-02 10:00:");
    const QString overlay = QStringLiteral("\"Djur, stora.cdu\"");
    const auto line = [&](const char* time, const char* rest) {
        return at + QLatin1String(time) + u',' + overlay + u',' + QString::fromUtf8(rest);
    };
    const Case cases[] = {
        {"a choice: hold time and reaction time from the frame's arrival",
         scan,
         Timings(0, 0, 0),
         {{1000, 'f', 3}, {1400, 'v', Enter}, {1520, '^', Enter}},
         {line("01.400", "3,Ruta 3,val,brytare 2,One-switch scan,120,,400")}},
        {"the reaction time runs from the frame's step, not from the press before",
         scan,
         Timings(0, 0, 0),
         {{0, 'f', 2},
          {300, 'v', Enter},
          {400, '^', Enter},
          {1000, 'f', 3},
          {1100, 'f', 3}, // the frame drawn again where it stood
          {1250, 'v', Enter},
          {1300, '^', Enter}},
         {line("00.300", "2,Ruta 2,val,brytare 2,One-switch scan,100,,300"),
          line("01.250", "3,Ruta 3,val,brytare 2,One-switch scan,50,,250")}},
        {"too short for the acceptance time, then held long enough",
         scan,
         Timings(200, 0, 0),
         {{0, 'f', 3}, {100, 'v', Enter}, {150, '^', Enter}, {500, 'v', Enter}, {800, '^', Enter}},
         {line("00.100", ",,ej räknad,brytare 2,One-switch scan,50,för kort,"),
          line("00.500", "3,Ruta 3,val,brytare 2,One-switch scan,300,,500")}},
        {"a repeat within the ignore-repeat time",
         scan,
         Timings(0, 500, 0),
         {{0, 'f', 1}, {100, 'v', Enter}, {200, '^', Enter}, {400, 'v', Enter}, {450, '^', Enter},
          {750, 'v', Enter}, {800, '^', Enter}},
         {line("00.100", "1,Ruta 1,val,brytare 2,One-switch scan,100,,100"),
          line("00.400", ",,ej räknad,brytare 2,One-switch scan,50,upprepning,"),
          line("00.750", "1,Ruta 1,val,brytare 2,One-switch scan,50,,750")}},
        {"a press in the pause after a choice, of another switch too",
         scan,
         Timings(0, 0, 1000),
         {{0, 'f', 1}, {100, 'v', Enter}, {200, '^', Enter}, {600, 'v', Space}, {700, '^', Space}},
         {line("00.100", "1,Ruta 1,val,brytare 2,One-switch scan,100,,100"),
          line("00.600", ",,ej räknad,brytare 1,One-switch scan,100,paus efter val,")}},
        {"the frame moved on while the press waited for its acceptance time",
         scan,
         Timings(200, 0, 0),
         {{0, 'f', 1}, {900, 'v', Enter}, {1000, 'f', 2}, {1300, '^', Enter}},
         {line("00.900", "2,Ruta 2,val,brytare 2,One-switch scan,400,,")}},
        {"row-column scanning: the row, then the cell, each from its own frame",
         ControlMode::OneSwitchScanXYControl,
         Timings(0, 0, 0),
         {{0, 'r', 4}, {700, 'v', Enter}, {800, '^', Enter}, {1900, 'f', 5}, {2300, 'v', Enter},
          {2400, '^', Enter}},
         {line("00.700", "2,,rad,brytare 2,One-switch scan X-Y,100,,700"),
          line("02.300", "5,Ruta 5,val,brytare 2,One-switch scan X-Y,100,,400")}},
        {"stepping with two switches: no reaction times",
         ControlMode::TwoSwitchControl,
         Timings(0, 0, 0),
         {{100, 'v', Space}, {180, '^', Space}},
         {line("00.100", "1,Ruta 1,val,brytare 1,Two-switches,80,,")}},
        {"the log closes with the switch still down: no hold time",
         scan,
         Timings(0, 0, 0),
         {{0, 'f', 2}, {100, 'v', Enter}, {300, 'x', 0}, {400, '^', Enter}},
         {line("00.100", "2,Ruta 2,val,brytare 2,One-switch scan,,,100")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const QString path = dir.File(QStringLiteral("logg/Anna.csv"));
        ManualClock clock;
        {
            MiniPlayer player(clock, path, c.Mode, c.Timings);
            player.Run(clock, c.Timeline);
        }
        const QStringList lines = LogLines(path);
        EXPECT_EQ(lines, c.Lines);
    }
}

TEST(UseRecorder, WithoutAFileNothingIsKept)
{
    SwitchPressFilter presses(nullptr);
    UseRecorder recorder(presses);
    recorder.SwitchDown(Enter, PressSource::Switch2, QStringLiteral("a.cdu"),
                        ControlMode::OneSwitchScanControl);
    auto acting = recorder.Acting(Enter);
    recorder.CellChosen(1, QStringLiteral("Ruta 1"));
    recorder.SwitchUp(Enter);
    EXPECT_FALSE(recorder.IsOn());
}

TEST(UseRecorder, AChoiceIsItsPressesEvenWhenTheSwitchWasLetGoAndPressedAnewMeanwhile)
{
    // The player lets events run in the middle of a choice: the release, and the next press,
    // can come before the cell is carried out.
    TempDir dir;
    const QString path = dir.File(QStringLiteral("Anna.csv"));
    ManualClock clock;
    {
        SwitchPressFilter presses(nullptr);
        presses.SetClock(&clock);
        UseRecorder recorder(presses);
        recorder.SetWallTimeAtZero(QDateTime(QDate(2026, 3, 2), QTime(10, 0)));
        recorder.LogTo(path);
        recorder.FrameAt(2, 1);
        clock.AdvanceTo(100);
        recorder.SwitchDown(Enter, PressSource::Switch2, QStringLiteral("a.cdu"),
                            ControlMode::OneSwitchScanControl);
        {
            auto acting = recorder.Acting(Enter);
            clock.AdvanceTo(160);
            recorder.SwitchUp(Enter);
            clock.AdvanceTo(200);
            recorder.SwitchDown(Enter, PressSource::Switch2, QStringLiteral("a.cdu"),
                                ControlMode::OneSwitchScanControl);
            recorder.CellChosen(2, QStringLiteral("Ruta 2"));
        }
        clock.AdvanceTo(250);
        recorder.SwitchUp(Enter);
    }
    EXPECT_EQ(LogLines(path),
              QStringList{QStringLiteral(
                  "2026-03-02 10:00:00.100,a.cdu,2,Ruta 2,val,brytare 2,One-switch scan,60,,100")});
}
