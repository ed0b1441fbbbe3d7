#include "player/PlayerFormUnit.h"

#include "help/HelpWindow.h"
#include "media/PlaybackService.h"
#include "media/VideoWindow.h"
#include "picture/PictureLoader.h"
#include "platform/FocusKeeper.h"
#include "platform/KeyCodes.h"
#include "platform/Paths.h"
#include "platform/SystemFolder.h"
#include "platform/ThumbnailCache.h"
#include "platform/UserPrompt.h"
#include "player/CarerWindows.h"
#include "player/FirstStartPanel.h"
#include "session/Session.h"
#include "usage/UsageWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

const QString Caption = QStringLiteral("Tonlyran");
const QString VersionText = QStringLiteral("Version 2.18          2011 11 03");
// The height a panel is made with when nothing else sizes it.
constexpr int LoadingPanelHeight = 41;

// The modes in which the scanning frame moves by itself.
bool RunsScanTimer(ControlMode mode)
{
    return mode == ControlMode::OneSwitchScanControl || mode == ControlMode::OneSwitchScanXYControl;
}

} // namespace

TPlayerForm::TPlayerForm(Tonlyra::Session& session, QWidget* parent)
    : QMainWindow(parent), Session(session)
{
    setObjectName(QStringLiteral("PlayerForm"));
    setWindowTitle(Caption);
    setGeometry(200, 95, 435, 300);
    QFont systemFont(QStringLiteral("System"));
    systemFont.setPixelSize(13);
    setFont(systemFont);

    CreatePanels();
    CreateMenus();

    ScanTimer = new QTimer(this);
    ScanTimer->setObjectName(QStringLiteral("ScanTimer"));
    DisplayTimer = new QTimer(this);
    DisplayTimer->setObjectName(QStringLiteral("DisplayTimer"));
    DisplayTimer->setInterval(200);
    KeyRepeatTimer = new QTimer(this);
    KeyRepeatTimer->setObjectName(QStringLiteral("KeyRepeatTimer"));
    connect(ScanTimer, &QTimer::timeout, this, &TPlayerForm::ScanTimerTimer);
    connect(DisplayTimer, &QTimer::timeout, this, &TPlayerForm::DisplayTimerTimer);
    connect(KeyRepeatTimer, &QTimer::timeout, this, &TPlayerForm::KeyRepeatTimerTimer);
    CellPictures = new Tonlyra::PictureLoader(this);
    CellPictures->OnPictureLoaded = [this](TPMultiImage* picture) { CellPictureLoaded(picture); };

    // Help is looked for beside the directory the program was started in, not the program's own.
    Tonlyra::SetHelpFile(QDir::current().filePath(QStringLiteral("CDManual.hlp")));
    // Keys for KeyPreview and the hint pause are seen application-wide.
    qApp->installEventFilter(this);
    FocusKeeper = new Tonlyra::FocusKeeper(
        [this](QWindow* lastFocused) { return WindowToWinFocusFor(lastFocused); }, this);
    connect(&Session, &Tonlyra::Session::OverlayChanged, this, &TPlayerForm::OverlayInForceChanged);
    connect(&Session, &Tonlyra::Session::SettingsChanged, this,
            &TPlayerForm::SettingsInForceChanged);
}

TPlayerForm::~TPlayerForm()
{
    qApp->removeEventFilter(this);
}

void TPlayerForm::CreatePanels()
{
    KnappPanel = new QFrame(this);
    KnappPanel->setObjectName(QStringLiteral("KnappPanel"));
    KnappPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    KnappPanel->setLineWidth(3);
    auto* layout = new QVBoxLayout(KnappPanel);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(0);
    KnappYta = new QWidget(KnappPanel);
    KnappYta->setObjectName(QStringLiteral("KnappYta"));
    layout->addWidget(KnappYta);
    ScanProgress = new Tonlyra::ScanProgressBar(KnappYta, [this] { return ScanProgressStep(); });
    FirstStart = new Tonlyra::FirstStartPanel(KnappPanel);
    FirstStart->hide();
    FirstStart->OnOpenDemo = [this] { OpenDemoClick(); };
    FirstStart->OnCreateOverlay = [this] { CreateOverlayClick(); };
    layout->addWidget(FirstStart);
    setCentralWidget(KnappPanel);
}

