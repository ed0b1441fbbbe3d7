#pragma once

#include "usage/UseLog.h"

#include <QDateTime>

#include <map>
#include <memory>
#include <vector>

namespace Tonlyra {

// Makes the rows of the use log from what the player tells it as the user works: switches going
// down and up, the scanning frame moving, cells and rows chosen; the switch timings tell it of
// the presses they do not count. A row waits for its switch to be let go, so that it holds the hold time; the rows
// of switches still down when the log closes are written without it.
//
// Times come from the clock the switch timings run on, so that a test moves both by hand. With
// no file (the log off) every call returns at once.
class UseRecorder
{
public:
    // Listens to presses's presses not counted, and takes its times from presses's clock.
    explicit UseRecorder(SwitchPressFilter& presses);
    ~UseRecorder();
    UseRecorder(const UseRecorder&) = delete;
    UseRecorder& operator=(const UseRecorder&) = delete;

    // Where the rows go from now on; nullptr turns the log off. Rows still waiting go to the
    // file they were meant for.
    void SetFile(std::unique_ptr<UseLogFile> file);
    UseLogFile* File() const { return Log.get(); }
    // Logs to the file at path (opened when it is not the one in use); an empty path turns the
    // log off.
    void LogTo(const QString& path);
    bool IsOn() const { return Log && Log->IsOn(); }
    // The local time at which the clock read 0 (else it is taken from the system's clocks).
    void SetWallTimeAtZero(const QDateTime& time) { WallAtZero = time; }

    // A switch went down: a press to be judged, in this overlay and mode. A switch already down
    // (the keyboard's repetition) is no new press. The player tells SwitchUp after it has
    // handled the release, so that a choice made on the release is the press's own.
    void SwitchDown(int switchId, PressSource source, const QString& overlay, ControlMode mode);
    // The switch timings did not count the press of a switch.
    void PressIgnored(int switchId, IgnoredPress why);
    // The switch came up: its rows are written.
    void SwitchUp(int switchId);

    // What is known of a press (below).
    struct Press;

    // The press whose handling runs now (the choices made meanwhile are its own), for the
    // lifetime of the returned object; also when its switch is let go, or pressed anew, while
    // the handling still runs (the player lets events run in the middle of a choice).
    class ActingPress
    {
    public:
        ActingPress(UseRecorder& recorder, int switchId);
        ~ActingPress();
        ActingPress(const ActingPress&) = delete;
        ActingPress& operator=(const ActingPress&) = delete;

    private:
        UseRecorder& Recorder;
        std::shared_ptr<Press> Previous;
    };
    ActingPress Acting(int switchId) { return ActingPress(*this, switchId); }

    // The scanning frame now stands around count cells from firstCell (a cell, or a row of
    // them); firstCell 0: no frame. The time is kept while it stays where it was.
    void FrameAt(int firstCell, int count);
    // The cell was carried out, by the acting press.
    void CellChosen(int cell, const QString& text);
    // The row that begins at firstCell, cols cells long, was chosen by the acting press.
    void RowChosen(int firstCell, int cols);

    // Writes the rows still waiting, without hold times.
    void Flush();

private:
public:
    struct Press
    {
        qint64 DownAt = 0;
        int HoldMs = -1; // once let go
        PressSource Source = PressSource::None;
        QString Overlay;
        ControlMode Mode = ControlMode::None;
        std::vector<UseLogRow> Rows; // waiting for the release
    };

private:
    UseLogRow RowOf(const Press& press, UseEvent event) const;
    void Chosen(UseEvent event, int number, const QString& text, int frameFirst, int frameCount);
    void Write(std::vector<UseLogRow>& rows, int holdMs);

    qint64 Now() const { return Presses.Clock().Now(); }

    SwitchPressFilter& Presses;
    std::unique_ptr<UseLogFile> Log;
    QDateTime WallAtZero;
    std::map<int, std::shared_ptr<Press>> Down; // the switches down, by id
    // The overlay and mode of the last press, for a choice no press is known for.
    QString LastOverlay;
    ControlMode LastMode = ControlMode::None;
    std::shared_ptr<Press> ActingOne;
    int FrameFirst = 0;
    int FrameCount = 0;
    qint64 FrameSince = 0;
};

} // namespace Tonlyra
