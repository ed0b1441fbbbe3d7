// The overlay editor's window with the program's real windows around it (the player, the media
// dialog on the real engine with null outputs, the small dialogs), every dialog answered in
// advance through the ask-the-user service, on the offscreen platform.

#include "media/IRDialogUnit.h"
#include "media/MediaDialogUnit.h"
#include "media/PlaybackEngine.h"
#include "overlay/NumberDialogUnit.h"
#include "overlay/PictureBaseDialogUnit.h"
#include "overlay/PreviewFormUnit.h"
#include "overlay/RowsColsDialogUnit.h"
#include "overlay/SettingsFormUnit.h"
#include "overlay/UpDown.h"
#include "picture/TMultiP.h"
#include "platform/HelperProgram.h"
#include "tests/support/ApplicationUnderTest.h"
#include "player/CellPanel.h"
#include "player/PlayerFormUnit.h"
#include "tests/media/MediaDialogFixtures.h"
#include "tests/player/PlayerTestFixture.h"
#include "tests/support/TestSupport.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace Tonlyra::Test;
using Tonlyra::PlaybackEngine;

namespace {

using Column = TSettingsForm::Column;

// The program's windows in a start folder of the test's own.
class EditorTest : public PlayerFixture
{
protected:
    void SetUp() override
    {
        qputenv("TONLYRA_MPV_AO", "null");
        qputenv("TONLYRA_MPV_VO", "null");
        PlayerFixture::SetUp();
    }
    // The windows on the real engine, as the program starts with arguments.
    void Start(const QStringList& arguments = {})
    {
        Create(arguments);
        Form = SettingsForm;
    }
    QString Sound(const QString& name, int ms = 3000)
    {
        const QString path = Dir.File(name);
        EXPECT_TRUE(WriteWav(path, ms));
        return path;
    }
    QString Picture(const QString& name, QColor colour = Qt::red)
    {
        const QString path = Dir.File(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(path));
        return path;
    }
    OverlayCell& Cell(int k) { return *Form->EditedOverlay.Cell(k); }
    QString Shown(int k, int column) const
    {
        return Form->CDTrackList->item(k - 1, column)->text();
    }
    // Runs a command of the context menu on cell k, as chosen in column.
    void Run(int k, int column, void (TSettingsForm::*command)())
    {
        Form->SelectCell(k, column);
        (Form->*command)();
    }

    TSettingsForm* Form = nullptr;
};

// The media dialog as the carer works it: opens the file with "Öppna mediafil" (the file box is
// answered next), waits for it to load, sets the stretch and presses OK.
std::function<bool(QDialog&)> ChooseStretch(int start, int stop, bool openFile = true)
{
    return [=](QDialog& shown) {
        auto& dialog = static_cast<TMediaDialog&>(shown);
        if (openFile)
            dialog.OpenMediaFileButton->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.Service().Probing(); }, 5000));
        dialog.SetStartPosition(start);
        dialog.SetStopPosition(stop);
        EXPECT_TRUE(dialog.OKButton->isEnabled());
        dialog.OKButton->click();
        return true;
    };
}

OverlayCell CellOf(const QString& media, const QString& type, const QString& picture = {},
                   const QString& text = {}, const QString& intro = {}, qint32 start = -1,
                   qint32 stop = -1, qint32 introStart = -1, qint32 introStop = -1,
                   const QString& port = {})
{
    return {media, type, picture, text, intro, start, stop, introStart, introStop, port};
}

// A stand-in for a desktop program: notes each start in a log and stays up.
QString WriteStandIn(const QString& folder, const QString& name)
{
    const QString path = folder + u'/' + name;
    WriteAll(path, "#!/bin/sh\necho \"$$ $*\" >> \"$STANDIN_LOG\"\nexec sleep 60\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

class Environment
{
public:
    Environment(const char* name, const QByteArray& value) : Name(name)
    {
        Had = qEnvironmentVariableIsSet(name);
        Old = qgetenv(name);
        qputenv(name, value);
    }
    ~Environment()
    {
        if (Had)
            qputenv(Name, Old);
        else
            qunsetenv(Name);
    }

private:
    const char* Name;
    QByteArray Old;
    bool Had = false;
};

} // namespace

TEST_F(EditorTest, WindowLayout)
{
    Start();
    QRect placed;
    QString title;
    int viewport = 0;
    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog& shown) {
        EXPECT_EQ(&shown, Form);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Form));
        placed = QRect(Form->frameGeometry().topLeft(), Form->size());
        title = Form->windowTitle();
        // The remaining width is shared out on every resize.
        Form->resize(Form->width() - 37, Form->height());
        QApplication::processEvents();
        viewport = Form->CDTrackList->viewport()->width();
        return false;
    });
    EXPECT_FALSE(Form->EditOverlay());

    EXPECT_EQ(title, "Inställningar för media" + QString(10, ' ') + "Namnlös");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(placed.topLeft(), screen.topLeft() + QPoint(50, 50));
    EXPECT_EQ(placed.size(), screen.size() - QSize(100, 100));

    QTableWidget* grid = Form->CDTrackList;
    QStringList headings;
    for (int c = 0; c < grid->columnCount(); ++c)
        headings << grid->horizontalHeaderItem(c)->text();
    EXPECT_EQ(headings,
              QStringList({"nr", "Media typ", "Längd", "Media", "Bildfil", "Text", "Intro-ljud"}));
    const QFontMetrics metrics = Form->fontMetrics();
    EXPECT_GT(grid->columnWidth(Column::TypeColumn),
              metrics.horizontalAdvance("Godtyckligt CD-spår") + 10);
    EXPECT_GT(grid->columnWidth(Column::LengthColumn), metrics.horizontalAdvance("00:00:00") + 10);
    const int rest = viewport - grid->columnWidth(0) - grid->columnWidth(1) - grid->columnWidth(2);
    for (int c = Column::MediaColumn; c < Column::IntroColumn; ++c)
        EXPECT_EQ(grid->columnWidth(c), rest / 4) << c;
    EXPECT_EQ(grid->columnWidth(Column::IntroColumn), rest - 3 * (rest / 4));
    EXPECT_GE(grid->rowHeight(0), 18);

    // One row per cell, numbered; hints over the cells of the four columns on the right only.
    ASSERT_EQ(grid->rowCount(), 4);
    EXPECT_EQ(Shown(3, Column::NrColumn), "03");
    const QStringList hints = {"",
                               "",
                               "",
                               "Högerklicka för att välja media",
                               "Högerklicka för att välja bild",
                               "Skriv in en text",
                               "Högerklicka för att intro"};
    for (int c = 0; c < grid->columnCount(); ++c)
        EXPECT_EQ(grid->item(0, c)->toolTip(), hints[c]) << c;
    EXPECT_TRUE(grid->horizontalHeaderItem(3)->toolTip().isEmpty());

    // The menus, and "Spara media-överlägg" enabled only with unsaved changes.
    QStringList items;
    for (QAction* a : Form->FileMenu->actions())
        items << a->text();
    EXPECT_EQ(items, QStringList({"&Nytt media-överlägg", "&Öppna media-överlägg",
                                  "Spara media-överlägg", "&Spara media-överlägg som...", "",
                                  "Saknade &filer...", "&Exportera...", "&Importera...",
                                  "&Mediamappar...", "", "Stäng och &ladda inställningarna",
                                  "&Avbryt"}));
    EXPECT_EQ(Form->HelpMenu->title(), "&Hjälp");
    EXPECT_EQ(Form->HelpContents->text(), "&Innehåll");
    EXPECT_EQ(Form->HelpMenuAnp->text(), "Skapa &överlägg");
    emit Form->FileMenu->aboutToShow();
    EXPECT_FALSE(Form->SaveMenu->isEnabled());
    Form->Session.SetOverlayUnsaved(true);
    emit Form->FileMenu->aboutToShow();
    EXPECT_TRUE(Form->SaveMenu->isEnabled());
    EXPECT_EQ(Form->TrackCountButton->text(), "&Ändra");
    EXPECT_EQ(Form->MediaGroup->title(), "Mediaspår");
}