void TPlayerForm::CreateMenus()
{
    // Each command method sets its own check mark (as the keyboard paths that call them do too),
    // so the automatic toggle of a checkable action is undone before the command runs.
    auto command = [this](QAction* action, void (TPlayerForm::*method)()) {
        connect(action, &QAction::triggered, this, [this, action, method] {
            if (action->isCheckable())
                action->setChecked(!action->isChecked());
            (this->*method)();
        });
    };
    auto item = [this](QMenu* menu, const QString& text, const QString& name) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        return action;
    };
    auto separator = [](QMenu* menu, const QString& name) {
        QAction* action = menu->addSeparator();
        action->setObjectName(name);
        return action;
    };

    FileMenu = menuBar()->addMenu(QStringLiteral("&Arkiv"));
    FileMenu->setObjectName(QStringLiteral("FileMenu"));
    OpenMenu =
        item(FileMenu, QStringLiteral("&Öppna media-inställningar"), QStringLiteral("OpenMenu"));
    OpenUserSettingsMenu = item(FileMenu, QStringLiteral("Öppna b&rukar-inställningar"),
                                QStringLiteral("OpenUserSettingsMenu"));
    N1 = separator(FileMenu, QStringLiteral("N1"));
    ChangeMenu =
        item(FileMenu, QStringLiteral("&Inställningar för media"), QStringLiteral("ChangeMenu"));
    UserSettingsMenu = item(FileMenu, QStringLiteral("Inställningar för &brukare"),
                            QStringLiteral("UserSettingsMenu"));
    UsageMenu = item(FileMenu, QStringLiteral("A&nvändning..."), QStringLiteral("UsageMenu"));
    N3 = separator(FileMenu, QStringLiteral("N3"));
    VisaInfo = item(FileMenu, QStringLiteral("&Visa info"), QStringLiteral("VisaInfo"));
    VisaInfo->setCheckable(true);
    VisaInfo->setEnabled(false);
    HideBordersMenu =
        item(FileMenu, QStringLiteral("&Göm namnlisten"), QStringLiteral("HideBordersMenu"));
    HideBordersMenu->setCheckable(true);
    HideBordersMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    // The item's shortcut must keep working while the menu bar is hidden: it is the way back.
    addAction(HideBordersMenu);
    N2 = separator(FileMenu, QStringLiteral("N2"));
    MenuEnd = item(FileMenu, QStringLiteral("&Avsluta"), QStringLiteral("MenuEnd"));

    Paus = menuBar()->addAction(QStringLiteral("&Gör paus"));
    Paus->setObjectName(QStringLiteral("Paus"));
    Paus->setCheckable(true);
    Paus->setEnabled(false);

    HelpMenu1 = menuBar()->addMenu(QStringLiteral("&Hjälp"));
    HelpMenu1->setObjectName(QStringLiteral("HelpMenu1"));
    HelpMenuCont1 = item(HelpMenu1, QStringLiteral("&Innehåll"), QStringLiteral("HelpMenuCont1"));
    HelpMenuRun =
        item(HelpMenu1, QStringLiteral("&Köra programmet"), QStringLiteral("HelpMenuRun"));
    AboutMenu = item(HelpMenu1, QStringLiteral("&Om Tonlyran"), QStringLiteral("AboutMenu"));

    command(OpenMenu, &TPlayerForm::OpenMenuClick);
    command(OpenUserSettingsMenu, &TPlayerForm::OpenUserSettingsMenuClick);
    command(ChangeMenu, &TPlayerForm::ChangeMenuClick);
    command(UserSettingsMenu, &TPlayerForm::UserSettingsMenuClick);
    command(UsageMenu, &TPlayerForm::UsageMenuClick);
    command(VisaInfo, &TPlayerForm::VisaInfoClick);
    command(HideBordersMenu, &TPlayerForm::HideBordersMenuClick);
    command(MenuEnd, &TPlayerForm::MenuEndClick);
    command(Paus, &TPlayerForm::PausClick);
    command(HelpMenuCont1, &TPlayerForm::HelpMenuCont1Click);
    command(HelpMenuRun, &TPlayerForm::HelpMenuRunClick);
    command(AboutMenu, &TPlayerForm::AboutMenuClick);
}

