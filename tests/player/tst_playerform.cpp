// The real program's windows on the offscreen platform: start-up, the rebuild with its loading
// panel, the title bar, the menus, closing with the two save questions, and the demo overlay.

#include "help/HelpWindow.h"
#include "media/IRDialogUnit.h"
#include "media/MediaDialogUnit.h"
#include "media/VideoWindow.h"
#include "overlay/NumberDialogUnit.h"
#include "overlay/PictureBaseDialogUnit.h"
#include "overlay/PreviewFormUnit.h"
#include "overlay/RowsColsDialogUnit.h"
#include "overlay/SettingsFormUnit.h"
#include "platform/PictureReader.h"
#include "platform/ProfileFile.h"
#include "player/FirstStartPanel.h"
#include "player/PlayerFormUnit.h"
#include "tests/support/ApplicationUnderTest.h"
#include "tests/support/TestSupport.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

using namespace Tonlyra;
using Tonlyra::Test::ChangeAppliedSettings;
using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;

namespace {

// Writes a 2 x 2 overlay whose first `withMedia` cells play a sound file.
QString WriteOverlay(const TempDir& dir, const QString& name, int withMedia)
{
    const QString sound = dir.File(QStringLiteral("tone.wav"));
    if (!QFileInfo::exists(sound))
        Tonlyra::Test::WriteWav(sound, 200);
    ProfileFile file;
    file.SetPath(dir.File(name));
    file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Rows"), 2);
    file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Cols"), 2);
    for (int k = 1; k <= 4; ++k) {
        const bool media = k <= withMedia;
        file.WriteString(QStringLiteral("Media"), QString::number(k), media ? sound : QString());
        file.WriteString(QStringLiteral("MediaTypes"), QString::number(k),
                         media ? QStringLiteral("SoundFile") : QString());
        file.WriteString(QStringLiteral("Texts"), QString::number(k),
                         QStringLiteral("Ruta %1").arg(k));
    }
    EXPECT_TRUE(file.Save());
    return file.Path();
}

using Tonlyra::Test::ReadAll;

// Runs each test in a fresh start directory (with its Overlays/ and Users/ folders) and builds
// the program's windows there on demand.
class PlayerFormTest : public ::testing::Test, protected Tonlyra::Test::ApplicationUnderTest
{
protected:
    void SetUp() override
    {
        OldCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir(Dir.Path()).mkpath(QStringLiteral("Overlays")));
        ASSERT_TRUE(QDir(Dir.Path()).mkpath(QStringLiteral("Users")));
        ASSERT_TRUE(QDir::setCurrent(Dir.Path()));
    }
    void TearDown() override
    {
        Destroy();
        QDir::setCurrent(OldCurrent);
    }

    // Creates the windows with these command-line arguments and counts the rebuilds.
    void Start(const QStringList& arguments = {})
    {
        Create(arguments);
        PlayerForm->OnLoadingPanelShown = [this](QLabel*) { ++Rebuilds; };
    }
    // Shows the player as the program does; its first activation builds the grid.
    void ShowPlayer()
    {
        PlayerForm->showMaximized();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(PlayerForm));
        ASSERT_TRUE(QTest::qWaitFor([this] { return !PlayerForm->FirstActivation; }, 2000));
    }

    TempDir Dir;
    QString OldCurrent;
    int Rebuilds = 0;
};