TEST_F(EditorTest, SelectionAndCellMapFollowEachOther)
{
    Start();
    Form->LayoutCells(3, 4, true);
    ASSERT_EQ(Form->CellMapPanels.size(), 12u);
    EXPECT_EQ(Form->CountPanel->text(), "12");
    EXPECT_EQ(Form->CellMapPanels[5]->geometry(), QRect(1 * 32 + 2, 1 * 32 + 2, 32, 32));
    EXPECT_EQ(Form->RowsColsPanel->size(), QSize(4 * 32 + 4, 3 * 32 + 4));
    const auto green = [&](int k) {
        return Form->CellMapPanels[k - 1]->palette().color(QPalette::Window) == QColor(0, 128, 0);
    };
    // After a layout, cell 1 in "Media".
    EXPECT_EQ(Form->SelectedCell(), 1);
    EXPECT_EQ(Form->SelectedColumn(), Column::MediaColumn);
    EXPECT_TRUE(green(1));

    Form->CDTrackList->setCurrentCell(6, Column::PictureColumn);
    EXPECT_TRUE(green(7));
    EXPECT_FALSE(green(1));
    QTest::mouseClick(Form->CellMapPanels[9], Qt::LeftButton);
    EXPECT_EQ(Form->SelectedCell(), 10);
    EXPECT_EQ(Form->SelectedColumn(), Column::MediaColumn);
    EXPECT_TRUE(green(10) && !green(7));

    // The fixed columns never take the selection: not by the keyboard...
    Form->SelectCell(2);
    QTest::keyClick(Form->CDTrackList, Qt::Key_Left);
    QTest::keyClick(Form->CDTrackList, Qt::Key_Home);
    EXPECT_EQ(Form->SelectedColumn(), Column::MediaColumn);
    // ... nor by a click.
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form));
    const QRect fixed = Form->CDTrackList->visualItemRect(Form->CDTrackList->item(4, 1));
    QTest::mouseClick(Form->CDTrackList->viewport(), Qt::LeftButton, {}, fixed.center());
    EXPECT_EQ(Form->SelectedCell(), 2);
    Form->hide();
}

TEST_F(EditorTest, TextIsTypedInPlaceOnlyInACellWithMedia)
{
    Start();
    Form->NewMenuClick();
    Cell(2).Media = "Exit";
    Cell(2).MediaType = "Exit";
    Form->LayoutCells(2, 2); // shown again
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form));
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form));
    // Keys go where the keyboard sends them: to the grid, then to its editor once open.
    const auto type = [](const QString& keys) {
        for (const QChar key : keys)
            QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
    };
    const auto editor = [this] {
        for (QLineEdit* line : Form->CDTrackList->findChildren<QLineEdit*>())
            if (line->isVisible())
                return line;
        return static_cast<QLineEdit*>(nullptr);
    };

    Form->SelectCell(1, Column::TextColumn);
    type("x");
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(Cell(1).Text, "");
    EXPECT_FALSE(Form->ChangedInEditor);

    // As in a table: selecting a cell only selects it; typing replaces its text, every time.
    for (const QString& typed : {QString("Hej"), QString("Tja")}) {
        Form->SelectCell(2, Column::TextColumn);
        EXPECT_EQ(editor(), nullptr);
        type(typed);
        ASSERT_NE(editor(), nullptr);
        EXPECT_EQ(Cell(2).Text, typed); // in the overlay as it is typed
        EXPECT_TRUE(Form->ChangedInEditor);
        Form->SelectCell(2, Column::MediaColumn);
        EXPECT_EQ(Shown(2, Column::TextColumn), typed);
    }

    // F2 edits the text, the cursor after it; Esc cancels the edit.
    ASSERT_TRUE(Form->SaveOverlay(Dir.File("Overlays/T.cdu")));
    Form->SelectCell(2, Column::TextColumn);
    QTest::keyClick(Form->CDTrackList, Qt::Key_F2);
    ASSERT_NE(editor(), nullptr);
    type(" du");
    EXPECT_EQ(Cell(2).Text, "Tja du");
    EXPECT_TRUE(Form->ChangedInEditor);
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(Cell(2).Text, "Tja");
    EXPECT_EQ(Shown(2, Column::TextColumn), "Tja");
    EXPECT_FALSE(Form->ChangedInEditor); // nothing is left to save
    EXPECT_TRUE(Form->isVisible());      // the Esc ended the typing, not the editor

    // A cancelled edit after one that was kept leaves that one counted as a change.
    type("Hallo");
    Form->SelectCell(1, Column::MediaColumn);
    Form->SelectCell(2, Column::TextColumn);
    QTest::keyClick(Form->CDTrackList, Qt::Key_F2);
    type("!");
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_EQ(Cell(2).Text, "Hallo");
    EXPECT_TRUE(Form->ChangedInEditor);
    Form->hide();
}

