#include "usage/UseRecorder.h"

namespace Tonlyra {

UseRecorder::UseRecorder(SwitchPressFilter& presses)
    : Presses(presses), WallAtZero(QDateTime::currentDateTime().addMSecs(-Now()))
{
    Presses.OnIgnored = [this](int switchId, IgnoredPress why) { PressIgnored(switchId, why); };
}

UseRecorder::~UseRecorder()
{
    Flush();
    Presses.OnIgnored = nullptr;
}

void UseRecorder::SetFile(std::unique_ptr<UseLogFile> file)
{
    Flush();
    Log = std::move(file);
}

void UseRecorder::LogTo(const QString& path)
{
    if (path.isEmpty())
        SetFile(nullptr);
    else if (!Log || Log->Path() != path)
        SetFile(std::make_unique<UseLogFile>(path));
}

void UseRecorder::SwitchDown(int switchId, PressSource source, const QString& overlay,
                             ControlMode mode)
{
    if (!Log || Down.count(switchId))
        return;
    auto record = std::make_shared<Press>();
    Down[switchId] = record;
    Press& press = *record;
    press.DownAt = Now();
    press.Source = source;
    press.Overlay = overlay;
    press.Mode = mode;
    LastOverlay = overlay;
    LastMode = mode;
}

void UseRecorder::PressIgnored(int switchId, IgnoredPress why)
{
    const auto press = Down.find(switchId);
    if (press == Down.end())
        return;
    UseLogRow row = RowOf(*press->second, UseEvent::NotCounted);
    row.Reason = why;
    press->second->Rows.push_back(std::move(row));
}

void UseRecorder::SwitchUp(int switchId)
{
    const auto press = Down.find(switchId);
    if (press == Down.end())
        return;
    press->second->HoldMs = int(Now() - press->second->DownAt);
    Write(press->second->Rows, press->second->HoldMs);
    Down.erase(press);
}

UseRecorder::ActingPress::ActingPress(UseRecorder& recorder, int switchId)
    : Recorder(recorder), Previous(recorder.ActingOne)
{
    const auto press = Recorder.Down.find(switchId);
    Recorder.ActingOne = press == Recorder.Down.end() ? nullptr : press->second;
}

UseRecorder::ActingPress::~ActingPress()
{
    Recorder.ActingOne = Previous;
}

void UseRecorder::FrameAt(int firstCell, int count)
{
    if (firstCell <= 0)
        count = 0;
    if (firstCell == FrameFirst && count == FrameCount)
        return;
    FrameFirst = firstCell;
    FrameCount = count;
    FrameSince = Now();
}

void UseRecorder::CellChosen(int cell, const QString& text)
{
    Chosen(UseEvent::Choice, cell, text, cell, 1);
}

void UseRecorder::RowChosen(int firstCell, int cols)
{
    if (firstCell > 0 && cols > 0)
        Chosen(UseEvent::Row, (firstCell - 1) / cols + 1, QString(), firstCell, cols);
}

void UseRecorder::Chosen(UseEvent event, int number, const QString& text, int frameFirst,
                         int frameCount)
{
    if (!Log)
        return;
    if (!ActingOne) {
        // Nothing is known of the press: the row goes at once, with what is known.
        Press unknown;
        unknown.DownAt = Now();
        unknown.Overlay = LastOverlay;
        unknown.Mode = LastMode;
        UseLogRow row = RowOf(unknown, event);
        row.Cell = number;
        row.CellText = text;
        std::vector<UseLogRow> rows{std::move(row)};
        Write(rows, -1);
        return;
    }
    Press& press = *ActingOne;
    UseLogRow row = RowOf(press, event);
    row.Cell = number;
    row.CellText = text;
    // Measured from the frame's arrival where the press went down, not from the press before:
    // a press that went down before the frame came there has no reaction time.
    if (IsScanningMode(press.Mode) && FrameFirst == frameFirst && FrameCount == frameCount &&
        press.DownAt >= FrameSince)
        row.ReactionMs = int(press.DownAt - FrameSince);
    press.Rows.push_back(std::move(row));
    // A press let go already (while its handling ran) writes at once.
    if (press.HoldMs >= 0)
        Write(press.Rows, press.HoldMs);
}

UseLogRow UseRecorder::RowOf(const Press& press, UseEvent event) const
{
    UseLogRow row;
    const QDateTime at = WallAtZero.addMSecs(press.DownAt);
    row.Day = at.date();
    row.MsOfDay = at.time().msecsSinceStartOfDay();
    row.Overlay = press.Overlay;
    row.Event = event;
    row.Source = press.Source;
    row.Mode = press.Mode;
    return row;
}

void UseRecorder::Write(std::vector<UseLogRow>& rows, int holdMs)
{
    for (UseLogRow& row : rows) {
        row.HoldMs = holdMs;
        if (Log)
            Log->Append(row);
    }
    rows.clear();
}

void UseRecorder::Flush()
{
    for (auto& [id, press] : Down)
        Write(press->Rows, -1);
    Down.clear();
}

} // namespace Tonlyra