TEST_F(PlayerFormTest, CreatesTheNineWindowsInOrderAndHandsThemTheCommandLine)
{
    const QString overlay = WriteOverlay(Dir, QStringLiteral("Overlays/Start.cdu"), 2);
    ProfileFile settings;
    settings.SetPath(Dir.File(QStringLiteral("Users/Anna.usr")));
    settings.WriteInteger(QStringLiteral("Extended settings"), QStringLiteral("Spacing"), 7);
    ASSERT_TRUE(settings.Save());

    Start({QStringLiteral("Anna.usr"), overlay});

    EXPECT_EQ(PlayerForm->windowTitle(), QStringLiteral("Tonlyran"));
    EXPECT_EQ(Windows->PlayerForm(), PlayerForm);
    // The other windows are owned by the player window, in the order they were created (the
    // full-screen video window the media dialog shows its service's videos in first), and the
    // editor's own dialogs by the editor.
    const auto windowsOf = [](QObject* owner) {
        std::vector<QObject*> created;
        for (QObject* child : owner->children())
            if (child->isWidgetType() && static_cast<QWidget*>(child)->isWindow())
                created.push_back(child);
        return created;
    };
    EXPECT_EQ(windowsOf(PlayerForm),
              (std::vector<QObject*>{MediaDialog->VideoWindow, MediaDialog, SettingsForm,
                                     UserSettingsForm, IRDialog}));
    for (QWidget* dialog : std::initializer_list<QWidget*>{
             SettingsForm->NumberDialog, SettingsForm->RowsColsDialog, SettingsForm->PreviewForm,
             SettingsForm->PictureBaseDialog})
        EXPECT_EQ(dialog->parent(), SettingsForm);
    EXPECT_EQ(IRDialog->windowTitle(), QStringLiteral("IR"));

    // The overlay editor took the ".cdu", the user settings window the ".usr".
    EXPECT_EQ(SettingsForm->FileName, overlay);
    EXPECT_EQ(SettingsForm->CellCount(), 4);
    EXPECT_EQ(UserSettingsForm->UserSettings().Spacing, 7);

    // Nothing is built before the first activation.
    EXPECT_TRUE(PlayerForm->FirstActivation);
    EXPECT_EQ(Rebuilds, 0);

    const QPointer<TPlayerForm> player = PlayerForm;
    const QPointer<TPictureBaseDialog> pictureBase = SettingsForm->PictureBaseDialog;
    Destroy();
    EXPECT_TRUE(player.isNull());
    EXPECT_TRUE(pictureBase.isNull());
}

TEST_F(PlayerFormTest, FirstActivationBuildsTheGridOnceWithTheTitleBarShown)
{
    const QString overlay = WriteOverlay(Dir, QStringLiteral("Overlays/Start.cdu"), 1);
    Start({overlay});
    // The stored choice reaches the menu item only through the menu commands, so the first
    // grid has its title bar whatever the settings say.
    ChangeAppliedSettings(*Session, [](UserSettings& s) { s.HideBorders = true; });
    ShowPlayer();

    EXPECT_EQ(Rebuilds, 1);
    EXPECT_FALSE(PlayerForm->HideBordersMenu->isChecked());
    EXPECT_TRUE(PlayerForm->menuBar()->isVisible());
    EXPECT_TRUE(PlayerForm->VisaInfo->isEnabled());
    EXPECT_TRUE(PlayerForm->isMaximized());
    // The forwarded keys and clicks of a playing video reach the player.
    EXPECT_TRUE(PlayerForm->TakesVideoInput);

    PlayerForm->FormActivate();
    EXPECT_EQ(Rebuilds, 1);
}