// ---- Menu commands ----

void TPlayerForm::OpenMenuClick()
{
    if (!Carer)
        return;
    TakeHideBordersFromSettings();
    Carer->OpenOverlay();
    ShowOpenedOverlay();
}

void TPlayerForm::ShowOpenedOverlay()
{
    RememberOverlayInForce();
    HearsEndOfPlay = true;
}

void TPlayerForm::RememberOverlayInForce()
{
    const QString overlay = Session.OverlayFile();
    if (!overlay.isEmpty() && overlay != Tonlyra::UntitledOverlayName &&
        QFileInfo(overlay).isFile())
        Tonlyra::RememberOverlay(Session.SettingsFile(), overlay);
}

void TPlayerForm::OverlayInForceChanged()
{
    if (!FirstActivation)
        BuildGrid();
}

void TPlayerForm::SettingsInForceChanged()
{
    // Before the first grid the title bar stays as the window was made, whatever the settings
    // given at start say.
    if (FirstActivation)
        return;
    TakeHideBordersFromSettings();
    BuildGrid();
}

bool TPlayerForm::ConfirmSaveOverlay()
{
    return !Carer || Carer->ConfirmSaveOverlay();
}

void TPlayerForm::OpenDemoClick()
{
    QString error;
    const QString overlay = Tonlyra::FirstStartPanel::UserDemoOverlay(&error);
    if (overlay.isEmpty()) {
        Tonlyra::UserPrompt::ShowError(this, error);
        return;
    }
    if (!ConfirmSaveOverlay())
        return;
    TakeHideBordersFromSettings();
    Session.LoadOverlay(overlay);
    ShowOpenedOverlay();
}

void TPlayerForm::CreateOverlayClick()
{
    ChangeMenuClick();
}

void TPlayerForm::OpenUserSettingsMenuClick()
{
    if (!Carer)
        return;
    Playback->Stop();
    // What the window holds afterwards is applied, and the grid built anew for it.
    Carer->OpenUserSettings();
}

void TPlayerForm::ChangeMenuClick()
{
    if (!Carer)
        return;
    StopListeningToPlayback();
    Playback->Stop();
    NumberEntry.clear();
    CurrentCell = 0;
    SetPausEnabled(false);
    // An accepted overlay is put in force, and the grid built anew for it, before this returns.
    if (Carer->EditOverlay()) {
        RememberOverlayInForce();
    } else {
        // The grid stays as it was, and so must the way keys and clicks on a playing video
        // reach it: without this a video started later could not be stopped with a switch.
        TakesVideoInput = true;
    }
    TakeHideBordersFromSettings();
}

void TPlayerForm::UserSettingsMenuClick()
{
    if (!Carer)
        return;
    HearsEndOfPlay = false;
    Playback->Stop();
    // Accepted settings are applied, and the grid built anew for them, before this returns.
    const bool accepted = Carer->EditUserSettings();
    TakeHideBordersFromSettings();
    if (!accepted && !Session.OverlayFile().isEmpty())
        BuildGrid();
}

void TPlayerForm::UsageMenuClick()
{
    Tonlyra::UsageWindow window(
        Tonlyra::UseLogFolder(), Tonlyra::UseLogFileFor(Session.SettingsFile()),
        [this](int ms) { Session.SetScanDelayTime(ms); }, this);
    Tonlyra::UserPrompt::RunDialog(window);
    SetScanPeriod(Session.Settings().ScanDelayTime);
}