// Closing the editor without loading (the close box, "&Avbryt", Esc) after a change asks whether
// to save it; without a change it closes at once.
TEST_F(EditorTest, ClosingWithChangesAsksToSaveThem)
{
    const QString file = Dir.File("Overlays/A.cdu");
    MediaOverlay overlay;
    *overlay.Cell(1) = CellOf("Exit", "Exit");
    struct Case
    {
        const char* Name;
        QMessageBox::StandardButton Answer; // NoButton: no change, so no question
        bool SaveFails;
        bool StaysOpen;
        bool Applied;
    };
    const Case cases[] = {
        {"no change", QMessageBox::NoButton, false, false, false},
        {"Nej", QMessageBox::No, false, false, false},
        {"Avbryt", QMessageBox::Cancel, false, true, false},
        {"Ja", QMessageBox::Yes, false, false, true},
        {"Ja, the save fails", QMessageBox::Yes, true, true, false},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QDir().mkpath(Dir.File("Overlays"));
        ASSERT_TRUE(overlay.Save(file).Ok());
        Form->LoadOverlay(file);
        Form->CommitOverlay();
        ScriptedPrompts prompts;
        prompts.Dialog([&](QDialog&) {
            if (c.Answer != QMessageBox::NoButton)
                Run(2, Column::MediaColumn, &TSettingsForm::ExitProgramClick);
            if (c.SaveFails) // the overlay's folder has gone
                QDir(Dir.File("Overlays")).removeRecursively();
            ScriptedPrompts answers;
            if (c.Answer != QMessageBox::NoButton)
                answers.Button(c.Answer);
            if (c.SaveFails)
                answers.Button(QMessageBox::Ok);
            Form->close(); // the close box
            EXPECT_EQ(Form->isVisible(), c.StaysOpen);
            if (c.Answer != QMessageBox::NoButton) {
                EXPECT_GE(answers.Asked().size(), 1u);
                EXPECT_EQ(answers.Asked().front().Text, "Vill du spara ändringarna i A.cdu?");
                EXPECT_EQ(answers.Asked().front().Caption, "Spara ändringar?");
            }
            if (c.SaveFails) {
                EXPECT_EQ(answers.Asked().size(), 2u);
                EXPECT_EQ(answers.Asked().back().Text,
                          "Unable to write to " + file + "\nMappen finns inte.");
            }
            EXPECT_EQ(answers.Remaining(), 0);
            return false;
        });
        EXPECT_EQ(Form->EditOverlay(), c.Applied);
        EXPECT_EQ(Form->CurrentOverlay().IsExitCell(2), c.Applied);
        EXPECT_EQ(ReadAll(file).contains("2=Exit"), c.Applied);
        EXPECT_FALSE(Form->ChangedInEditor || Form->CommittedUnsaved()); // nothing left to ask
    }

    // A new overlay: "Ja" asks for its name, and the overlay saved there is the one in force.
    QDir().mkpath(Dir.File("Overlays"));
    Form->FileName.clear();
    const QString named = Dir.File("Overlays/Ny.cdu");
    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog&) {
        Run(1, Column::MediaColumn, &TSettingsForm::ExitProgramClick);
        ScriptedPrompts answers;
        answers.Button(QMessageBox::Yes).File(named);
        QTest::keyClick(Form, Qt::Key_Escape);
        EXPECT_EQ(answers.Asked().front().Text, "Vill du spara ändringarna i Namnlös?");
        EXPECT_EQ(answers.Remaining(), 0);
        return false;
    });
    EXPECT_TRUE(Form->EditOverlay());
    EXPECT_EQ(Form->FileName, named);
    EXPECT_TRUE(Form->CurrentOverlay().IsExitCell(1));
    EXPECT_TRUE(ReadAll(named).contains("1=Exit"));
}