TEST_F(PlayerFormTest, LoadingPanelNamesTheOverlayIsCentredAndShownWhileTheGridIsBuilt)
{
    const QString overlay = WriteOverlay(Dir, QStringLiteral("Overlays/Start.cdu"), 1);
    struct Case
    {
        QStringList Arguments;
        QString Caption;
    };
    const Case cases[] = {
        {{overlay}, QStringLiteral("Laddar överlägget  \"%1\"").arg(overlay)},
        {{}, QStringLiteral("Laddar överlägget  \"\"")}, // no overlay yet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Caption.toStdString());
        Start(c.Arguments);
        PlayerForm->setGeometry(50, 50, 700, 500);
        ChangeAppliedSettings(
            *Session, [&](UserSettings& s) { s.ControlMode = ControlMode::OneSwitchScanControl; });
        PlayerForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(PlayerForm));

        struct Seen
        {
            QString Text;
            QRect Geometry;
            bool Visible = false;
            bool Focused = false;
            bool KeyPreview = true;
            bool GridVisible = true;
            bool Scanning = true;
        };
        std::optional<Seen> seen;
        PlayerForm->OnLoadingPanelShown = [&](QLabel* panel) {
            seen = Seen{panel->text(),
                        panel->geometry(),
                        panel->isVisible(),
                        panel->hasFocus() || QApplication::focusWidget() == panel,
                        PlayerForm->KeyPreview,
                        PlayerForm->KnappYta->isVisible(),
                        PlayerForm->ScanTimer->isActive()};
        };
        PlayerForm->BuildGrid();

        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->Text, c.Caption);
        const int width = PlayerForm->fontMetrics().horizontalAdvance(c.Caption) + 40;
        EXPECT_EQ(seen->Geometry.width(), width);
        EXPECT_EQ(seen->Geometry.left(), PlayerForm->width() / 2 - width / 2);
        EXPECT_EQ(seen->Geometry.top(), PlayerForm->height() / 2 - seen->Geometry.height() / 2);
        EXPECT_TRUE(seen->Visible);
        EXPECT_TRUE(seen->Focused);
        EXPECT_FALSE(seen->KeyPreview);
        EXPECT_FALSE(seen->GridVisible);
        EXPECT_FALSE(seen->Scanning);

        // Afterwards the panel is gone and keys act again.
        EXPECT_TRUE(PlayerForm->LoadingPanel.isNull());
        EXPECT_EQ(PlayerForm->findChild<QLabel*>(QStringLiteral("LoadingPanel")), nullptr);
        EXPECT_TRUE(PlayerForm->KeyPreview);
        // Without an overlay the first start panel stands in the grid's place.
        EXPECT_EQ(PlayerForm->KnappYta->isVisible(), !c.Arguments.isEmpty());
        EXPECT_EQ(PlayerForm->FirstStart->isVisible(), c.Arguments.isEmpty());
        EXPECT_TRUE(PlayerForm->ScanTimer->isActive());
        Destroy();
    }
}

TEST_F(PlayerFormTest, HidingTheTitleBarAndCtrlMBringingItBack)
{
    Start();
    ShowPlayer();
    const int before = Rebuilds;

    PlayerForm->HideBordersMenu->trigger();
    EXPECT_EQ(Rebuilds, before + 1);
    EXPECT_TRUE(PlayerForm->HideBordersMenu->isChecked());
    // No title bar: the window covers the screen.
    EXPECT_TRUE(PlayerForm->isFullScreen());
    EXPECT_FALSE(PlayerForm->menuBar()->isVisible());
    EXPECT_FALSE(PlayerForm->FileMenu->menuAction()->isVisible());
    EXPECT_FALSE(PlayerForm->Paus->isVisible());
    EXPECT_FALSE(PlayerForm->HelpMenu1->menuAction()->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(PlayerForm));

    // With the menu bar gone, Ctrl+M is the way back.
    PlayerForm->activateWindow();
    QTest::keyClick(PlayerForm, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(Rebuilds, before + 2);
    EXPECT_FALSE(PlayerForm->HideBordersMenu->isChecked());
    EXPECT_FALSE(PlayerForm->isFullScreen());
    EXPECT_TRUE(PlayerForm->isMaximized());
    EXPECT_TRUE(PlayerForm->menuBar()->isVisible());
    EXPECT_TRUE(PlayerForm->FileMenu->menuAction()->isVisible());
    EXPECT_TRUE(PlayerForm->Paus->isVisible());
}

TEST_F(PlayerFormTest, MenusHoldTheirItemsInOrder)
{
    Start();
    struct Item
    {
        const char* Name;
        const char* Caption;
    };
    const auto check = [](QMenu* menu, std::initializer_list<Item> items) {
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), qsizetype(items.size()));
        int i = 0;
        for (const Item& item : items) {
            SCOPED_TRACE(item.Name);
            EXPECT_EQ(actions[i]->objectName(), QString::fromUtf8(item.Name));
            if (actions[i]->isSeparator()) {
                EXPECT_STREQ(item.Caption, "-");
            } else {
                EXPECT_EQ(actions[i]->text(), QString::fromUtf8(item.Caption));
            }
            ++i;
        }
    };
    const QList<QAction*> bar = PlayerForm->menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0], PlayerForm->FileMenu->menuAction());
    EXPECT_EQ(bar[0]->text(), QStringLiteral("&Arkiv"));
    EXPECT_EQ(bar[1], PlayerForm->Paus);
    EXPECT_EQ(bar[1]->text(), QStringLiteral("&Gör paus"));
    EXPECT_FALSE(PlayerForm->Paus->isEnabled());
    EXPECT_EQ(bar[2]->text(), QStringLiteral("&Hjälp"));
    check(PlayerForm->FileMenu, {{"OpenMenu", "&Öppna media-inställningar"},
                                 {"OpenUserSettingsMenu", "Öppna b&rukar-inställningar"},
                                 {"N1", "-"},
                                 {"ChangeMenu", "&Inställningar för media"},
                                 {"UserSettingsMenu", "Inställningar för &brukare"},
                                 {"UsageMenu", "A&nvändning..."},
                                 {"N3", "-"},
                                 {"VisaInfo", "&Visa info"},
                                 {"HideBordersMenu", "&Göm namnlisten"},
                                 {"N2", "-"},
                                 {"MenuEnd", "&Avsluta"}});
    check(PlayerForm->HelpMenu1, {{"HelpMenuCont1", "&Innehåll"},
                                  {"HelpMenuRun", "&Köra programmet"},
                                  {"AboutMenu", "&Om Tonlyran"}});
    EXPECT_EQ(PlayerForm->HideBordersMenu->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
    EXPECT_EQ(PlayerForm->DisplayTimer->interval(), 200);
    EXPECT_FALSE(PlayerForm->ScanTimer->isActive());
    EXPECT_FALSE(PlayerForm->KeyRepeatTimer->isActive());
}