void TPlayerForm::VisaInfoClick()
{
    setWindowTitle(Caption);
    VisaInfo->setChecked(!VisaInfo->isChecked());
    if (VisaInfo->isChecked())
        DisplayTimer->start();
    else
        DisplayTimer->stop();
}

void TPlayerForm::HideBordersMenuClick()
{
    HideBordersMenu->setChecked(!HideBordersMenu->isChecked());
    BuildGrid();
}

void TPlayerForm::MenuEndClick()
{
    close();
}

void TPlayerForm::HelpMenuCont1Click()
{
    Tonlyra::ShowHelp(this, QString());
}

void TPlayerForm::HelpMenuRunClick()
{
    Tonlyra::ShowHelp(this, QStringLiteral("Kora"));
}

QString TPlayerForm::AboutText() const
{
    const QString thumbnails = Tonlyra::Thumbnails::CacheFolder();
    QStringList lines{
        VersionText,
        QString(),
        QStringLiteral("Tonlyran är en mediaspelare för den som styr datorn med en eller två "
                       "brytare, tangentbordet, piltangenterna eller musen."),
        QString(),
        QStringLiteral("Programmets filer:"),
        QStringLiteral("Överlägg: %1").arg(Carer ? Carer->OverlayFolder() : QString()),
        QStringLiteral("Brukarinställningar: %1")
            .arg(Carer ? Carer->UserSettingsFolder() : QString()),
        QStringLiteral("Bildbaser och anteckningar: %1")
            .arg(Tonlyra::SystemFolders().join(QStringLiteral(", "))),
        QStringLiteral("Miniatyrbilder: %1")
            .arg(thumbnails.isEmpty() ? QStringLiteral("avstängda") : thumbnails),
        QStringLiteral("Upplästa texter: %1").arg(SpokenCells.Folder()),
    };
    return lines.join(u'\n');
}

void TPlayerForm::AboutMenuClick()
{
    Tonlyra::UserPrompt::Message(this, Caption, AboutText(), QMessageBox::Ok);
}

void TPlayerForm::TakeHideBordersFromSettings()
{
    HideBordersMenu->setChecked(Session.Settings().HideBorders);
}

// ---- Title bar ----

void TPlayerForm::ShowMaximizedOnScreen()
{
    // Where no window manager maximises the window (a kiosk session), it takes the screen's
    // available area itself; where one does, that area is also its size when not maximised.
    if (const QScreen* screen = this->screen())
        setGeometry(screen->availableGeometry());
    showMaximized();
    ActivateOnExpose = true;
    WhenExposed();
}

void TPlayerForm::WhenExposed()
{
    if (!windowHandle() || !windowHandle()->isExposed())
        return;
    if (ActivateOnExpose) {
        // Keys and the scanning act only in the active window, and without a window manager
        // nothing activates it: a switch user, who cannot click it, would be left with a dead
        // grid. No window can be activated before it is on the screen.
        ActivateOnExpose = false;
        raise();
        activateWindow();
    }
    if (BuildOnExpose) {
        BuildOnExpose = false;
        QTimer::singleShot(0, this, &TPlayerForm::FormActivate);
    }
}

void TPlayerForm::SetFullScreen(bool on)
{
    // The title bar goes by showing the window full screen: the window manager takes the frame
    // away and the window stays on the screen and active. (Changing the frame flags instead
    // unmaps the window and shows it again; it came back without the focus, so that keys and
    // the scanning were dead, and not maximised.)
    if (isFullScreen() == on)
        return;
    if (!isVisible()) {
        setWindowState(on ? windowState() | Qt::WindowFullScreen
                          : windowState() & ~Qt::WindowFullScreen);
        return;
    }
    if (on) {
        // Where no window manager does it, the window covers the screen itself.
        if (const QScreen* screen = this->screen())
            setGeometry(screen->geometry());
        showFullScreen();
    } else {
        ShowMaximizedOnScreen();
    }
}

