// The control modes: keys, clicks and the two timers move the current cell and choose it, in
// the way the user's settings say.

#include "player/PlayerFormUnit.h"

#include "media/IRDialogUnit.h"
#include "media/PlaybackEngine.h"
#include "media/PlaybackService.h"
#include "media/VideoWindow.h"
#include "platform/KeyCodes.h"
#include "platform/SeatKeyboard.h"
#include "player/ControlModes.h"
#include "session/Session.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace KeyCode = Tonlyra::KeyCode;

namespace {

// The scanning-speed keys keep the period within these bounds.
constexpr int ScanSpeedStepMs = 100;
constexpr int SlowestScanMs = 5000;
constexpr int FastestScanMs = 250;

// The keys that steer in some mode. Their presses, and those of the mouse buttons, go through
// the switch timings; Esc, Pause and the scanning-speed keys are the carer's and act at once.
bool IsSteeringKey(int key)
{
    switch (key) {
    case KeyCode::Space:
    case KeyCode::Enter:
    case KeyCode::Left:
    case KeyCode::Up:
    case KeyCode::Right:
    case KeyCode::Down:
        return true;
    default:
        return key >= KeyCode::Digit0 && key <= KeyCode::Digit9;
    }
}

// How a key press reached the player, for the use log: in the switch modes the inputs of the
// two switches reach the key handlers as Space and Enter; in keyboard and arrow control every
// key is a key.
Tonlyra::PressSource SourceOfKey(int key, ControlMode mode)
{
    if (mode != ControlMode::KeyboardControl && mode != ControlMode::ArrowControl) {
        if (key == KeyCode::Space)
            return Tonlyra::PressSource::Switch1;
        if (key == KeyCode::Enter)
            return Tonlyra::PressSource::Switch2;
    }
    return Tonlyra::PressSource::Key;
}

} // namespace

// ---- Movements ----

void TPlayerForm::StepNext()
{
    CurrentCell = Tonlyra::ControlModes::StepNext(CurrentCell, Session.Overlay().CellCount());
}

void TPlayerForm::NextRow()
{
    CurrentCell = Tonlyra::ControlModes::NextRow(CurrentCell, Session.Overlay().Cols,
                                                 Session.Overlay().CellCount());
}

bool TPlayerForm::NextCellInRow()
{
    return Tonlyra::ControlModes::NextCellInRow(CurrentCell, ScanInRow, Session.Overlay().Cols);
}

void TPlayerForm::MoveByArrow(int key)
{
    CurrentCell = Tonlyra::ControlModes::MoveByArrow(CurrentCell, key, Session.Overlay().Cols,
                                                     Session.Overlay().CellCount());
}

void TPlayerForm::ChooseCell(int cell)
{
    if (!IsCellPlayable(cell))
        return;
    if (!Session.Overlay().IsIRCell(cell))
        EnlargeCell(cell);
    ExecuteCell(cell);
}

// ---- Keys ----

std::optional<int> TPlayerForm::SwitchKeyOf(int switchNumber) const
{
    if (!Tonlyra::IsSwitchMode(Session.Settings().ControlMode))
        return std::nullopt;
    switch (switchNumber) {
    case 1:
        return KeyCode::Space;
    case 2:
        return KeyCode::Enter;
    default:
        return std::nullopt;
    }
}

void TPlayerForm::FormKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift)
{
    const UserSettings& settings = Session.Settings();
    if (const auto steering =
            SwitchKeyOf(Tonlyra::SwitchOfKey(settings.Switch1, settings.Switch2, key))) {
        SwitchDown(key, *steering, SourceOfKey(*steering, settings.ControlMode), sender, shift);
        return;
    }
    // The space bar and Enter steer a switch mode only as one of its switches' inputs.
    if (Tonlyra::IsSwitchMode(settings.ControlMode) &&
        (key == KeyCode::Space || key == KeyCode::Enter))
        return;
    if (!IsSteeringKey(key)) {
        HandleKeyDown(sender, key, shift);
        return;
    }
    SwitchDown(key, key, SourceOfKey(key, settings.ControlMode), sender, shift);
}