// Two items of one menu with the same access key: the key only moves between them and chooses
// neither. Within every menu bar and each of its menus, of every window with one.
TEST_F(PlayerFormTest, AccessKeysAreUniqueInEveryMenu)
{
    Start();
    for (QWidget* window : {static_cast<QWidget*>(PlayerForm), static_cast<QWidget*>(SettingsForm),
                            static_cast<QWidget*>(UserSettingsForm)}) {
        for (const QMenuBar* bar : window->findChildren<QMenuBar*>()) {
            std::vector<QList<QAction*>> menus{bar->actions()};
            for (const QAction* item : bar->actions())
                if (item->menu())
                    menus.push_back(item->menu()->actions());
            for (const QList<QAction*>& items : menus) {
                QMap<QChar, QString> taken;
                for (const QAction* item : items) {
                    const QString text = item->text();
                    const qsizetype amp = text.indexOf(u'&');
                    if (amp < 0 || amp + 1 >= text.size())
                        continue;
                    const QChar key = text[amp + 1].toLower();
                    EXPECT_FALSE(taken.contains(key))
                        << window->metaObject()->className() << ": " << text.toStdString()
                        << " and " << taken.value(key).toStdString();
                    taken.insert(key, text);
                }
            }
        }
    }
}

TEST_F(PlayerFormTest, AboutBoxShowsTheVersionWhatTheProgramIsAndWhereItsFilesAre)
{
    Start();
    ScriptedPrompts prompts;
    prompts.Button(QMessageBox::Ok);
    PlayerForm->AboutMenu->trigger();
    ASSERT_EQ(prompts.Asked().size(), 1u);
    EXPECT_EQ(prompts.Asked()[0].Caption, QStringLiteral("Tonlyran"));
    EXPECT_EQ(prompts.Asked()[0].Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    const QStringList lines = prompts.Asked()[0].Text.split(u'\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Version 2.18          2011 11 03"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Tonlyran är en mediaspelare")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Överlägg: ") + SettingsForm->OverlayFolder));
    EXPECT_TRUE(lines.contains(QStringLiteral("Brukarinställningar: ") +
                               UserSettingsForm->UserFilesDirectory));
    EXPECT_TRUE(
        lines.contains(QStringLiteral("Upplästa texter: ") + PlayerForm->SpokenCells.Folder()));
}

TEST_F(PlayerFormTest, ClosingAsksBothQuestionsAndCancelInEitherKeepsTheProgramRunning)
{
    const QString overlay = WriteOverlay(Dir, QStringLiteral("Overlays/Start.cdu"), 2);
    const QString userDef = Dir.File(QStringLiteral("Users/User.def"));
    struct Case
    {
        const char* Name;
        std::vector<QMessageBox::StandardButton> Answers;
        bool Closes;
    };
    const Case cases[] = {
        {"cancel the settings question", {QMessageBox::Cancel}, false},
        {"no, then cancel the overlay question", {QMessageBox::No, QMessageBox::Cancel}, false},
        {"no and no", {QMessageBox::No, QMessageBox::No}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const QByteArray overlayBefore = ReadAll(overlay);
        Start({overlay});
        ShowPlayer();
        UserSettingsForm->Session.SetSettingsUnsaved(true);
        SettingsForm->Session.SetOverlayUnsaved(true);
        const int rebuilds = Rebuilds;

        ScriptedPrompts prompts;
        for (QMessageBox::StandardButton answer : c.Answers)
            prompts.Button(answer);
        PlayerForm->MenuEnd->trigger();

        ASSERT_EQ(prompts.Asked().size(), c.Answers.size());
        EXPECT_EQ(prompts.Asked()[0].Caption, QStringLiteral("Spara ändringar"));
        if (c.Answers.size() > 1) {
            EXPECT_EQ(prompts.Asked()[1].Caption, QStringLiteral("Spara ändringar?"));
        }
        EXPECT_EQ(PlayerForm->isVisible(), !c.Closes);
        EXPECT_EQ(Rebuilds, rebuilds);
        if (c.Closes) {
            EXPECT_EQ(SettingsForm->CellCount(), 0); // the overlay was let go
        } else {
            EXPECT_EQ(SettingsForm->CellCount(), 4); // the grid's overlay is untouched
        }
        // Nothing was written.
        EXPECT_EQ(ReadAll(overlay), overlayBefore);
        EXPECT_FALSE(QFileInfo::exists(userDef));
        Destroy();
    }
}

TEST_F(PlayerFormTest, VisaInfoIsEnabledOnlyForAnOverlayWithCells)
{
    const QString empty = WriteOverlay(Dir, QStringLiteral("Overlays/Empty.cdu"), 0);
    const QString full = WriteOverlay(Dir, QStringLiteral("Overlays/Full.cdu"), 1);
    Start({empty});
    ShowPlayer();
    EXPECT_FALSE(PlayerForm->VisaInfo->isEnabled());

    ScriptedPrompts prompts;
    prompts.File(full);
    PlayerForm->OpenMenu->trigger();
    EXPECT_EQ(SettingsForm->FileName, full);
    EXPECT_TRUE(PlayerForm->VisaInfo->isEnabled());
    EXPECT_TRUE(PlayerForm->HearsEndOfPlay);

    PlayerForm->setWindowTitle(QStringLiteral("något annat"));
    PlayerForm->VisaInfo->trigger();
    EXPECT_TRUE(PlayerForm->VisaInfo->isChecked());
    EXPECT_TRUE(PlayerForm->DisplayTimer->isActive());
    EXPECT_EQ(PlayerForm->windowTitle(), QStringLiteral("Tonlyran"));
    PlayerForm->VisaInfo->trigger();
    EXPECT_FALSE(PlayerForm->VisaInfo->isChecked());
    EXPECT_FALSE(PlayerForm->DisplayTimer->isActive());

    // And back to an overlay without cells.
    prompts.File(empty);
    PlayerForm->OpenMenu->trigger();
    EXPECT_FALSE(PlayerForm->VisaInfo->isEnabled());
}

TEST_F(PlayerFormTest, CancelledEditorKeepsTheGridButTakesTheStoredTitleBarChoice)
{
    const QString overlay = WriteOverlay(Dir, QStringLiteral("Overlays/Start.cdu"), 1);
    Start({overlay});
    ShowPlayer();
    const int rebuilds = Rebuilds;
    PlayerForm->CurrentCell = 3;
    PlayerForm->NumberEntry = QStringLiteral("12");
    ChangeAppliedSettings(*Session, [](UserSettings& s) { s.HideBorders = true; });

    PlayerForm->ChangeMenu->trigger(); // the editor is left with Cancel

    EXPECT_EQ(Rebuilds, rebuilds);
    EXPECT_TRUE(PlayerForm->HideBordersMenu->isChecked());
    EXPECT_FALSE(PlayerForm->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(PlayerForm->CurrentCell, 0);
    EXPECT_TRUE(PlayerForm->NumberEntry.isEmpty());
    EXPECT_FALSE(PlayerForm->HearsEndOfPlay);
    // Keys and clicks on a video played later still reach the grid.
    EXPECT_TRUE(PlayerForm->TakesVideoInput);
}

TEST_F(PlayerFormTest, UserSettingsWindowRebuildsWhenAcceptedOrAnOverlayIsLoaded)
{
    Start();
    ShowPlayer();
    const int rebuilds = Rebuilds;
    PlayerForm->UserSettingsMenu->trigger(); // cancelled
    EXPECT_EQ(Rebuilds, rebuilds);
    {
        ScriptedPrompts prompts;
        prompts.Dialog([](QDialog&) { return true; }); // accepted
        PlayerForm->UserSettingsMenu->trigger();
    }
    EXPECT_EQ(Rebuilds, rebuilds + 1);

    // An overlay put in force is shown at once.
    SettingsForm->LoadOverlay(WriteOverlay(Dir, QStringLiteral("Overlays/Start.cdu"), 1));
    SettingsForm->CommitOverlay();
    EXPECT_EQ(Rebuilds, rebuilds + 2);
    PlayerForm->UserSettingsMenu->trigger(); // cancelled
    EXPECT_EQ(Rebuilds, rebuilds + 3);
}

TEST_F(PlayerFormTest, ScanTimerRunsOnlyInTheOneSwitchScanningModes)
{
    Start();
    ShowPlayer();
    struct Case
    {
        ControlMode Mode;
        bool Runs;
    };
    const Case cases[] = {{ControlMode::OneSwitchScanControl, true},
                          {ControlMode::OneSwitchScanXYControl, true},
                          {ControlMode::TwoSwitchScanControl, false},
                          {ControlMode::MouseControl, false},
                          {ControlMode::None, false}};
    ChangeAppliedSettings(*Session, [](UserSettings& s) {
        s.ScanDelayTime = 2300;
        s.KeyRepetitionDelayTime = 900;
    });
    for (const Case& c : cases) {
        ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.ControlMode = c.Mode; });
        PlayerForm->BuildGrid();
        EXPECT_EQ(PlayerForm->ScanTimer->isActive(), c.Runs) << int(c.Mode);
        EXPECT_EQ(PlayerForm->ScanTimer->interval(), 2300);
        EXPECT_EQ(PlayerForm->KeyRepeatTimer->interval(), 900);
    }
}

TEST_F(PlayerFormTest, FocusIsWonBackOnlyForASwitchUserAndNeverOverTheProgramsOwnWindows)
{
    Start();
    ShowPlayer();
    QWindow* player = PlayerForm->windowHandle();
    const std::pair<ControlMode, bool> modes[] = {
        {ControlMode::OneSwitchControl, true},       {ControlMode::TwoSwitchControl, true},
        {ControlMode::OneSwitchScanControl, true},   {ControlMode::TwoSwitchScanControl, true},
        {ControlMode::OneSwitchScanXYControl, true}, {ControlMode::TwoSwitchScanXYControl, true},
        {ControlMode::MouseControl, false},          {ControlMode::KeyboardControl, false},
        {ControlMode::ArrowControl, false},          {ControlMode::None, false}};
    for (const auto& [mode, wins] : modes) {
        ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.ControlMode = mode; });
        EXPECT_EQ(PlayerForm->WindowToWinFocusFor(player), wins ? player : nullptr) << int(mode);
        EXPECT_EQ(PlayerForm->WindowToWinFocusFor(nullptr), wins ? player : nullptr) << int(mode);
    }

    ChangeAppliedSettings(
        *Session, [](UserSettings& s) { s.ControlMode = ControlMode::OneSwitchScanControl; });
    // The help window had the focus last: the carer's, left alone.
    PlayerForm->HelpMenuRun->trigger();
    ASSERT_NE(CurrentHelpWindow(), nullptr);
    EXPECT_EQ(PlayerForm->WindowToWinFocusFor(CurrentHelpWindow()->windowHandle()), nullptr);
    // A modal window of ours is open: the player is never put over it.
    QDialog dialog(PlayerForm);
    dialog.setModal(true);
    dialog.show();
    EXPECT_EQ(PlayerForm->WindowToWinFocusFor(player), nullptr);
    dialog.hide();
    // A full-screen video plays: it takes the keys that stop it.
    MediaDialog->VideoWindow->ShowFullScreen();
    QWindow* video = MediaDialog->VideoWindow->windowHandle();
    EXPECT_EQ(PlayerForm->WindowToWinFocusFor(player), video);
    EXPECT_EQ(PlayerForm->WindowToWinFocusFor(video), video);
    MediaDialog->VideoWindow->hide();
    EXPECT_EQ(PlayerForm->WindowToWinFocusFor(video), player);
}