TEST_F(EditorTest, ContextMenuItemsForEachColumnAndMediaType)
{
    Start();
    Form->LayoutCells(1, 5, true);
    const QString sound = Sound("ljud.wav");
    Cell(2) = CellOf(sound, "SoundFile");
    Cell(3) = CellOf("4", "FixedCD");
    Cell(4) = CellOf("!S 00 01", "IRString");
    Cell(5) = CellOf("4", "ArbitraryCD");
    struct Case
    {
        int Cell, Column;
        QList<QAction*> Visible, Enabled, Checked;
    };
    TSettingsForm& f = *Form;
    const QList<QAction*> media = {f.GetArbitraryCDTracks, f.GetSoundFile, f.GetVideoFile,
                                   f.GetOverlayFile,       f.GetIR,        f.ExitProgram};
    const Case cases[] = {
        {1, Column::MediaColumn, media, media, {}},
        {2, Column::MediaColumn, media, media, {f.GetSoundFile}},
        {4, Column::MediaColumn, media, media, {f.GetIR}},
        {5, Column::MediaColumn, media, media, {f.GetArbitraryCDTracks}},
        // Pictures and intros need media on the cell; a cell's own sound only for sound cells;
        // there are no picture bases in this system folder.
        {1, Column::PictureColumn, {f.GetPicture, f.GetPictureBasePicture}, {}, {}},
        {2, Column::PictureColumn, {f.GetPicture, f.GetPictureBasePicture}, {f.GetPicture}, {}},
        {1, Column::IntroColumn, {f.GetIntroWave, f.GetSoundFileIntro}, {}, {}},
        {2,
         Column::IntroColumn,
         {f.GetIntroWave, f.GetSoundFileIntro},
         {f.GetIntroWave, f.GetSoundFileIntro},
         {}},
        {4, Column::IntroColumn, {f.GetIntroWave, f.GetSoundFileIntro}, {f.GetIntroWave}, {}},
        {3,
         Column::IntroColumn,
         {f.GetIntroWave, f.GetFixedCDIntro},
         {f.GetIntroWave, f.GetFixedCDIntro},
         {}},
        {2, Column::TextColumn, {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "cell " << c.Cell << ", column " << c.Column);
        f.SelectCell(c.Cell, c.Column);
        f.CDTrackListPopupMenuPopup();
        for (QAction* a : f.CDTrackListPopupMenu->actions()) {
            SCOPED_TRACE(a->text().toStdString());
            EXPECT_EQ(a->isVisible(), c.Visible.contains(a));
            if (a->isVisible()) {
                EXPECT_EQ(a->isEnabled(), c.Enabled.contains(a));
                EXPECT_EQ(a->isChecked(), c.Checked.contains(a));
            }
        }
    }
    EXPECT_EQ(f.GetFixedCDTracks->text(), "Välj ett CD-spår l&åst till CD-skivan i Tonlyran");
}

TEST_F(EditorTest, ContextMenuKeyOpensTheMenuAThirdIntoTheSelectedCell)
{
    Start();
    Form->NewMenuClick();
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form));
    Form->SelectCell(2, Column::MediaColumn);
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(Form->CDTrackList->viewport(), &key);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->CDTrackListPopupMenu->isVisible(); }, 1000));
    const QRect cell = Form->CDTrackList->visualItemRect(Form->CDTrackList->item(1, 3));
    EXPECT_EQ(Form->CDTrackListPopupMenu->pos(),
              Form->CDTrackList->viewport()->mapToGlobal(
                  cell.topLeft() + QPoint(cell.width() / 3, cell.height() / 3)));
    Form->CDTrackListPopupMenu->hide();

    // Shift+F10 does the same.
    QTest::keyClick(Form->CDTrackList, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(Form->CDTrackListPopupMenu->isVisible());
    Form->CDTrackListPopupMenu->hide();

    // In the "Text" column the menu has nothing to offer and does not open.
    Form->SelectCell(2, Column::TextColumn);
    QApplication::sendEvent(Form->CDTrackList->viewport(), &key);
    QApplication::processEvents();
    EXPECT_FALSE(Form->CDTrackListPopupMenu->isVisible());
    Form->hide();
}

TEST_F(EditorTest, NewMediaReplacesPositionsPortAndAnIntroTakenFromTheOldMedia)
{
    Start();
    const QString sound = Sound("ljud.wav");
    const QString introFile = Sound("intro.wav", 500);
    Form->NewMenuClick();
    const OverlayCell soundCell =
        CellOf(sound, "SoundFile", "", "Text", IntroFromMediaMarker, 1000, 2000, 100, 300);
    const auto reset = [&] {
        Cell(1) = soundCell;
        Cell(2) = soundCell;
        Cell(2).Intro = introFile;
        Form->LayoutCells(2, 2);
        Form->CDTrackList->item(0, Column::LengthColumn)->setText("00:00:01");
    };

    // IR: both positions -1, "Längd" empty; the intro from the old sound goes, a file stays.
    reset();
    {
        ScriptedPrompts prompts;
        prompts.Dialog([](QDialog& d) {
            static_cast<TIRDialog&>(d).PortComboBox->setCurrentIndex(2);
            return true;
        });
        Run(1, Column::MediaColumn, &TSettingsForm::GetIRClick);
        prompts.Dialog([](QDialog&) { return true; });
        Run(2, Column::MediaColumn, &TSettingsForm::GetIRClick);
    }
    EXPECT_EQ(Cell(1).MediaType, "IRString");
    EXPECT_EQ(Cell(1).Media, IRDialog->BuildIRString());
    EXPECT_EQ(Cell(1).CommPort, "COM3");
    EXPECT_EQ(Cell(1).MediaStart, -1);
    EXPECT_EQ(Cell(1).MediaStop, -1);
    EXPECT_EQ(Cell(1).Intro, "");
    EXPECT_EQ(Cell(1).IntroStart, -1);
    EXPECT_EQ(Cell(1).IntroStop, -1);
    EXPECT_EQ(Cell(1).Picture, "");
    EXPECT_EQ(Cell(1).Text, "Text");
    EXPECT_EQ(Shown(1, Column::LengthColumn), "");
    EXPECT_EQ(Shown(1, Column::TypeColumn), "IR kommando");
    EXPECT_EQ(Cell(2).Intro, introFile);
    EXPECT_EQ(Cell(2).IntroStart, 100);
    EXPECT_TRUE(Form->ChangedInEditor);

    // A CD track for a sound cell with positions; the number dialog is captioned for it.
    reset();
    {
        ScriptedPrompts prompts;
        prompts.Dialog([](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), "Välj ett CD-spår");
            static_cast<TNumberDialog&>(d).TypeCharacter('1');
            static_cast<TNumberDialog&>(d).TypeCharacter('2');
            return true;
        });
        Run(1, Column::MediaColumn, &TSettingsForm::GetArbitraryCDTracksClick);
    }
    EXPECT_EQ(Cell(1).Media, "12");
    EXPECT_EQ(Cell(1).MediaType, "ArbitraryCD");
    EXPECT_EQ(Cell(1).MediaStart, -1);
    EXPECT_EQ(Cell(1).MediaStop, -1);
    EXPECT_EQ(Shown(1, Column::TypeColumn), "Godtyckligt CD-spår");
    EXPECT_EQ(Shown(1, Column::LengthColumn), "");

    // Exit and an overlay file, without and with a question.
    reset();
    Run(1, Column::MediaColumn, &TSettingsForm::ExitProgramClick);
    EXPECT_EQ(Cell(1).Media, "Exit");
    EXPECT_EQ(Shown(1, Column::TypeColumn), "Programmet avslutas");
    EXPECT_EQ(Cell(1).Intro, "");
    const QString other = Dir.File("Overlays/Annat.cdu");
    WriteAll(other, "[Overlay]\r\n");
    {
        ScriptedPrompts prompts;
        prompts.File(other);
        Run(2, Column::MediaColumn, &TSettingsForm::GetOverlayFileClick);
        ASSERT_EQ(prompts.Asked().size(), 1u);
        EXPECT_EQ(prompts.Asked()[0].Filter, "Överlägg|*.cdu");
        EXPECT_EQ(prompts.Asked()[0].InitialDirectory, Dir.Path() + "/Overlays/");
        // Again: the dialog starts at the cell's overlay.
        prompts.Cancel();
        Run(2, Column::MediaColumn, &TSettingsForm::GetOverlayFileClick);
        EXPECT_EQ(prompts.Asked()[1].InitialName, other);
    }
    EXPECT_EQ(Cell(2).Media, other);
    EXPECT_EQ(Cell(2).MediaType, "OverlayFile");
    EXPECT_EQ(Cell(2).MediaStart, -1);
    EXPECT_EQ(Cell(2).Intro, introFile);
    EXPECT_EQ(Shown(2, Column::TypeColumn), "Överlägg");
}