void TPlayerForm::FormKeyUp(QObject* sender, int& key, Qt::KeyboardModifiers shift)
{
    const UserSettings& settings = Session.Settings();
    if (const auto steering =
            SwitchKeyOf(Tonlyra::SwitchOfKey(settings.Switch1, settings.Switch2, key))) {
        SwitchUp(key, *steering, sender, shift);
        return;
    }
    if (Tonlyra::IsSwitchMode(settings.ControlMode) &&
        (key == KeyCode::Space || key == KeyCode::Enter))
        return;
    if (!IsSteeringKey(key)) {
        HandleKeyUp(sender, key, shift);
        return;
    }
    SwitchUp(key, key, sender, shift);
}

void TPlayerForm::SwitchDown(int switchId, int key, Tonlyra::PressSource source, QObject* sender,
                             Qt::KeyboardModifiers shift)
{
    UseLog.SwitchDown(switchId, source, QFileInfo(Session.OverlayFile()).fileName(),
                      Session.Settings().ControlMode);
    SwitchPresses.Press(switchId, [this, sender = QPointer<QObject>(sender), switchId, key, shift] {
        const auto acting = UseLog.Acting(switchId);
        int counted = key;
        HandleKeyDown(sender, counted, shift);
    });
}

void TPlayerForm::SwitchUp(int switchId, int key, QObject* sender, Qt::KeyboardModifiers shift)
{
    if (SwitchPresses.Release(switchId)) {
        const auto acting = UseLog.Acting(switchId);
        int released = key;
        HandleKeyUp(sender, released, shift);
    }
    // After the release is handled: a choice made on the release is this press's.
    UseLog.SwitchUp(switchId);
}

void TPlayerForm::JoystickButton(const Tonlyra::SwitchInput& button, int switchId, bool down)
{
    const UserSettings& settings = Session.Settings();
    const auto key = SwitchKeyOf(Tonlyra::SwitchOfPress(settings.Switch1, settings.Switch2, button));
    if (down) {
        // Only while the user works in the player's window (or its full-screen video): a
        // carer in another program must not have the scan choose behind their back.
        const QWidget* active = QApplication::activeWindow();
        if (!key || !active || (active != this && active != Video))
            return;
        JoysticksDown.insert(switchId);
        SwitchDown(switchId, *key, SourceOfKey(*key, settings.ControlMode), this, Qt::NoModifier);
        return;
    }
    // A button let go is the release of its press only where the press was taken.
    if (!JoysticksDown.erase(switchId))
        return;
    SwitchUp(switchId, key.value_or(KeyCode::Space), this, Qt::NoModifier);
}

void TPlayerForm::JoystickLost(int switchId)
{
    // A device pulled out with a button held: the press is forgotten without acting, and the
    // scan, which waits while a switch is held, goes on.
    if (!JoysticksDown.erase(switchId))
        return;
    SwitchPresses.Release(switchId);
    UseLog.SwitchUp(switchId);
    KeyHeld = false;
    KeyRepeatTimer->stop();
}

