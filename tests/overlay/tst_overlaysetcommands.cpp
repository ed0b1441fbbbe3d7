#include "overlay/MediaFolders.h"
#include "overlay/MediaOverlay.h"
#include "overlay/OverlaySet.h"
#include "overlay/OverlaySetCommands.h"
#include "overlay/SettingsFormUnit.h"
#include "session/Session.h"
#include "platform/Paths.h"
#include "tests/support/TestSupport.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QAction>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;
using Tonlyra::Test::WriteAll;

namespace {

class OverlaySetCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Old = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(Start.Path()));
        QDir(Tonlyra::UserDataFolder()).removeRecursively();
        WriteAll(Start.File("Set/Bilder/sol.png"), "sol");
        MediaOverlay overlay;
        overlay.LayoutCells(1, 2, true);
        overlay.Cell(1)->Picture = "../Bilder/sol.png";
        overlay.Cell(2)->Picture = R"(C:\Bilder\borta.png)";
        ASSERT_TRUE(QDir().mkpath(Start.File("Set/Overlays")));
        ASSERT_TRUE(overlay.Save(Start.File("Set/Overlays/Sol.cdu")).Ok());
    }
    void TearDown() override { QDir::setCurrent(Old); }

    TempDir Start;
    QString Old;
};

} // namespace

TEST_F(OverlaySetCommandsTest, ExportThenImportAskingBeforeAnyFolderIsReused)
{
    const QString file = Start.File("Sol.tonlyran");
    {
        ScriptedPrompts prompts;
        prompts.File(file).Button(QMessageBox::Ok);
        EXPECT_TRUE(Tonlyra::ExportSetCommand(nullptr, Start.File("Set/Overlays/Sol.cdu"), nullptr));
        ASSERT_EQ(prompts.Asked().size(), 2u);
        EXPECT_EQ(prompts.Asked()[0].InitialName, "Sol.tonlyran");
        EXPECT_TRUE(prompts.Asked()[0].ConfirmOverwrite);
        EXPECT_TRUE(prompts.Asked()[1].Text.startsWith("1 överlägg och 1 filer finns nu i "));
        EXPECT_TRUE(prompts.Asked()[1].Text.contains(R"(Sol.cdu: Ruta 2, bild: C:\Bilder\borta.png)"));
    }
    const QString folder = Tonlyra::OverlaysFolder() + "Sol";
    {
        ScriptedPrompts prompts;
        prompts.File(file).Button(QMessageBox::Ok);
        EXPECT_EQ(Tonlyra::ImportSetCommand(nullptr), folder + "/Sol.cdu");
        EXPECT_EQ(prompts.Asked()[0].Filter, "Överläggsamling|*.tonlyran");
        EXPECT_TRUE(prompts.Asked()[1].Text.startsWith("Dessa filer saknas"));
    }
    WriteAll(folder + "/Sol.cdu", "mitt eget");
    {
        ScriptedPrompts prompts;
        prompts.AllowUnanswered();
        prompts.Button(QMessageBox::Cancel);
        EXPECT_EQ(Tonlyra::ImportSetCommand(nullptr, file), "");
        prompts.Button(QMessageBox::No);
        EXPECT_EQ(Tonlyra::ImportSetCommand(nullptr, file), folder + " 2/Sol.cdu");
        EXPECT_EQ(Tonlyra::Test::ReadAll(folder + "/Sol.cdu"), "mitt eget");
        prompts.Button(QMessageBox::Yes);
        EXPECT_EQ(Tonlyra::ImportSetCommand(nullptr, file), folder + "/Sol.cdu");
        EXPECT_NE(Tonlyra::Test::ReadAll(folder + "/Sol.cdu"), "mitt eget");
    }
}

TEST_F(OverlaySetCommandsTest, TheMediaFoldersAreChosenInTheirOwnDialog)
{
    QFile::remove(Tonlyra::SystemSettingsPath());
    const QString folder = Start.File("Media");
    ASSERT_TRUE(QDir().mkpath(folder));
    ScriptedPrompts prompts;
    prompts.Dialog([](QDialog& dialog) {
        dialog.findChild<QPushButton*>("AddButton")->click();
        return true;
    });
    prompts.File(folder);
    EXPECT_TRUE(Tonlyra::MediaFoldersCommand(nullptr));
    EXPECT_EQ(Tonlyra::ReadMediaFolders(), QStringList{folder});

    prompts.Dialog([](QDialog& dialog) {
        auto* list = dialog.findChild<QListWidget*>("FolderList");
        EXPECT_EQ(list->count(), 1);
        list->setCurrentRow(0);
        dialog.findChild<QPushButton*>("RemoveButton")->click();
        return false; // Avbryt: nothing changes
    });
    EXPECT_FALSE(Tonlyra::MediaFoldersCommand(nullptr));
    EXPECT_EQ(Tonlyra::ReadMediaFolders(), QStringList{folder});
}

TEST_F(OverlaySetCommandsTest, TheEditorFindsMovedFilesAndOffersASetNamedOnTheCommandLine)
{
    // Moved: the overlay names its picture as the old Windows program wrote it.
    MediaOverlay moved;
    moved.LayoutCells(1, 1, true);
    moved.Cell(1)->Picture = R"(C:\Tonlyran\BILDER\Sol.png)";
    ASSERT_TRUE(moved.Save(Start.File("Set/Overlays/Flyttad.cdu")).Ok());
    {
        ScriptedPrompts prompts; // nothing is asked
        Tonlyra::Session formSession;
        TSettingsForm form(formSession, nullptr, {Start.File("Set/Overlays/Flyttad.cdu")});
        EXPECT_EQ(form.GetCellPicture(1), Start.File("Set/Bilder/sol.png"));
        EXPECT_TRUE(form.FoundPathsUnsaved);
        form.FileMenuPopup();
        EXPECT_TRUE(form.SaveMenu->isEnabled());
        EXPECT_TRUE(form.ConfirmSaveOverlay()); // a switch user moving on is never asked
        ASSERT_TRUE(form.SaveMenuClick());
        EXPECT_FALSE(form.FoundPathsUnsaved);
    }
    MediaOverlay saved;
    saved.Load(Start.File("Set/Overlays/Flyttad.cdu"));
    EXPECT_EQ(saved.Cell(1)->Picture, "../Bilder/sol.png");

    // A set opened from a file manager is offered for import, then shown.
    const QString file = Start.File("Sol.tonlyran");
    ASSERT_TRUE(Tonlyra::ExportOverlaySet(Start.File("Set/Overlays/Sol.cdu"), file, false).Ok);
    {
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::No);
        Tonlyra::Session declinedSession;
        TSettingsForm declined(declinedSession, nullptr, {file});
        EXPECT_TRUE(declined.FileName.isEmpty());
        prompts.Button(QMessageBox::Yes).Button(QMessageBox::Ok); // import; the missing file
        Tonlyra::Session formSession;
        TSettingsForm form(formSession, nullptr, {file});
        EXPECT_EQ(prompts.Asked()[1].Text, "Vill du importera överläggen i Sol.tonlyran?");
        EXPECT_EQ(form.FileName, Tonlyra::OverlaysFolder() + "Sol/Sol.cdu");
        EXPECT_EQ(Tonlyra::Test::ReadAll(form.GetCellPicture(1)), "sol");
    }
}