TEST_F(EditorTest, CancelInEveryDialogLeavesTheCellUnchanged)
{
    Start();
    const QString sound = Sound("ljud.wav");
    Form->NewMenuClick();
    const OverlayCell before =
        CellOf(sound, "SoundFile", Picture("bild.png"), "Text", "", 500, 1500);
    Cell(1) = before;
    Form->LayoutCells(2, 2);
    Form->CDTrackList->item(0, Column::LengthColumn)->setText("00:00:01");

    struct Case
    {
        int Column;
        void (TSettingsForm::*Command)();
    };
    const Case cases[] = {
        {Column::MediaColumn, &TSettingsForm::GetArbitraryCDTracksClick},
        {Column::MediaColumn, &TSettingsForm::GetSoundFileClick},
        {Column::MediaColumn, &TSettingsForm::GetVideoFileClick},
        {Column::MediaColumn, &TSettingsForm::GetOverlayFileClick},
        {Column::MediaColumn, &TSettingsForm::GetIRClick},
        {Column::PictureColumn, &TSettingsForm::GetPictureClick},
        {Column::PictureColumn, &TSettingsForm::GetPictureBasePictureClick},
        {Column::IntroColumn, &TSettingsForm::GetIntroWaveClick},
        {Column::IntroColumn, &TSettingsForm::GetSoundFileIntroClick},
        {Column::MediaColumn, &TSettingsForm::TrackCountButtonClick},
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(i++);
        ScriptedPrompts prompts;
        prompts.Cancel();
        Run(1, c.Column, c.Command);
        EXPECT_EQ(prompts.Remaining(), 0) << "the command asked nothing";
        EXPECT_EQ(Cell(1), before);
        EXPECT_EQ(Form->EditedOverlay.N(), 4);
        EXPECT_EQ(Shown(1, Column::LengthColumn), "00:00:01");
        EXPECT_FALSE(Form->ChangedInEditor);
        EXPECT_FALSE(Form->PreviewForm->isVisible());
    }
}

TEST_F(EditorTest, LengthColumn)
{
    EXPECT_EQ(TSettingsForm::LengthText(59600), "00:01:00");
    EXPECT_EQ(TSettingsForm::LengthText(125500), "00:02:05"); // 500 ms rounds down
    EXPECT_EQ(TSettingsForm::LengthText(125501), "00:02:06");
    EXPECT_EQ(TSettingsForm::LengthText(3723000), "01:02:03");

    // After reading a file: stretches with both ends set, in the form a choice shows them.
    MediaOverlay overlay;
    overlay.Cell(1)->MediaStart = 1000;
    overlay.Cell(1)->MediaStop = 126500;
    overlay.Cell(2)->MediaStop = 5000; // no start: nothing shown
    overlay.Cell(3)->MediaStart = 0;
    overlay.Cell(3)->MediaStop = 5 * 3600 * 1000;
    ASSERT_TRUE(overlay.Save(Dir.File("Overlays/L.cdu")).Ok());
    Start({"L.cdu"});
    EXPECT_EQ(Shown(1, Column::LengthColumn), "00:02:05");
    EXPECT_EQ(Shown(2, Column::LengthColumn), "");
    EXPECT_EQ(Shown(3, Column::LengthColumn), "05:00:00");

    // After choosing a sound: the selection as hours:minutes:seconds.
    const QString sound = Sound("ljud.wav", 3000);
    ScriptedPrompts prompts;
    prompts.Dialog(ChooseStretch(200, 2900)).File(sound);
    Run(4, Column::MediaColumn, &TSettingsForm::GetSoundFileClick);
    EXPECT_EQ(Cell(4).Media, sound);
    EXPECT_EQ(Cell(4).MediaStart, 200);
    EXPECT_EQ(Cell(4).MediaStop, 2900);
    EXPECT_EQ(Shown(4, Column::LengthColumn), "00:00:03");
    EXPECT_EQ(Form->SoundFolder, Dir.Path() + "/");

    // Saved and read again, the same stretch reads the same.
    ASSERT_TRUE(Form->SaveOverlay(Dir.File("Overlays/L.cdu")));
    Form->LoadOverlay(Dir.File("Overlays/L.cdu"));
    EXPECT_EQ(Shown(4, Column::LengthColumn), "00:00:03");
}

TEST_F(EditorTest, PictureFileIsPreviewedAsItIsSelected)
{
    Start();
    Form->NewMenuClick();
    Cell(1) = CellOf("Exit", "Exit");
    const QString red = Picture("bilder/röd.png", Qt::red);
    const QString blue = Picture("bilder/blå.png", Qt::blue);
    Form->PictureFolder = Dir.Path() + "/bilder/";
    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog& shown) {
        auto* files = qobject_cast<QFileDialog*>(&shown);
        EXPECT_NE(files, nullptr);
        EXPECT_TRUE(Form->PreviewForm->isVisible());
        EXPECT_EQ(files->directory().absolutePath(), Dir.Path() + "/bilder");
        EXPECT_TRUE(files->nameFilters().constFirst().contains("*.png"));
        EXPECT_TRUE(files->nameFilters().constFirst().contains("*.PNG"));
        emit files->currentChanged(red);
        EXPECT_EQ(Form->PreviewForm->Image->ImageName(), red);
        emit files->currentChanged(blue);
        EXPECT_EQ(Form->PreviewForm->Image->ImageName(), blue);
        files->selectFile(blue);
        return true;
    });
    Run(1, Column::PictureColumn, &TSettingsForm::GetPictureClick);
    EXPECT_FALSE(Form->PreviewForm->isVisible());
    EXPECT_EQ(Cell(1).Picture, blue);
    EXPECT_EQ(Shown(1, Column::PictureColumn), blue);
    EXPECT_TRUE(Form->ChangedInEditor);
}