void TPlayerForm::HideTitleBar()
{
    SetFullScreen(true);
    FileMenu->menuAction()->setVisible(false);
    Paus->setVisible(false);
    HelpMenu1->menuAction()->setVisible(false);
    menuBar()->setVisible(false);
    HideBordersMenu->setChecked(true);
}

void TPlayerForm::ShowTitleBar()
{
    SetFullScreen(false);
    FileMenu->menuAction()->setVisible(true);
    Paus->setVisible(true);
    HelpMenu1->menuAction()->setVisible(true);
    menuBar()->setVisible(true);
    HideBordersMenu->setChecked(false);
}

void TPlayerForm::ApplyTitleBarChoice()
{
    if (HideBordersMenu->isChecked())
        HideTitleBar();
    else
        ShowTitleBar();
}

// ---- The rebuild ----

void TPlayerForm::BuildGrid()
{
    const UserSettings& settings = Session.Settings();

    ApplyTitleBarChoice();

    CurrentCell = 0;
    ScanInRow = false;
    KeyHeld = false;
    ActOnPress = settings.ActOnKeyDown;

    TakesVideoInput = true;

    ShowLoadingPanel();

    // No key, and no scanning step, may act on a half-built grid (the disc message below runs
    // the event loop while the old cells are still there).
    KeyPreview = false;
    KnappYta->hide();
    ScanTimer->stop();
    if (OnLoadingPanelShown)
        OnLoadingPanelShown(LoadingPanel);

    const int cellCount = Session.Overlay().CellCount();
    HasCDCells = false;
    for (int cell = 1; cell <= cellCount && !HasCDCells; ++cell)
        HasCDCells = Session.Overlay().IsCDTrackCell(cell);
    if (HasCDCells)
        Playback->PrepareCD();

    DestroyCells();
    CreateCells();

    KnappYta->show();
    ScanStepHeld = false;
    ScanHalted = false;
    ScanRoundsBegun = 0;
    SetScanPeriod(settings.ScanDelayTime);
    SwitchPresses.SetTimings(settings);
    UseLog.LogTo(settings.LogUse ? Tonlyra::UseLogFileFor(Session.SettingsFile()) : QString());
    if (RunsScanTimer(settings.ControlMode))
        ScanTimer->start();
    else
        ScanTimer->stop();
    ScanProgress->Follow(settings.ShowScanProgress && RunsScanTimer(settings.ControlMode));
    KeyRepeatTimer->setInterval(std::max(1, settings.KeyRepetitionDelayTime));
    KeyPreview = true;
    VisaInfo->setEnabled(cellCount > 0);

    ApplyTitleBarChoice();
    delete LoadingPanel;
    if (PauseSign)
        ShowPauseSign(true);
    setFocus();
    ShowFirstStartPanel(cellCount == 0);
    repaint();
}

void TPlayerForm::ShowFirstStartPanel(bool show)
{
    if (!show) {
        FirstStart->hide();
        return;
    }
    FirstStart->ShowFor(
        Session.OverlayFile() == Tonlyra::UntitledOverlayName ? QString() : Session.OverlayFile());
    KnappYta->hide();
    FirstStart->show();
    FirstStart->DemoButton->setFocus();
}

