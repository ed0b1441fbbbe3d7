// Carrying out a chosen cell: the test whether it can be chosen, playing its media, opening
// another overlay, sending an IR command or ending the program; the introduction sounds, the end
// of play, "Gör paus" and the information line in the caption.

#include "player/PlayerFormUnit.h"

#include "media/IRDialogUnit.h"
#include "media/PlaybackEngine.h"
#include "media/PlaybackService.h"
#include "picture/TMultiP.h"
#include "platform/Logging.h"
#include "player/CellPanel.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

namespace {

// How long a medium may take to load or to settle before a wait gives up on it.
constexpr int SettleLimitMs = 5000;
// How often a wait looks at the play state besides the service's own reports.
constexpr int WaitPollMs = 10;

QString TwoDigitMinutesSeconds(int ms)
{
    const int seconds = std::max(0, ms) / 1000;
    return QString::asprintf("%.2d:%.2d", seconds / 60 % 60, seconds % 60);
}

} // namespace

bool TPlayerForm::IsBusy() const
{
    return Playback->PlayState() > 2;
}

bool TPlayerForm::WaitWhileBusy(bool whilePlaying, bool userInput)
{
    const int now = Playback->PlayState();
    if (now <= 2 || (now == Tonlyra::PlaybackEngine::Playing && !whilePlaying))
        return true;
    ++SelectionWaits;
    QEventLoop loop;
    QElapsedTimer settling; // time spent loading or passing, not playing
    settling.start();
    auto check = [&] {
        const int state = Playback->PlayState();
        if (state <= 2 || (state == Tonlyra::PlaybackEngine::Playing && !whilePlaying)) {
            loop.exit(1);
        } else if (state == Tonlyra::PlaybackEngine::Playing) {
            settling.restart();
        } else if (settling.elapsed() > SettleLimitMs) {
            loop.exit(0);
        }
    };
    QTimer poll;
    poll.setInterval(WaitPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, check);
    QMetaObject::Connection reports;
    if (Tonlyra::PlaybackEngine* engine = Playback->Engine())
        reports = QObject::connect(
            engine, &Tonlyra::PlaybackEngine::PlayStateChange, &loop, [&](int) { check(); },
            Qt::QueuedConnection);
    poll.start();
    const bool settled =
        loop.exec(userInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents) == 1;
    QObject::disconnect(reports);
    --SelectionWaits;
    return settled;
}

void TPlayerForm::LetPendingEventsRun()
{
    QCoreApplication::processEvents();
}

bool TPlayerForm::IsCellPlayable(int cell)
{
    const QString media = Session.Overlay().GetCellMedia(cell);
    if (media.isEmpty())
        return false;
    if (Session.Overlay().IsCDTrackCell(cell)) {
        if (!(Playback->LocateCD() && Session.Overlay().IsArbitraryCDCell(cell)))
            return false;
        bool isNumber = false;
        const int track = media.toInt(&isNumber);
        // Tracks count from 1; a reference that is no track number cannot be played.
        return isNumber && track >= 1 && track <= Playback->TrackCount();
    }
    return Session.Overlay().IsSoundFileCell(cell) || Session.Overlay().IsVideoFileCell(cell) ||
           Session.Overlay().IsOverlayFileCell(cell) || Session.Overlay().IsIRCell(cell) ||
           Session.Overlay().IsExitCell(cell);
}

void TPlayerForm::SetPausEnabled(bool enabled)
{
    PausEnabled = enabled;
    Paus->setEnabled(enabled);
    // A pause that can no longer be ended must not go on ignoring every key and click.
    if (!enabled && Paus->isChecked())
        SetPaused(false);
}

void TPlayerForm::SetPaused(bool paused)
{
    Paus->setChecked(paused);
    Paus->setText(paused ? QStringLiteral("&Fortsätt") : QStringLiteral("&Gör paus"));
    ShowPauseSign(paused);
}