TEST_F(EditorTest, CancelledEditorOpensAgainOnTheOverlayInForce)
{
    const QString sound = Sound("ljud.wav");
    MediaOverlay overlay;
    *overlay.Cell(2) = CellOf(sound, "SoundFile", "", "", "", 0, 65000);
    ASSERT_TRUE(overlay.Save(Dir.File("Overlays/A.cdu")).Ok());
    WriteAll(Dir.File("Overlays/B.cdu"), "[Overlay]\r\nRows=1\r\nCols=1\r\n");
    Start({"A.cdu"});
    {
        // The carer changes things, opens another overlay, and cancels.
        ScriptedPrompts prompts;
        prompts.Dialog([&](QDialog&) {
            Run(2, Column::MediaColumn, &TSettingsForm::ExitProgramClick);
            EXPECT_EQ(Shown(2, Column::LengthColumn), "");
            Form->LayoutCells(3, 3);
            return false;
        });
        EXPECT_FALSE(Form->EditOverlay());
        prompts.Dialog([&](QDialog&) {
            Form->OpenMenu->trigger();
            return false;
        });
        prompts.File(Dir.File("Overlays/B.cdu"));
        EXPECT_FALSE(Form->EditOverlay());
    }
    EXPECT_EQ(Form->FileName, Dir.File("Overlays/A.cdu"));
    EXPECT_EQ(Form->CurrentOverlay().GetCellMedia(2), sound);
    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog&) {
        EXPECT_EQ(Form->EditedOverlay, Form->CurrentOverlay());
        EXPECT_EQ(Form->CDTrackList->rowCount(), 4);
        EXPECT_EQ(Shown(2, Column::TypeColumn), "Ljud-fil");
        EXPECT_EQ(Shown(2, Column::LengthColumn), "00:01:05");
        EXPECT_EQ(Shown(2, Column::MediaColumn), sound);
        EXPECT_EQ(Form->CellMapPanels.size(), 4u);
        EXPECT_EQ(Form->windowTitle(),
                  "Inställningar för media" + QString(10, ' ') + Dir.File("Overlays/A.cdu"));
        return false;
    });
    EXPECT_FALSE(Form->EditOverlay());
    EXPECT_FALSE(Form->ChangedInEditor || Form->CommittedUnsaved());
}

TEST_F(EditorTest, RowsAndColumnsKeepCellsByNumber)
{
    Start();
    Form->NewMenuClick();
    for (int k = 1; k <= 4; ++k)
        Cell(k) = CellOf(QString::number(k), "ArbitraryCD");
    Form->LayoutCells(2, 2);
    ScriptedPrompts prompts;
    prompts.Dialog([](QDialog& d) {
        auto& dialog = static_cast<TRowsColsDialog&>(d);
        EXPECT_EQ(dialog.windowTitle(), "Välj antal mediaspår");
        EXPECT_EQ(dialog.Rows, 2);
        dialog.ColsUpDown->SetPosition(3);
        dialog.UpDownClick();
        return true;
    });
    Form->TrackCountButton->click();
    EXPECT_EQ(Form->EditedOverlay.Rows, 2);
    EXPECT_EQ(Form->EditedOverlay.Cols, 3);
    EXPECT_EQ(Form->CDTrackList->rowCount(), 6);
    EXPECT_EQ(Shown(3, Column::MediaColumn), "3");
    EXPECT_EQ(Shown(4, Column::TypeColumn), "Godtyckligt CD-spår");
    EXPECT_EQ(Shown(6, Column::MediaColumn), "");
    EXPECT_EQ(Shown(6, Column::NrColumn), "06");
    EXPECT_EQ(Form->CountPanel->text(), "6");
    EXPECT_TRUE(Form->ChangedInEditor);
}

TEST_F(EditorTest, RecordingButtonsStartFindRaiseAndEndTheirPrograms)
{
    TempDir bin;
    const QString log = bin.File("log");
    WriteStandIn(bin.Path(), "gnome-sound-recorder");
    const QString control = WriteStandIn(bin.Path(), "kontroll");
    Environment path("PATH", (bin.Path() + ":/usr/bin:/bin").toLocal8Bit());
    Environment standInLog("STANDIN_LOG", log.toLocal8Bit());
    Environment recorder("TONLYRA_SOUND_RECORDER", {});
    qunsetenv("TONLYRA_SOUND_RECORDER"); // the default, found on the PATH
    Environment volume("TONLYRA_RECORDING_CONTROL", "kontroll --flik \"in spelning\"");
    Start();
    EXPECT_TRUE(Form->RecordButton->isEnabled());
    EXPECT_EQ(Form->RecordButton->toolTip(), "Öppnar ljudinspelaren (gnome-sound-recorder)");
    EXPECT_EQ(Form->RecordSettingsButton->toolTip(),
              "Öppnar volymkontrollen för inspelning (kontroll)");
    EXPECT_EQ(Form->RecordingControl->Command(),
              QStringList({"kontroll", "--flik", "in spelning"}));
    EXPECT_EQ(Form->RecordingControl->ProgramPath(), control);

    ScriptedPrompts prompts; // nothing may be asked
    Form->RecordButton->click();
    Form->RecordSettingsButton->click();
    // A second click while the program runs starts no second one.
    Form->RecordButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadAll(log).count('\n') == 2; }, 3000));
    QTest::qWait(100);
    // The two programs start side by side: their lines come in either order.
    QList<QByteArray> started;
    for (const QByteArray& line : ReadAll(log).split('\n'))
        if (!line.trimmed().isEmpty())
            started.append(line.trimmed());
    ASSERT_EQ(started.size(), 2);
    std::sort(started.begin(), started.end(),
              [](const QByteArray& a, const QByteArray& b) { return a.size() < b.size(); });
    EXPECT_EQ(started[0], QByteArray::number(Form->SoundRecorder->ProcessId()));
    EXPECT_EQ(started[1],
              QByteArray::number(Form->RecordingControl->ProcessId()) + " --flik in spelning");
    EXPECT_TRUE(Form->SoundRecorder->IsRunning() && Form->RecordingControl->IsRunning());

    // Closing the editor ends both.
    Form->show();
    Form->reject();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !Form->SoundRecorder->IsRunning() && !Form->RecordingControl->IsRunning(); },
        4000));
    EXPECT_TRUE(prompts.Asked().empty());
}