void TPlayerForm::ShowLoadingPanel()
{
    delete LoadingPanel;
    const QString text =
        QStringLiteral("Laddar överlägget  \"") + Session.OverlayFile() + QStringLiteral("\"");
    auto* panel = new QLabel(text, this);
    panel->setObjectName(QStringLiteral("LoadingPanel"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setAlignment(Qt::AlignCenter);
    panel->setAutoFillBackground(true);
    panel->resize(fontMetrics().horizontalAdvance(text) + 40, LoadingPanelHeight);
    LoadingPanel = panel;
    CentreLoadingPanel();
    panel->show();
    panel->raise();
    panel->setFocus();
    // Paint it now: the rest of the rebuild runs without returning to the event loop.
    repaint();
    panel->repaint();
}

void TPlayerForm::CentreLoadingPanel()
{
    if (!LoadingPanel)
        return;
    LoadingPanel->move(width() / 2 - LoadingPanel->width() / 2,
                       height() / 2 - LoadingPanel->height() / 2);
}

void TPlayerForm::ShowPauseSign(bool show)
{
    if (!show) {
        delete PauseSign;
        return;
    }
    if (!PauseSign) {
        auto* sign = new QLabel(QStringLiteral("Paus"), this);
        sign->setObjectName(QStringLiteral("PauseSign"));
        sign->setFrameStyle(QFrame::Panel | QFrame::Raised);
        sign->setLineWidth(3);
        sign->setAlignment(Qt::AlignCenter);
        sign->setAutoFillBackground(true);
        // Clicks on it are clicks on the grid (which a pause ignores).
        sign->setAttribute(Qt::WA_TransparentForMouseEvents);
        PauseSign = sign;
    }
    PlaceOverGrid(PauseSign);
    PauseSign->show();
    PauseSign->raise();
}

void TPlayerForm::PlaceOverGrid(QWidget* sign)
{
    // Large enough to be seen across the room, in the middle of the grid.
    const QRect grid(KnappYta->mapTo(this, QPoint(0, 0)), KnappYta->size());
    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(std::max(24, grid.height() / 8));
    sign->setFont(font);
    const QSize size = sign->sizeHint() + QSize(font.pixelSize(), font.pixelSize() / 2);
    sign->setGeometry(QRect(QPoint(0, 0), size)
                          .translated(grid.center() - QPoint(size.width() / 2, size.height() / 2)));
}

void TPlayerForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The window may be resized while the grid is built (a window manager maximising it).
    CentreLoadingPanel();
}

void TPlayerForm::PlayThrough(Tonlyra::PlaybackService& playback, Tonlyra::VideoWindow* video)
{
    using Tonlyra::PlaybackService;
    Playback = &playback;
    Video = video;
    // A medium that cannot be played ends its play as well; EndOfPlay reads why.
    const auto ended = [this] {
        if (HearsEndOfPlay)
            EndOfPlay(Playback);
    };
    connect(Playback, &PlaybackService::EndOfPlay, this, ended);
    connect(Playback, &PlaybackService::LoadFailed, this, ended);
    // Keys and clicks on the full-screen video, with the service as their sender; the key code
    // is handed over as a copy and the shift state left empty.
    connect(Playback, &PlaybackService::PlayerKeyDown, this,
            [this](int key, Qt::KeyboardModifiers) {
                if (TakesVideoInput)
                    FormKeyDown(Playback, key, Qt::NoModifier);
            });
    connect(Playback, &PlaybackService::PlayerKeyUp, this, [this](int key, Qt::KeyboardModifiers) {
        if (TakesVideoInput)
            FormKeyUp(Playback, key, Qt::NoModifier);
    });
    connect(Playback, &PlaybackService::PlayerMouseDown, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
                if (TakesVideoInput)
                    CellMouseDown(Playback, button, shift, x, y);
            });
    connect(Playback, &PlaybackService::PlayerMouseUp, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
                if (TakesVideoInput)
                    CellMouseUp(Playback, button, shift, x, y);
            });
}

void TPlayerForm::StopListeningToPlayback()
{
    HearsEndOfPlay = false;
    TakesVideoInput = false;
}

// ---- Window events ----

void TPlayerForm::FormActivate()
{
    if (!FirstActivation)
        return;
    // Cleared first: the rebuild may itself activate the window again.
    FirstActivation = false;
    BuildGrid();
}

bool TPlayerForm::FormCloseQuery()
{
    if (Carer && !Carer->ConfirmSaveUserSettings())
        return false;
    if (!ConfirmSaveOverlay())
        return false;
    HearsEndOfPlay = false;
    Playback->Stop();
    Session.ReleaseOverlay();
    return true;
}

