// The control modes: keys, clicks and the two timers move the current cell and choose it, in
// the way the user's settings say.

#include "player/PlayerFormUnit.h"

#include "media/IRDialogUnit.h"
#include "media/MediaDialogUnit.h"
#include "overlay/SettingsFormUnit.h"
#include "platform/KeyCodes.h"
#include "player/ControlModes.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QAction>
#include <QTimer>

namespace KeyCode = Tonlyra::KeyCode;

namespace {

// The scanning-speed keys keep the period within these bounds.
constexpr int ScanSpeedStepMs = 100;
constexpr int SlowestScanMs = 5000;
constexpr int FastestScanMs = 250;

} // namespace

// ---- Movements ----

void TPlayerForm::StepNext()
{
    CurrentCell = Tonlyra::ControlModes::StepNext(CurrentCell, SettingsForm->CellCount());
}

void TPlayerForm::NextRow()
{
    CurrentCell = Tonlyra::ControlModes::NextRow(CurrentCell, SettingsForm->Cols(),
                                                 SettingsForm->CellCount());
}

bool TPlayerForm::NextCellInRow()
{
    return Tonlyra::ControlModes::NextCellInRow(CurrentCell, ScanInRow, SettingsForm->Cols());
}

void TPlayerForm::MoveByArrow(int key)
{
    CurrentCell = Tonlyra::ControlModes::MoveByArrow(CurrentCell, key, SettingsForm->Cols(),
                                                     SettingsForm->CellCount());
}

void TPlayerForm::ChooseCell(int cell)
{
    if (!IsCellPlayable(cell))
        return;
    if (!SettingsForm->IsIRCell(cell))
        EnlargeCell(cell);
    ExecuteCell(cell);
}

// ---- Keys ----

void TPlayerForm::FormKeyDown(QObject*, int& key, Qt::KeyboardModifiers)
{
    const UserSettings& settings = UserSettingsForm->UserSettings;
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
        if (ScanTimer->isActive() && ScanTimer->interval() < SlowestScanMs) {
            ScanTimer->setInterval(ScanTimer->interval() + ScanSpeedStepMs);
            UserSettingsForm->SetScanDelayTime(ScanTimer->interval());
        }
    }
    if (key == KeyCode::KeypadMinus) {
        if (ScanTimer->isActive() && ScanTimer->interval() > FastestScanMs) {
            ScanTimer->setInterval(ScanTimer->interval() - ScanSpeedStepMs);
            UserSettingsForm->SetScanDelayTime(ScanTimer->interval());
        }
    }
    if (key == KeyCode::Pause && PausEnabled)
        PausClick();
    if (Paus->isChecked())
        return;
    if (key == KeyCode::Escape) {
        MediaDialog->Stop();
        return;
    }
    if (!ActOnPress)
        return;

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

void TPlayerForm::FormKeyUp(QObject* sender, int& key, Qt::KeyboardModifiers shift)
{
    KeyHeld = false;
    KeyRepeatTimer->stop();
    bool replayed = false;
    if (UserSettingsForm->UserSettings.ExecuteOnKeyUp && key != KeyCode::Escape &&
        key != KeyCode::Pause) {
        // Letting go of a switch chooses.
        int enter = KeyCode::Enter;
        FormKeyDown(sender, enter, shift);
        KeyRepeatTimer->stop();
        replayed = true;
    }
    if (!ActOnPress) {
        // Acting on release: the key acts now, as if just pressed.
        ActOnPress = true;
        FormKeyDown(sender, key, shift);
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
    MediaDialog->Stop();
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
        MediaDialog->Stop();
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
            MediaDialog->Stop();
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
                MediaDialog->Stop();
            StepNext();
            PlayIntro(CurrentCell);
        } else {
            // The chosen media plays: the step stops it and stays on its cell.
            MediaDialog->Stop();
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
        MediaDialog->Stop();
    } else if (IsCellPlayable(CurrentCell)) {
        MediaDialog->Stop(); // ends the introduction
        LetPendingEventsRun();
        if (!SettingsForm->IsIRCell(CurrentCell))
            EnlargeCell(CurrentCell);
        ExecuteCell(CurrentCell);
    }
}

void TPlayerForm::TwoSwitchScanXYKey(int key)
{
    const int cols = SettingsForm->Cols();
    if (key == KeyCode::Space) {
        bool advance = true;
        if (ScanInRow) {
            bool mediaStopped = false;
            if (IsBusy()) {
                mediaStopped = !IntroPlaying;
                MediaDialog->Stop();
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
    PlayIntro(CurrentCell);
    ScanInRow = true;
    MarkCell(CurrentCell);
    // The row's first cell stays marked for a whole period before the scan moves on.
    SkipNextScanTick = true;
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
                MediaDialog->Stop();
            MoveByArrow(key);
            PlayIntro(CurrentCell);
        } else {
            MediaDialog->Stop();
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
    if (!isActiveWindow() || MediaDialog->PlayState() == 3 || Paus->isChecked() || KeyHeld)
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
        MediaDialog->LocateCD(TMediaDialog::NoDiscMessage::Quiet);
    if (!SkipNextScanTick) {
        const ControlMode mode = UserSettingsForm->UserSettings.ControlMode;
        if (mode == ControlMode::OneSwitchScanControl)
            TwoSwitchScanKey(KeyCode::Space);
        else if (mode == ControlMode::OneSwitchScanXYControl)
            TwoSwitchScanXYKey(KeyCode::Space);
    }
    SkipNextScanTick = false;
}

// ---- Clicks ----

void TPlayerForm::CellMouseDown(QObject* sender, Qt::MouseButton, Qt::KeyboardModifiers, int, int)
{
    if (!ActOnPress || Paus->isChecked())
        return;
    // A click anywhere on the grid or on a playing video stops playback, in every mode.
    if (IsBusy()) {
        MediaDialog->Stop();
        return;
    }
    if (UserSettingsForm->UserSettings.ControlMode == ControlMode::MouseControl)
        ChooseCell(CellNumberOf(sender));
}

void TPlayerForm::CellMouseUp(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                              int x, int y)
{
    if (!ActOnPress) {
        ActOnPress = true;
        CellMouseDown(sender, button, shift, x, y);
        ActOnPress = false;
    }
    if (IRStopPending) {
        IRDialog->SendIRStop();
        IRStopPending = false;
    }
}