void TPlayerForm::ExecuteCell(int cell)
{
    const QString media = Session.Overlay().GetCellMedia(cell);
    // With the engine's line when the sound gets under way, the log tells a choice not taken
    // from a sound not heard.
    qCInfo(Tonlyra::Log::Player).noquote()
        << QStringLiteral("Cell %1 chosen: %2").arg(cell).arg(media);
    // The user may need a moment after a choice: presses are ignored for the pause after it
    // (from now: an introduction may play first), and the scanning counts its rounds afresh.
    if (!media.isEmpty()) {
        UseLog.CellChosen(cell, Session.Overlay().GetCellText(cell));
        SwitchPresses.ChoiceMade();
        ScanRoundsBegun = 0;
    }
    SetPausEnabled(true);
    // An introduction still playing is heard to its end before the media starts.
    WaitWhileBusy(true, true);
    if (!IsCellPlayable(cell)) {
        SetPausEnabled(IsBusy());
        return;
    }

    auto play = [&](int kind) {
        IntroPlaying = false;
        Playback->Stop();
        PlayedCell = kind == CDKind ? 0 : cell;
        HearsEndOfPlay = true;
        Playback->SelectKind(kind);
        if (kind == CDKind)
            Playback->SelectTrack(media.toInt());
        else
            Playback->LoadFile(media, kind);
        Playback->SetStartPosition(Session.Overlay().GetCellStart(cell));
        Playback->SetStopPosition(Session.Overlay().GetCellStop(cell));
        Playback->Play();
    };

    if (Session.Overlay().IsCDTrackCell(cell)) {
        play(CDKind);
    } else if (Session.Overlay().IsSoundFileCell(cell)) {
        play(SoundFileKind);
    } else if (Session.Overlay().IsVideoFileCell(cell)) {
        // The video covers the screen; the cell's picture comes back at the end of play.
        for (Tonlyra::CellPanel* panel : CellPanels())
            if (panel->Tag == cell && panel->Face() && panel->Face()->Picture)
                panel->Face()->Picture->hide();
        play(VideoFileKind);
    } else {
        // Nothing of these cells plays, so there is nothing to pause.
        SetPausEnabled(false);
        // The chosen cell is on screen at once, as the sign that the choice was taken, while what
        // it does takes its time (the next overlay's grid is built).
        if (Tonlyra::CellPanel* panel = CellPanelOf(cell))
            panel->repaint();
        if (Session.Overlay().IsOverlayFileCell(cell)) {
            if (!ConfirmSaveOverlay()) {
                GiveUpChoice();
                return;
            }
            // The grid is built anew for it; the cell whose handler runs now is deleted
            // afterwards.
            Session.LoadOverlay(media);
        } else if (Session.Overlay().IsIRCell(cell) && IRDialog) {
            IRDialog->SelectCommPort(Session.Overlay().GetCellCommPort(cell));
            IRDialog->ShowIRString(media);
            IRStopPending = !IRDialog->HasPulseCount();
            SkipNextScanTick = true;
            IRDialog->SendIRCommand();
        } else if (Session.Overlay().IsExitCell(cell)) {
            if (!close())
                GiveUpChoice();
        }
    }
}

void TPlayerForm::GiveUpChoice()
{
    // A save question was cancelled: the grid is left as it was before the choice, the cell
    // back in its place and, where a frame shows the way, framed again.
    if (!IsGridMode())
        return;
    RestoreCell();
    if (Session.Settings().ControlMode != ControlMode::MouseControl)
        MarkCell(CurrentCell);
}

