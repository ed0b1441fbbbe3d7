#pragma once

#include "input/SwitchPressFilter.h"
#include "media/SpeechCache.h"
#include "player/ScanProgressBar.h"
#include "usage/UseRecorder.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <set>

class QAction;
class QFrame;
class QFont;
class QLabel;
class QMenu;
class QTimer;
class QWindow;
class TIRDialog;
class TPMultiImage;

namespace Tonlyra {
class CarerWindows;
class CellPanel;
class FirstStartPanel;
class FocusKeeper;
class PictureLoader;
class PlaybackService;
class Session;
class VideoWindow;
} // namespace Tonlyra

// The player window: the program's main window and the only screen a user normally sees. It
// holds no document: it shows the session's overlay in force with its applied user settings
// (rebuilding the grid when another window puts a new one in force), plays everything through the
// playback service it is given and sends IR commands through IRDialog.
class TPlayerForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TPlayerForm(Tonlyra::Session& session, QWidget* parent = nullptr);
    ~TPlayerForm() override;

    Tonlyra::Session& Session;
    // Set by whoever creates the player, before it is shown. Without Carer, the commands that
    // open the carer's windows do nothing; without IRDialog, IR cells send nothing.
    Tonlyra::CarerWindows* Carer = nullptr;
    TIRDialog* IRDialog = nullptr;
    // The service the player plays through (shared with the carer's windows, which play while
    // the player does not listen) and the full-screen window its videos play in. Set once, by
    // whoever creates the player, before it is shown.
    void PlayThrough(Tonlyra::PlaybackService& playback, Tonlyra::VideoWindow* video);
    Tonlyra::PlaybackService* Playback = nullptr;
    Tonlyra::VideoWindow* Video = nullptr;
    // Whether the end of the medium playing ends a choice's play (not while an introduction
    // plays or a carer's window uses the service).
    bool HearsEndOfPlay = false;
    // Whether keys and clicks on a full-screen video are the user's presses in the grid.
    bool TakesVideoInput = false;

    // How long a hint stays on screen.
    static constexpr int HintHidePause = 6000;

    // Menu bar, in menu order.
    QMenu* FileMenu = nullptr;               // "&Arkiv"
    QAction* OpenMenu = nullptr;             // "&Öppna media-inställningar"
    QAction* OpenUserSettingsMenu = nullptr; // "Öppna b&rukar-inställningar"
    QAction* N1 = nullptr;
    QAction* ChangeMenu = nullptr;       // "&Inställningar för media"
    QAction* UserSettingsMenu = nullptr; // "Inställningar för &brukare"
    QAction* UsageMenu = nullptr;        // "A&nvändning..."
    QAction* N3 = nullptr;
    QAction* VisaInfo = nullptr;        // "&Visa info"
    QAction* HideBordersMenu = nullptr; // "&Göm namnlisten", Ctrl+M
    QAction* N2 = nullptr;
    QAction* MenuEnd = nullptr;       // "&Avsluta"
    QAction* Paus = nullptr;          // "&Gör paus", a command on the menu bar itself
    QMenu* HelpMenu1 = nullptr;       // "&Hjälp"
    QAction* HelpMenuCont1 = nullptr; // "&Innehåll"
    QAction* HelpMenuRun = nullptr;   // "&Köra programmet"
    QAction* AboutMenu = nullptr;     // "&Om Tonlyran"

    // KnappPanel fills the client area; KnappYta fills KnappPanel and holds the cells only.
    QFrame* KnappPanel = nullptr;
    QWidget* KnappYta = nullptr;
    // Takes KnappYta's place while there is no cell to show: what to do next, in large buttons.
    Tonlyra::FirstStartPanel* FirstStart = nullptr;

    QTimer* ScanTimer = nullptr;
    QTimer* DisplayTimer = nullptr; // 200 ms
    QTimer* KeyRepeatTimer = nullptr;

    // When on, the window sees every key meant for any of its controls before they do.
    bool KeyPreview = true;

    // Player state.
    bool FirstActivation = true;
    int CurrentCell = 0; // 1..N, 0 = none
    QString NumberEntry;
    bool ScanInRow = false;
    bool SkipNextScanTick = false;
    bool KeyHeld = false;
    bool KeyDownSeen = false;
    bool ActOnPress = true;
    bool IntroPlaying = false;
    int PlayedCell = 0; // the file cell whose media is playing or being loaded
    bool IRStopPending = false;
    bool HasCDCells = false;
    // The scanning period; a step held longer runs the timer with a longer interval meanwhile.
    int ScanPeriod = 0;
    // Automatic scanning stopped after its rounds: no frame until the next press.
    bool ScanHalted = false;
    // Rounds the automatic scanning has begun since the last press or choice.
    int ScanRoundsBegun = 0;
    int SavedCellTop = 0;
    int SavedCellLeft = 0;
    int SavedCellHeight = 0;
    int SavedCellWidth = 0;

    // Decodes the cell pictures in the background after each rebuild; IsLoading while some are
    // still to come.
    Tonlyra::PictureLoader* CellPictures = nullptr;

    // The panel that shows which overlay is being loaded; exists only while the grid is built.
    QPointer<QLabel> LoadingPanel;
    // The sign over the grid while "Gör paus" holds the playback (keys and clicks do nothing
    // then, also with the menu bar hidden); exists only then.
    QPointer<QLabel> PauseSign;
    // Raised while the grid is built: the loading panel shows, the grid is hidden and keys do
    // not act.
    std::function<void(QLabel* panel)> OnLoadingPanelShown;

    // Menu commands.
    void OpenMenuClick();
    void OpenUserSettingsMenuClick();
    void ChangeMenuClick();
    void UserSettingsMenuClick();
    // "Användning": the use logs, for the carer; the suggested scan delay it sets is used from
    // the next scanning step.
    void UsageMenuClick();
    void VisaInfoClick();
    void HideBordersMenuClick();
    void MenuEndClick();
    void HelpMenuCont1Click();
    void HelpMenuRunClick();
    void AboutMenuClick();
    // The text of "&Om Tonlyran": the version, what the program is, and the folders its files
    // are in (overlays and user settings where the file dialogs start, the system folders, the
    // caches).
    QString AboutText() const;
    // The first start panel's buttons: the user's copy of the demo put in force, the overlay
    // editor opened as "Inställningar för media" does.
    void OpenDemoClick();
    void CreateOverlayClick();

    void HideTitleBar();
    void ShowTitleBar();
    // Shows the window maximised over the screen's available area, also where no window
    // manager maximises windows.
    void ShowMaximizedOnScreen();
    // Rebuilds the grid from the overlay in force and the applied user settings.
    void BuildGrid();

    // Window events. FormActivate runs the first rebuild on the window's first activation (or
    // first showing, where the window manager does not activate it).
    void FormActivate();
    // Asks the two save questions; true when the window may close (and has let go of the
    // overlay and stopped playback).
    bool FormCloseQuery();
    // The window of ours to give the focus back to, now that another program's window has had
    // it for a while with nobody working there, when lastFocused (the window of ours that had
    // it last) lost it; nullptr to leave it where it is.
    QWindow* WindowToWinFocusFor(QWindow* lastFocused) const;

    // Keys and clicks of the grid and of a playing video (control modes).
    void FormKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void FormKeyUp(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void CellMouseDown(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                       int y);
    void CellMouseUp(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                     int y);
    // A joystick or gamepad button (switchId tells its press from others in the switch
    // timings) going down or up; a device pulled out with switchId held.
    void JoystickButton(const Tonlyra::SwitchInput& button, int switchId, bool down);
    void JoystickLost(int switchId);
    // The end-of-play handler registered with the media dialog.
    void EndOfPlay(QObject* sender);
    // "Gör paus".
    void PausClick();
    void ScanTimerTimer();
    // Whether the user works in the player, so that the scanning frame may move.
    bool UserWorksInPlayer() const;
    // The time until the scanning frame moves on by itself; nothing while it waits (a press
    // held, media playing, "Gör paus", stopped after its rounds) or does not scan.
    std::optional<int> TimeToNextScanStep() const;
    // The bar in the scanning frame that shows that time, with "Show scan progress".
    Tonlyra::ScanProgressBar* ScanProgress = nullptr;
    // What the bar shows now: the marked cells' frame and the time left.
    std::optional<Tonlyra::ScanProgressBar::Step> ScanProgressStep() const;
    void DisplayTimerTimer();
    void KeyRepeatTimerTimer();

    // The grid of cells (PlayerGrid.cpp). Cells are found by their number (Tag), never by
    // position: enlarging a cell changes the stacking order.
    void FitPicture(int cell);
    void MarkCell(int cell);
    void MarkRow(int firstCell, int count);
    void EnlargeCell(int cell);
    void RestoreCell();
    // True in the modes that show every cell; false in the stepping modes that show only the
    // current cell.
    bool IsGridMode() const;

    // ---- Grid helpers (PlayerGrid.cpp) ----
    // The cell number a control of the grid carries (its Tag): 1..N for a cell's panel, face,
    // label or picture, 0 for anything else (the media dialog, a null sender).
    static int CellNumberOf(const QObject* sender);
    // The cell panel whose Tag is cell (the last one, if several), or nullptr.
    Tonlyra::CellPanel* CellPanelOf(int cell) const;

    // Carrying out a selection (PlayerSelection.cpp).
    bool IsCellPlayable(int cell);
    void ExecuteCell(int cell);
    void PlayIntro(int cell);
    // Whether "Gör paus" can be used now (also while the menu bar and its item are hidden).
    bool IsPausEnabled() const { return PausEnabled; }

    // Which presses of the steering keys and mouse buttons count (the user's switch timings).
    Tonlyra::SwitchPressFilter SwitchPresses{this};
    // The use log of the applied user settings, when they keep one.
    Tonlyra::UseRecorder UseLog{SwitchPresses};
    // The spoken texts of cells that have no introduction sound.
    Tonlyra::SpeechCache SpokenCells;
    // Wins the focus back from other programs' windows for a switch user.
    Tonlyra::FocusKeeper* FocusKeeper = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateMenus();
    void CreatePanels();
    // Creates the cells 1..CellCount on KnappYta and lays them out.
    void CreateCells();
    // Places every cell in its slot of the grid (an enlarged cell over the whole grid) for the
    // present size of KnappYta.
    void LayOutCells();
    // Where cell sits in the grid: equal cells by integer division of KnappYta's size.
    QRect CellSlot(int cell) const;
    void DestroyCells();
    void ShowLoadingPanel();
    void CentreLoadingPanel();
    void StopListeningToPlayback();
    void ApplyTitleBarChoice();
    void SetFullScreen(bool on);
    // What waits until the window is on the screen: activating it, the first rebuild.
    void WhenExposed();
    bool ActivateOnExpose = false;
    bool BuildOnExpose = false;
    bool IsOwnWidget(QObject* object) const;
    void TakeHideBordersFromSettings();
    // The overlay the editor holds put in force and shown, and remembered as the user's last.
    void ShowOpenedOverlay();
    // Remembers the file of the overlay in force as the last overlay of the applied settings.
    void RememberOverlayInForce();
    // A new overlay or new settings in force, from whichever window: the grid is built anew
    // (once the window has built its first).
    void OverlayInForceChanged();
    void SettingsInForceChanged();
    bool ConfirmSaveOverlay();
    // The first start panel in KnappYta's place when there are no cells, else away.
    void ShowFirstStartPanel(bool show);

    // ---- Grid (PlayerGrid.cpp) ----
    // The cell whose geometry SavedCellTop.. hold while it is enlarged; 0 when none is.
    int SavedCell = 0;
    // The cells the scanning frame marks: MarkedCount from MarkedFirst.
    int MarkedFirst = 0;
    int MarkedCount = 0;
    QList<Tonlyra::CellPanel*> CellPanels() const;
    void PutBackEnlargedCell();

    // ---- Control modes and selection (PlayerControl.cpp, PlayerSelection.cpp) ----
    // A key press or release, a mouse press or release that counts (FormKeyDown and the others
    // first ask the switch timings).
    void HandleKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void HandleKeyUp(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void HandleMouseDown(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                         int x, int y);
    void HandleMouseUp(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                       int y);
    // In the switch modes, the key the control modes see for a press of switch 1 (the space
    // bar) or 2 (Enter); nothing for switch 0 (no switch) and outside the switch modes, where
    // keys keep their own meaning.
    std::optional<int> SwitchKeyOf(int switchNumber) const;
    // A switch's press and release through the switch timings to the key handlers as key.
    // source: how the press reached the player, for the use log.
    void SwitchDown(int switchId, int key, Tonlyra::PressSource source, QObject* sender,
                    Qt::KeyboardModifiers shift);
    void SwitchUp(int switchId, int key, QObject* sender, Qt::KeyboardModifiers shift);
    // The joystick buttons whose press the player took and whose release it waits for.
    std::set<int> JoysticksDown;
    // Automatic scanning: whether the coming step begins a new round (the frame back on the
    // first cell or row); stopping after the user's rounds and starting again on a press; the
    // first step of a round held longer.
    bool ScanStepBeginsRound() const;
    void HaltScanning();
    void RestartScanning();
    void HoldFirstScanStep();
    void SetScanPeriod(int ms);
    bool ScanStepHeld = false;
    // The handlers of the control modes; key is a code of platform/KeyCodes.h.
    void KeyboardKey(int key);
    void OneSwitchKey(int key);
    void TwoSwitchKey(int key);
    void TwoSwitchScanKey(int key);
    void OneSwitchScanKey(int key);
    void TwoSwitchScanXYKey(int key);
    void OneSwitchScanXYKey(int key);
    void ArrowKey(int key);
    void StepNext();
    void NextRow();
    bool NextCellInRow();
    void MoveByArrow(int key);
    // Carries out cell if it can be: enlarged first (IR cells stay in place), then executed.
    void ChooseCell(int cell);
    // True while the playback service plays or loads (PlayState above 2).
    bool IsBusy() const;
    // Lets pending events run until the service is no longer busy: until it has stopped, or
    // with whilePlaying false until it has at least settled into playing. A loading medium is
    // waited for at most a few seconds. With userInput false, keys and clicks wait until
    // afterwards. False when the wait gave up.
    bool WaitWhileBusy(bool whilePlaying, bool userInput);
    // Lets the events that are pending now run once.
    void LetPendingEventsRun();
    // Waits in progress; the scanning timer does not step while one runs.
    int SelectionWaits = 0;
    // Whether "Gör paus" can be used. Kept here as well because a hidden menu bar hides the
    // item, and a hidden action reads as disabled although the Pause key must still work.
    bool PausEnabled = false;
    void SetPausEnabled(bool enabled);
    // "Gör paus" checked (with its caption "&Fortsätt" and the sign over the grid) or not.
    void SetPaused(bool paused);
    void ShowPauseSign(bool show);
    void PlaceOverGrid(QWidget* sign);
    // Puts the grid back as it was before a choice whose save question was cancelled.
    void GiveUpChoice();
    // A cell's picture could not be read: a sign on the cell and a line in the log, no box.
    void CellPictureFailed(TPMultiImage* picture, int code, const QString& text);
    // The media of cell cannot be played: its face shows the sign of it, and the log says why.
    void MediaFailed(int cell, const QString& reason);
    // A cell's picture has been decoded: it is fitted below the text.
    void CellPictureLoaded(TPMultiImage* picture);
    // The room for the picture in a cell face of this size below a text this high.
    static QSize PictureRoom(QSize face, int labelHeight);
    // How high a cell's text of this font stands above its picture in a face of this size.
    static int LabelHeightFor(const QString& text, const QFont& font, QSize face);
    // Makes, in the background, the thumbnails of the pictures of the overlays the grid's
    // overlay cells open.
    void FillThumbnailsOfLinkedOverlays();
};