TEST_F(EditorTest, RecordingButtonsAreOffWithoutTheirPrograms)
{
    TempDir empty;
    Environment path("PATH", empty.Path().toLocal8Bit());
    Environment recorder("TONLYRA_SOUND_RECORDER", {});
    qunsetenv("TONLYRA_SOUND_RECORDER");
    Environment volume("TONLYRA_RECORDING_CONTROL", "/bin/true"); // not on the PATH: named
    Start();
    EXPECT_FALSE(Form->RecordButton->isEnabled());
    EXPECT_TRUE(Form->RecordSettingsButton->isEnabled());
    {
        Environment none("TONLYRA_RECORDING_CONTROL", ""); // set empty: no program
        Tonlyra::HelperProgram program("TONLYRA_RECORDING_CONTROL", {{"sh"}});
        EXPECT_FALSE(program.IsAvailable());
        EXPECT_TRUE(program.Command().isEmpty());
    }
    Tonlyra::HelperProgram missing("TONLYRA_NOT_SET_ANYWHERE", {{"nowhere-1"}, {"nowhere-2"}});
    EXPECT_FALSE(missing.IsAvailable());
    EXPECT_FALSE(missing.StartOrRaise());
}

// A carer who has never seen an overlay file builds one in the editor, opened from the player's
// menu, with every dialog answered as the carer would work it; the saved file holds what was
// made, and the player plays a sound cell's stretch from it on the real engine.
TEST_F(EditorTest, CarerBuildsAnOverlayThatThePlayerPlays)
{
    TempDir system;
    Environment systemFolder("TONLYRA_SYSTEM_DIR", system.Path().toLocal8Bit());
    const QString sound = Sound("sång.wav", 3000);
    const QString picture = Picture("bilder/sol.png", Qt::yellow);
    const QString basePicture = Picture("bas/Katt.png", Qt::gray);
    WriteAll(system.File("Djur.ini"), ("[ProgDir]\r\nDir=" + Dir.Path() +
                                       "/bas\r\nExtension=png\r\n[Grupper]\r\n1=Husdjur\r\n"
                                       "[Husdjur]\r\nkatt=Katt\r\n")
                                          .toUtf8());
    const QString saved = Dir.File("Overlays/Mitt.cdu");
    // A disc in the drive, which the player looks for when its grid has a CD cell.
    CdDriveOverride drive({WriteCdImage(Dir.Path(), "skiva", {{}, {}, {}})});
    Start();
    ChangeAppliedSettings(*Session, [](UserSettings& s) { s.ControlMode = ControlMode::MouseControl; });
    PlayerForm->setGeometry(0, 0, 640, 480);
    PlayerForm->show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !PlayerForm->FirstActivation; }, 3000));
    EXPECT_EQ(SettingsForm->CellCount(), 0);

    QString ir;
    ScriptedPrompts editor;
    editor.Dialog([&](QDialog&) {
        TSettingsForm& f = *Form;
        {
            ScriptedPrompts p;
            p.Dialog([](QDialog& d) {
                auto& rowsCols = static_cast<TRowsColsDialog&>(d);
                rowsCols.ColsUpDown->SetPosition(3);
                rowsCols.UpDownClick();
                return true;
            });
            f.TrackCountButton->click();
        }
        {
            ScriptedPrompts p;
            p.Dialog(ChooseStretch(500, 1500)).File(sound);
            f.SelectCell(1);
            f.GetSoundFile->trigger();
            p.Dialog([](QDialog& d) {
                static_cast<TNumberDialog&>(d).TypeCharacter('3');
                return true;
            });
            f.SelectCell(2);
            f.GetArbitraryCDTracks->trigger();
            p.Dialog([&](QDialog& d) {
                auto& dialog = static_cast<TIRDialog&>(d);
                dialog.ButtonComboBox->setCurrentIndex(5);
                ir = dialog.BuildIRString();
                return true;
            });
            f.SelectCell(3);
            f.GetIR->trigger();
            f.SelectCell(4);
            f.ExitProgram->trigger();
            EXPECT_EQ(p.Remaining(), 0);
        }
        {
            ScriptedPrompts p;
            p.Dialog([&](QDialog& d) {
                static_cast<QFileDialog&>(d).selectFile(picture);
                return true;
            });
            f.SelectCell(1, Column::PictureColumn);
            f.CDTrackListPopupMenuPopup();
            EXPECT_TRUE(f.GetPicture->isEnabled());
            f.GetPicture->trigger();
            p.Dialog([](QDialog& d) {
                auto& bases = static_cast<TPictureBaseDialog&>(d);
                bases.BaseComboBox->setCurrentIndex(0);
                bases.BaseComboBoxChange();
                bases.PictureListBox->setCurrentRow(0);
                bases.PictureListBoxClick();
                return true;
            });
            f.SelectCell(2, Column::PictureColumn);
            f.CDTrackListPopupMenuPopup();
            EXPECT_TRUE(f.GetPictureBasePicture->isEnabled());
            f.GetPictureBasePicture->trigger();
            EXPECT_EQ(p.Remaining(), 0);
        }
        f.SelectCell(1, Column::TextColumn);
        QTest::keyClick(f.CDTrackList, Qt::Key_F2);
        auto* text = f.CDTrackList->findChild<QLineEdit*>();
        EXPECT_NE(text, nullptr);
        if (text)
            QTest::keyClicks(text, "Sång");
        {
            ScriptedPrompts p;
            p.Dialog(ChooseStretch(100, 400, false));
            f.SelectCell(1, Column::IntroColumn);
            f.GetSoundFileIntro->trigger();
            p.File(saved); // "Spara" on a new overlay asks for a name
            emit f.FileMenu->aboutToShow();
            f.SaveMenu->trigger();
            EXPECT_EQ(p.Remaining(), 0);
        }
        f.CloseAndLoadMenu->trigger();
        return false; // closed by the menu
    });
    PlayerForm->ChangeMenu->trigger();
    EXPECT_EQ(editor.Remaining(), 0);

    // What was made, in force and on the grid at once.
    MediaOverlay made;
    made.CDIdentity.clear();
    made.LayoutCells(2, 3, true);
    *made.Cell(1) =
        CellOf(sound, "SoundFile", picture, "Sång", IntroFromMediaMarker, 500, 1500, 100, 400, "");
    *made.Cell(2) = CellOf("3", "ArbitraryCD", basePicture);
    *made.Cell(3) = CellOf(ir, "IRString", "", "", "", -1, -1, -1, -1, "COM1");
    *made.Cell(4) = CellOf("Exit", "Exit");
    EXPECT_EQ(Form->CurrentOverlay(), made);
    EXPECT_EQ(Form->FileName, saved);
    EXPECT_FALSE(Form->ChangedInEditor || Form->CommittedUnsaved());
    EXPECT_NE(PlayerForm->CellPanelOf(6), nullptr);
    MediaOverlay readBack;
    readBack.Load(saved);
    EXPECT_EQ(readBack, made);

    // The player opens the saved file and plays the sound cell's stretch.
    {
        ScriptedPrompts p;
        p.File(saved);
        PlayerForm->OpenMenu->trigger();
    }
    ASSERT_EQ(SettingsForm->CellCount(), 6);
    // The rebuild probes the disc of the CD cell; a click while it loads only stops it.
    ASSERT_TRUE(QTest::qWaitFor([this] { return MediaDialog->PlayState() <= 2; }, 5000));
    QElapsedTimer clock;
    Tonlyra::CellPanel* cell = PlayerForm->CellPanelOf(1);
    ASSERT_NE(cell, nullptr);
    QTest::mouseClick(cell->Face(), Qt::LeftButton, {}, QPoint(10, 10));
    clock.start();
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return MediaDialog->PlayState() == PlaybackEngine::Playing; }, 5000))
        << MediaDialog->LastError().toStdString();
    EXPECT_EQ(MediaDialog->GetMediaFileName(), sound);
    EXPECT_EQ(MediaDialog->StartTrackBar->value() * MediaDialog->Scale, 500);
    EXPECT_EQ(MediaDialog->StopTrackBar->value() * MediaDialog->Scale, 1500);
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return MediaDialog->PlayState() == PlaybackEngine::Stopped; }, 5000));
    EXPECT_LT(clock.elapsed(), 2500) << "played more than its second";
}