void TPlayerForm::PlayIntro(int cell)
{
    if (!Session.Settings().PlaySound)
        return;
    // A medium still loading cannot be stopped yet: wait until it has settled (keys and clicks
    // wait as well, so that they cannot start another selection in the middle of this one), then
    // stop an introduction that it turned out to be, as the caller meant to.
    WaitWhileBusy(false, false);
    if (IntroPlaying && IsBusy())
        Playback->Stop();

    auto start = [&](int kind, const QString& file, int track, int from, int to) {
        IntroPlaying = true;
        Playback->Stop();
        HearsEndOfPlay = false;
        Playback->SelectKind(kind);
        if (kind == CDKind)
            Playback->SelectTrack(track);
        else
            Playback->LoadFile(file, kind);
        Playback->SetStartPosition(from);
        Playback->SetStopPosition(to);
        Playback->Play();
    };

    const int from = Session.Overlay().GetCellIntroStart(cell);
    const int to = Session.Overlay().GetCellIntroStop(cell);
    const QString introFile = Session.Overlay().GetCellIntroSound(cell);
    if (!introFile.isEmpty() && QFileInfo::exists(introFile)) {
        start(SoundFileKind, introFile, 0, from, to);
        return;
    }
    if (Session.Overlay().IsIntroFromMedia(cell) && IsCellPlayable(cell)) {
        const QString media = Session.Overlay().GetCellMedia(cell);
        if (Session.Overlay().IsCDTrackCell(cell)) {
            start(CDKind, QString(), media.toInt(), from, to);
            return;
        }
        if (Session.Overlay().IsSoundFileCell(cell)) {
            start(SoundFileKind, media, 0, from, to);
            return;
        }
    }
    // A cell with no introduction of its own says its text, whole, in its place.
    if (Tonlyra::SpeaksCells(Session.Settings())) {
        const QString spoken = SpokenCells.SoundFor(Session.Overlay().GetCellText(cell));
        if (!spoken.isEmpty())
            start(SoundFileKind, spoken, 0, -1, -1);
    }
}

void TPlayerForm::EndOfPlay(QObject*)
{
    if (Paus->isChecked())
        return;
    // A file that would not play is marked on its cell, so that nobody waits for it again.
    if (PlayedCell > 0 && !Playback->LastError().isEmpty())
        MediaFailed(PlayedCell, Playback->LastError());
    PlayedCell = 0;
    // Pictures hidden for a video come back (not those that could not be read: their cells
    // show the sign of a missing picture).
    for (Tonlyra::CellPanel* panel : CellPanels()) {
        if (panel->Face() && panel->Face()->Picture) {
            TPMultiImage* picture = panel->Face()->Picture;
            picture->setVisible(!picture->ImageName().isEmpty() && !panel->Face()->Crossed());
        }
    }
    if (Playback->PlayState() == Tonlyra::PlaybackEngine::Stopped)
        SetPausEnabled(false);
    activateWindow();
    setFocus();

    const ControlMode mode = Session.Settings().ControlMode;
    if (IsGridMode())
        RestoreCell();
    if (mode == ControlMode::TwoSwitchScanControl || mode == ControlMode::ArrowControl) {
        MarkCell(CurrentCell);
        PlayIntro(CurrentCell);
    } else if (mode == ControlMode::TwoSwitchScanXYControl ||
               mode == ControlMode::OneSwitchScanXYControl) {
        CurrentCell = 1;
        ScanInRow = false;
        SkipNextScanTick = true;
        MarkRow(1, Session.Overlay().Cols);
        if (mode == ControlMode::OneSwitchScanXYControl) {
            ScanRoundsBegun = 1;
            HoldFirstScanStep();
        }
    }
}

void TPlayerForm::PausClick()
{
    // The check mark is set before pausing: the service reports the pause (and so raises the
    // end of play) before Pause returns, and the end of play must see that it was a pause.
    if (Paus->isChecked()) {
        SetPaused(false);
        Playback->Play();
    } else if (Playback->PlayState() == Tonlyra::PlaybackEngine::Playing) {
        // Only what plays is paused. A pause of nothing left every key and click ignored, and
        // its end started whatever was merely loaded (the CD track a rebuild probes).
        SetPaused(true);
        Playback->Pause();
    }
}

void TPlayerForm::DisplayTimerTimer()
{
    if (Paus->isChecked())
        return;
    QString track = QStringLiteral("0");
    QString played = QStringLiteral("00:00");
    QString length = QStringLiteral("00:00");
    if (IsBusy() || Session.Settings().ControlMode != ControlMode::MouseControl) {
        track = Session.Overlay().GetCellMedia(CurrentCell);
        if (!IntroPlaying) {
            played = TwoDigitMinutesSeconds(Playback->PlayPosition());
            length = TwoDigitMinutesSeconds(Playback->SelectionLength());
        }
    }
    const QString gap(10, QLatin1Char(' '));
    setWindowTitle(QStringLiteral("Tonlyran") + gap + QFileInfo(Session.OverlayFile()).fileName() +
                   gap + QStringLiteral("Spår: ") + track + QStringLiteral("   Längd: ") + length +
                   QStringLiteral("   Spelad tid: ") + played);
}