void TPlayerForm::HandleKeyDown(QObject*, int& key, Qt::KeyboardModifiers)
{
    const UserSettings& settings = Session.Settings();
    if (!KeyRepeatTimer->isActive()) {
        KeyDownSeen = true;
        if (settings.KeyRepetition)
            KeyRepeatTimer->start();
        else
            KeyRepeatTimer->stop();
    }
    // A key still held down, or its keyboard repetition, acts only when the repetition timer
    // has let it.
    if (KeyHeld)
        return;
    KeyHeld = true;

    if (key == KeyCode::KeypadPlus) {
        if (ScanTimer->isActive() && ScanPeriod < SlowestScanMs) {
            SetScanPeriod(ScanPeriod + ScanSpeedStepMs);
            Session.SetScanDelayTime(ScanPeriod);
        }
    }
    if (key == KeyCode::KeypadMinus) {
        if (ScanTimer->isActive() && ScanPeriod > FastestScanMs) {
            SetScanPeriod(ScanPeriod - ScanSpeedStepMs);
            Session.SetScanDelayTime(ScanPeriod);
        }
    }
    if (key == KeyCode::Pause && PausEnabled)
        PausClick();
    if (Paus->isChecked())
        return;
    if (key == KeyCode::Escape) {
        Playback->Stop();
        return;
    }
    if (!ActOnPress)
        return;
    ScanRoundsBegun = 0;
    if (ScanHalted && (key == KeyCode::Space || key == KeyCode::Enter)) {
        RestartScanning();
        return;
    }

    switch (settings.ControlMode) {
    case ControlMode::KeyboardControl:
        KeyboardKey(key);
        break;
    case ControlMode::OneSwitchControl:
        OneSwitchKey(key);
        break;
    case ControlMode::TwoSwitchControl:
        TwoSwitchKey(key);
        break;
    case ControlMode::TwoSwitchScanControl:
        TwoSwitchScanKey(key);
        break;
    case ControlMode::OneSwitchScanControl:
        OneSwitchScanKey(key);
        break;
    case ControlMode::TwoSwitchScanXYControl:
        TwoSwitchScanXYKey(key);
        break;
    case ControlMode::OneSwitchScanXYControl:
        OneSwitchScanXYKey(key);
        break;
    case ControlMode::ArrowControl:
        ArrowKey(key);
        break;
    case ControlMode::MouseControl:
    case ControlMode::None:
        break;
    }
}

void TPlayerForm::HandleKeyUp(QObject* sender, int& key, Qt::KeyboardModifiers shift)
{
    KeyHeld = false;
    KeyRepeatTimer->stop();
    bool replayed = false;
    if (Session.Settings().ExecuteOnKeyUp && key != KeyCode::Escape && key != KeyCode::Pause) {
        // Letting go of a switch chooses.
        int enter = KeyCode::Enter;
        HandleKeyDown(sender, enter, shift);
        KeyRepeatTimer->stop();
        replayed = true;
    }
    if (!ActOnPress) {
        // Acting on release: the key acts now, as if just pressed.
        ActOnPress = true;
        HandleKeyDown(sender, key, shift);
        ActOnPress = false;
        replayed = true;
    }
    // The key is up: a replayed press must not keep the next real press from acting.
    if (replayed)
        KeyHeld = false;
    if (IRStopPending) {
        IRDialog->SendIRStop();
        IRStopPending = false;
    }
}

void TPlayerForm::KeyRepeatTimerTimer()
{
    if (!KeyDownSeen)
        KeyHeld = false;
    KeyDownSeen = false;
}

// ---- The mode handlers ----

void TPlayerForm::KeyboardKey(int key)
{
    if (key >= KeyCode::Digit0 && key <= KeyCode::Digit9) {
        NumberEntry.append(QChar(u'0' + (key - KeyCode::Digit0)));
        return;
    }
    if (key != KeyCode::Enter || NumberEntry.isEmpty())
        return;
    bool isNumber = false;
    const int cell = NumberEntry.toInt(&isNumber);
    NumberEntry.clear();
    CurrentCell = isNumber ? cell : 0;
    Playback->Stop();
    LetPendingEventsRun();
    // Here an IR cell is shown enlarged as well.
    if (IsCellPlayable(CurrentCell)) {
        EnlargeCell(CurrentCell);
        ExecuteCell(CurrentCell);
    }
}

void TPlayerForm::OneSwitchKey(int key)
{
    if (key != KeyCode::Space)
        return;
    if (IsBusy())
        Playback->Stop();
    if (IntroPlaying)
        RestoreCell();
    StepNext();
    LetPendingEventsRun();
    if (IsCellPlayable(CurrentCell)) {
        EnlargeCell(CurrentCell);
        PlayIntro(CurrentCell);
        ExecuteCell(CurrentCell);
    }
}