TEST_F(PlayerFormTest, HelpMenuOpensTheManual)
{
    Start();
    PlayerForm->HelpMenuRun->trigger();
    HelpWindow* help = CurrentHelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->Browser()->source().toString().endsWith(QStringLiteral("Kora.html")));
    PlayerForm->HelpMenuCont1->trigger();
    EXPECT_TRUE(help->Browser()->source().toString().endsWith(QStringLiteral("index.html")));
}

TEST_F(PlayerFormTest, DemoOverlayHasNineCellsWhoseFilesExist)
{
    const QString demo = Tonlyra::Test::SourceDir() + QStringLiteral("/demo");
    const QString overlay = Dir.File(QStringLiteral("Demo.cdu"));
    QProcess script;
    script.start(QStringLiteral("bash"), {demo + QStringLiteral("/make-overlay.sh"), overlay});
    ASSERT_TRUE(script.waitForFinished(10000));
    ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();

    ProfileFile settings(demo + QStringLiteral("/Users/User.def"));
    EXPECT_TRUE(settings.HasSection(QStringLiteral("Input settings")));

    Start({overlay});
    EXPECT_EQ(SettingsForm->Rows(), 3);
    EXPECT_EQ(SettingsForm->Cols(), 3);
    ASSERT_EQ(SettingsForm->CellCount(), 9);
    for (int k = 1; k <= 9; ++k) {
        SCOPED_TRACE(k);
        EXPECT_TRUE(SettingsForm->IsSoundFileCell(k));
        EXPECT_FALSE(SettingsForm->GetCellText(k).isEmpty());
        EXPECT_TRUE(QFileInfo(SettingsForm->GetCellPicture(k)).isFile());
        EXPECT_FALSE(ReadPicture(SettingsForm->GetCellPicture(k)).isNull());
    }
    ShowPlayer();
    EXPECT_TRUE(PlayerForm->VisaInfo->isEnabled());
}

} // namespace

namespace {

TEST_F(PlayerFormTest, GridIsBuiltOnceTheWindowIsOnScreenEvenWhenItIsNotActivated)
{
    Start();
    // A window manager that shows the window without activating it (or none at all).
    PlayerForm->setAttribute(Qt::WA_ShowWithoutActivating);
    PlayerForm->show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !PlayerForm->FirstActivation; }, 2000));
    EXPECT_EQ(Rebuilds, 1);
    EXPECT_TRUE(PlayerForm->windowHandle()->isExposed());

    // A later activation builds nothing more.
    PlayerForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(PlayerForm));
    QTest::qWait(20);
    EXPECT_EQ(Rebuilds, 1);
}

} // namespace