TEST(EditorManual, TopicMediaShowsThePictureOfTheEditor)
{
    QFile topic(":/manual/Media.html");
    ASSERT_TRUE(topic.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(topic.readAll());
    EXPECT_TRUE(html.contains("src=\"Media.png\""));
    EXPECT_FALSE(QImage(":/manual/Media.png").isNull());
    for (const char* caption : {"Stäng och ladda inställningarna", "Välj intro ur vald media",
                                "Spela in", "Inspelningskontroller", "Ändra"})
        EXPECT_TRUE(html.contains(QString::fromUtf8(caption))) << caption;
}

TEST_F(EditorTest, VideoFileWithItsStretch)
{
    const QString video = Dir.File("film/röd.avi");
    QDir().mkpath(Dir.File("film"));
    ASSERT_TRUE(WriteRedClip(video, 2));
    Start();
    ScriptedPrompts prompts;
    prompts
        .Dialog([](QDialog& d) {
            auto& dialog = static_cast<TMediaDialog&>(d);
            // Video only, from files only: nothing to copy.
            EXPECT_EQ(dialog.DeviceComboBox->count(), 1);
            EXPECT_EQ(dialog.CurrentKind(), VideoFileKind);
            return ChooseStretch(500, 1500)(d);
        })
        .File(video);
    Run(3, Column::MediaColumn, &TSettingsForm::GetVideoFileClick);
    EXPECT_EQ(prompts.Remaining(), 0);
    EXPECT_EQ(Cell(3).Media, video);
    EXPECT_EQ(Cell(3).MediaType, "VideoFile");
    EXPECT_EQ(Cell(3).MediaStart, 500);
    EXPECT_EQ(Cell(3).MediaStop, 1500);
    EXPECT_EQ(Shown(3, Column::TypeColumn), "Video-fil");
    EXPECT_EQ(Shown(3, Column::LengthColumn), "00:00:01");
    EXPECT_EQ(Form->VideoFolder, Dir.File("film/"));
    EXPECT_EQ(Form->SoundFolder, Dir.Path() + "/");
}

TEST_F(EditorTest, AcceptedEditsAreOfferedForSavingAfterTheSettingsWhenTheProgramCloses)
{
    MediaOverlay overlay;
    *overlay.Cell(1) = CellOf(Sound("ljud.wav"), "SoundFile");
    ASSERT_TRUE(overlay.Save(Dir.File("Overlays/A.cdu")).Ok());
    Start({"A.cdu"});
    PlayerForm->show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !PlayerForm->FirstActivation; }, 3000));
    UserSettingsForm->Session.SetSettingsUnsaved(true);

    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog&) {
        Run(2, Column::MediaColumn, &TSettingsForm::ExitProgramClick);
        Form->CloseAndLoadMenu->trigger();
        return false;
    });
    PlayerForm->ChangeMenu->trigger();
    EXPECT_EQ(Form->GetCellMedia(2), "Exit"); // in force, not saved
    EXPECT_TRUE(Form->CommittedUnsaved());
    EXPECT_EQ(ReadAll(Dir.File("Overlays/A.cdu")).count("Exit"), 0);

    prompts.Button(QMessageBox::No).Button(QMessageBox::Yes);
    PlayerForm->MenuEnd->trigger();
    ASSERT_EQ(prompts.Asked().size(), 3u);
    EXPECT_EQ(prompts.Asked()[1].Caption, "Spara ändringar");  // the user settings first
    EXPECT_EQ(prompts.Asked()[2].Caption, "Spara ändringar?"); // then the overlay
    EXPECT_FALSE(PlayerForm->isVisible());
    MediaOverlay saved;
    saved.Load(Dir.File("Overlays/A.cdu"));
    EXPECT_EQ(saved.GetCellMedia(2), "Exit");
}