void TPlayerForm::TwoSwitchKey(int key)
{
    if (key == KeyCode::Space) {
        if (IsBusy())
            Playback->Stop();
        if (IntroPlaying)
            RestoreCell();
        StepNext();
        EnlargeCell(CurrentCell);
        PlayIntro(CurrentCell);
    } else if (key == KeyCode::Enter) {
        if (!IsBusy()) {
            ExecuteCell(CurrentCell);
            KeyHeld = false;
        }
    }
}

void TPlayerForm::TwoSwitchScanKey(int key)
{
    if (key == KeyCode::Space) {
        if (!IsBusy() || IntroPlaying) {
            if (IsBusy())
                Playback->Stop();
            StepNext();
            PlayIntro(CurrentCell);
        } else {
            // The chosen media plays: the step stops it and stays on its cell.
            Playback->Stop();
        }
        MarkCell(CurrentCell);
    } else if (key == KeyCode::Enter) {
        if (!IsBusy()) {
            ChooseCell(CurrentCell);
            KeyHeld = false;
        }
    }
}

void TPlayerForm::OneSwitchScanKey(int key)
{
    if (key != KeyCode::Enter)
        return;
    if (IsBusy() && !IntroPlaying) {
        Playback->Stop();
    } else if (IsCellPlayable(CurrentCell)) {
        Playback->Stop(); // ends the introduction
        LetPendingEventsRun();
        if (!Session.Overlay().IsIRCell(CurrentCell))
            EnlargeCell(CurrentCell);
        ExecuteCell(CurrentCell);
    }
}

void TPlayerForm::TwoSwitchScanXYKey(int key)
{
    const int cols = Session.Overlay().Cols;
    if (key == KeyCode::Space) {
        bool advance = true;
        if (ScanInRow) {
            bool mediaStopped = false;
            if (IsBusy()) {
                mediaStopped = !IntroPlaying;
                Playback->Stop();
                LetPendingEventsRun();
            }
            if (mediaStopped) {
                advance = false;
            } else {
                advance = NextCellInRow();
                if (advance)
                    PlayIntro(CurrentCell);
            }
        }
        if (!ScanInRow) {
            if (advance)
                NextRow();
            MarkRow(CurrentCell, cols);
        } else {
            MarkCell(CurrentCell);
        }
    } else if (key == KeyCode::Enter) {
        if (IsBusy())
            return;
        if (!ScanInRow) {
            UseLog.RowChosen(CurrentCell, cols);
            PlayIntro(CurrentCell);
            ScanInRow = true;
            MarkCell(CurrentCell);
        } else {
            ChooseCell(CurrentCell);
            KeyHeld = false;
        }
    }
}

void TPlayerForm::OneSwitchScanXYKey(int key)
{
    if (key != KeyCode::Enter)
        return;
    if (ScanInRow) {
        OneSwitchScanKey(key);
        return;
    }
    UseLog.RowChosen(CurrentCell, Session.Overlay().Cols);
    PlayIntro(CurrentCell);
    ScanInRow = true;
    MarkCell(CurrentCell);
    // The row's first cell stays marked for a whole period before the scan moves on (and, as
    // the first step of a pass along the row, for the first step's extra time).
    SkipNextScanTick = true;
    HoldFirstScanStep();
}

void TPlayerForm::ArrowKey(int key)
{
    switch (key) {
    case KeyCode::Left:
    case KeyCode::Up:
    case KeyCode::Right:
    case KeyCode::Down:
        if (!IsBusy() || IntroPlaying) {
            if (IsBusy())
                Playback->Stop();
            MoveByArrow(key);
            PlayIntro(CurrentCell);
        } else {
            Playback->Stop();
        }
        MarkCell(CurrentCell);
        break;
    case KeyCode::Enter:
        if (!IsBusy())
            ChooseCell(CurrentCell);
        break;
    default:
        break;
    }
}