QWindow* TPlayerForm::WindowToWinFocusFor(QWindow* lastFocused) const
{
    // The user of a switch mode cannot take the window back by a click.
    if (!Tonlyra::IsSwitchMode(Session.Settings().ControlMode) || !isVisible())
        return nullptr;
    // The program's own dialogs and editors are a carer's: one still open is never covered by
    // the player, and one that had the focus last does not hand it to the player.
    if (QApplication::activeModalWidget())
        return nullptr;
    QWindow* videoWindow = Video ? Video->windowHandle() : nullptr;
    if (lastFocused && lastFocused != windowHandle() && lastFocused != videoWindow)
        return nullptr;
    // A full-screen video takes the keys that stop it.
    return Video && Video->isVisible() ? videoWindow : windowHandle();
}

bool TPlayerForm::event(QEvent* event)
{
    const bool result = QMainWindow::event(event);
    // The first activation builds the grid; so does the first showing, as some window managers
    // (and none at all) do not activate a new window until it is clicked, which a switch user
    // cannot do. Either way the grid is built once the window is on the screen, so that the
    // loading panel shows, and at the window's size there.
    if (FirstActivation &&
        (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)) {
        BuildOnExpose = true;
        WhenExposed();
    }
    return result;
}

void TPlayerForm::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    if (Tonlyra::HelpWindow* help = Tonlyra::CurrentHelpWindow())
        help->close();
    event->accept();
}

bool TPlayerForm::IsOwnWidget(QObject* object) const
{
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->window() == this;
}

bool TPlayerForm::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Expose:
        if (watched == windowHandle())
            WhenExposed();
        break;
    case QEvent::Resize:
        // The grid follows the size of its area: the window is maximised, or its title bar
        // hidden or shown, after the grid was built.
        if (watched == KnappYta) {
            LayOutCells();
            if (PauseSign)
                PlaceOverGrid(PauseSign);
        }
        break;
    case QEvent::ToolTip: {
        // Hints stay on screen for the program's hint pause.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && !widget->toolTip().isEmpty() && widget->toolTipDuration() <= 0) {
            auto* help = static_cast<QHelpEvent*>(event);
            QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(),
                               HintHidePause);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
        // The grid's ground between and around the cells takes the mouse buttons that are
        // switches as the cells do (in the stepping modes most of the grid is ground).
        if (watched == KnappYta || watched == KnappPanel) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const UserSettings& settings = Session.Settings();
            if (!SwitchKeyOf(Tonlyra::SwitchOfPress(settings.Switch1, settings.Switch2,
                                                    Tonlyra::SwitchInput::OfMouse(mouse->button()))))
                break;
            const QPoint at = mouse->position().toPoint();
            if (event->type() == QEvent::MouseButtonRelease)
                CellMouseUp(watched, mouse->button(), mouse->modifiers(), at.x(), at.y());
            else
                CellMouseDown(watched, mouse->button(), mouse->modifiers(), at.x(), at.y());
            return true;
        }
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // The menu bar works its own keys while it is being steered from the keyboard, and the
        // first start panel's buttons theirs.
        if (!KeyPreview || !IsOwnWidget(watched) || qobject_cast<QMenuBar*>(watched) ||
            FirstStart->isVisible())
            break;
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        // Alt opens the menus from the keyboard; leave it to the menu bar.
        if (keyEvent->key() == Qt::Key_Alt || keyEvent->modifiers().testFlag(Qt::AltModifier))
            break;
        const auto edge = Tonlyra::SwitchEdgeOf(*event);
        if (!edge)
            return true;
        int key = edge->Switch;
        if (edge->Down)
            FormKeyDown(this, key, keyEvent->modifiers());
        else
            FormKeyUp(this, key, keyEvent->modifiers());
        // The window has seen the key; none of its controls has a use for it.
        return true;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