// ---- Scanning ----

void TPlayerForm::ScanTimerTimer()
{
    if (ScanStepHeld) {
        // The first step of a round has had its extra time; the period runs again.
        ScanStepHeld = false;
        ScanTimer->setInterval(ScanPeriod);
    }
    if (!UserWorksInPlayer() || Playback->PlayState() == 3 || Paus->isChecked() || KeyHeld ||
        ScanHalted)
        return;
    // A selection waiting for the service to settle is not overtaken by the scan.
    if (SelectionWaits > 0)
        return;
    // With CD cells the drives are looked at again, so a disc put in later is found. Only
    // looked at: loading track 1 here, as the rebuild does, would leave the service busy at
    // every step, and a busy service makes the step stop the media instead of moving the
    // frame. With no disc the scan goes on over the other cells without a word: the rebuild
    // has said it once, choosing a CD cell says it again, and a box on every step would take
    // every press of a one-switch user.
    if (HasCDCells)
        Playback->LocateCD(Tonlyra::PlaybackService::NoDiscMessage::Quiet);
    if (!SkipNextScanTick) {
        const UserSettings& settings = Session.Settings();
        const bool newRound = ScanStepBeginsRound();
        if (newRound && settings.ScanRounds > 0 && ScanRoundsBegun >= settings.ScanRounds) {
            HaltScanning();
            return;
        }
        if (newRound)
            ++ScanRoundsBegun;
        if (settings.ControlMode == ControlMode::OneSwitchScanControl)
            TwoSwitchScanKey(KeyCode::Space);
        else if (settings.ControlMode == ControlMode::OneSwitchScanXYControl)
            TwoSwitchScanXYKey(KeyCode::Space);
        if (newRound)
            HoldFirstScanStep();
    }
    SkipNextScanTick = false;
}

bool TPlayerForm::UserWorksInPlayer() const
{
    // Not while one of the program's own dialogs or editors is open, nor while another
    // program has the keyboard: the player's window is then not the active one. On Wayland no
    // window is active while the seat has no keyboard (a switch interface that is the only
    // keyboard, pulled out); the mouse and the other switches still steer the player then.
    if (isActiveWindow())
        return true;
    return !QApplication::activeWindow() && !QApplication::activeModalWidget() &&
           !Tonlyra::SeatHasKeyboard();
}

std::optional<int> TPlayerForm::TimeToNextScanStep() const
{
    if (!ScanTimer->isActive() || ScanHalted || Paus->isChecked() || KeyHeld ||
        SelectionWaits > 0 || Playback->PlayState() == 3 || !UserWorksInPlayer())
        return std::nullopt;
    // A skipped tick adds a whole period to the step.
    return std::max(0, ScanTimer->remainingTime()) + (SkipNextScanTick ? ScanPeriod : 0);
}

bool TPlayerForm::ScanStepBeginsRound() const
{
    const int cellCount = Session.Overlay().CellCount();
    if (Session.Settings().ControlMode == ControlMode::OneSwitchScanControl)
        return Tonlyra::ControlModes::StepNext(CurrentCell, cellCount) == 1;
    // Row-column scanning: a step in the row phase to the first row. (The cells of a chosen row
    // are one pass; their end marks the row again without a new round.)
    return !ScanInRow &&
           Tonlyra::ControlModes::NextRow(CurrentCell, Session.Overlay().Cols, cellCount) == 1;
}

void TPlayerForm::HaltScanning()
{
    // The frame goes; the user has not chosen for the rounds the carer gave. An introduction
    // still playing is heard to its end.
    ScanHalted = true;
    CurrentCell = 0;
    ScanInRow = false;
    SkipNextScanTick = false;
    MarkCell(0);
}

void TPlayerForm::RestartScanning()
{
    // The press that brings the frame back chooses nothing: it starts from the first cell or
    // row, which then has a whole step (and the first step's extra time).
    ScanHalted = false;
    CurrentCell = 0;
    ScanInRow = false;
    ScanRoundsBegun = 1;
    if (Session.Settings().ControlMode == ControlMode::OneSwitchScanXYControl)
        TwoSwitchScanXYKey(KeyCode::Space);
    else
        TwoSwitchScanKey(KeyCode::Space);
    ScanTimer->start(ScanPeriod);
    HoldFirstScanStep();
}

void TPlayerForm::HoldFirstScanStep()
{
    const int extra = Session.Settings().FirstStepExtraTime;
    if (extra <= 0 || !ScanTimer->isActive())
        return;
    // The next tick comes that much later than it would have.
    ScanTimer->start(std::max(0, ScanTimer->remainingTime()) + extra);
    ScanStepHeld = true;
}

void TPlayerForm::SetScanPeriod(int ms)
{
    ScanPeriod = std::max(1, ms);
    // A step held longer keeps its time; the new period starts with the next step.
    if (!ScanStepHeld)
        ScanTimer->setInterval(ScanPeriod);
}

// ---- Clicks ----

void TPlayerForm::CellMouseDown(QObject* sender, Qt::MouseButton button,
                                Qt::KeyboardModifiers shift, int x, int y)
{
    // In the switch modes a mouse button that is a switch's input works that switch, anywhere
    // over the grid.
    const UserSettings& settings = Session.Settings();
    const int switchId = Tonlyra::MouseSwitch(button);
    if (const auto key = SwitchKeyOf(Tonlyra::SwitchOfPress(
            settings.Switch1, settings.Switch2, Tonlyra::SwitchInput::OfMouse(button)))) {
        SwitchDown(switchId, *key, SourceOfKey(*key, settings.ControlMode), sender, shift);
        return;
    }
    UseLog.SwitchDown(switchId, Tonlyra::PressSource::Click,
                      QFileInfo(Session.OverlayFile()).fileName(), settings.ControlMode);
    SwitchPresses.Press(switchId,
                        [this, sender = QPointer<QObject>(sender), switchId, button, shift, x, y] {
                            const auto acting = UseLog.Acting(switchId);
                            HandleMouseDown(sender, button, shift, x, y);
                        });
}

void TPlayerForm::CellMouseUp(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                              int x, int y)
{
    const UserSettings& settings = Session.Settings();
    const int switchId = Tonlyra::MouseSwitch(button);
    if (const auto key = SwitchKeyOf(Tonlyra::SwitchOfPress(
            settings.Switch1, settings.Switch2, Tonlyra::SwitchInput::OfMouse(button)))) {
        SwitchUp(switchId, *key, sender, shift);
        return;
    }
    if (SwitchPresses.Release(switchId)) {
        const auto acting = UseLog.Acting(switchId);
        HandleMouseUp(sender, button, shift, x, y);
    }
    UseLog.SwitchUp(switchId);
}

void TPlayerForm::HandleMouseDown(QObject* sender, Qt::MouseButton, Qt::KeyboardModifiers, int, int)
{
    if (!ActOnPress || Paus->isChecked())
        return;
    // A click anywhere on the grid or on a playing video stops playback, in every mode.
    if (IsBusy()) {
        Playback->Stop();
        return;
    }
    ScanRoundsBegun = 0;
    if (ScanHalted) {
        RestartScanning();
        return;
    }
    if (Session.Settings().ControlMode == ControlMode::MouseControl)
        ChooseCell(CellNumberOf(sender));
}

void TPlayerForm::HandleMouseUp(QObject* sender, Qt::MouseButton button,
                                Qt::KeyboardModifiers shift, int x, int y)
{
    if (!ActOnPress) {
        ActOnPress = true;
        HandleMouseDown(sender, button, shift, x, y);
        ActOnPress = false;
    }
    if (IRStopPending) {
        IRDialog->SendIRStop();
        IRStopPending = false;
    }
}
