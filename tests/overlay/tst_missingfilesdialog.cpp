#include "overlay/MissingFilesDialog.h"
#include "tests/support/TestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;
using Tonlyra::Test::WriteAll;

TEST(MissingFilesDialog, ListsEveryMissingFileTakesAFolderAtOnceAndRemovesFromTheCell)
{
    TempDir dir;
    MediaOverlay overlay;
    overlay.Folder = dir.Path() + "/Overlays/";
    overlay.LayoutCells(1, 3, true);
    *overlay.Cell(1) = {R"(C:\Ljud\sol.wav)", "SoundFile", R"(C:\Bilder\sol.png)", "Sol",
                        R"(C:\Ljud\intro.wav)", -1, -1, 200, 900, ""};
    *overlay.Cell(3) = {R"(C:\Video\film.mp4)", "VideoFile", "", "", "", 0, 5000, -1, -1, ""};
    MediaOverlay edited = overlay;
    std::vector<int> changed;
    TMissingFilesDialog dialog(edited, Tonlyra::MovedFileFinder::MissingFiles(edited));
    dialog.OnCellChanged = [&](int cell) { changed.push_back(cell); };
    ASSERT_EQ(dialog.FileList->topLevelItemCount(), 4);
    const QTreeWidgetItem* first = dialog.FileList->topLevelItem(0);
    EXPECT_EQ(first->text(TMissingFilesDialog::CellColumn), "1");
    EXPECT_EQ(first->text(TMissingFilesDialog::KindColumn), "bild");
    EXPECT_EQ(first->text(TMissingFilesDialog::FileColumn), R"(C:\Bilder\sol.png)");
    EXPECT_EQ(dialog.FileList->topLevelItem(3)->text(TMissingFilesDialog::KindColumn), "video");
    EXPECT_TRUE(dialog.Summary->text().startsWith("4 filer"));

    // The carer finds the pictures and sounds on a stick: all taken at once.
    WriteAll(dir.File("Sticka/bilder/SOL.png"), "p");
    WriteAll(dir.File("Sticka/ljud/sol.wav"), "s");
    WriteAll(dir.File("Sticka/ljud/intro.wav"), "i");
    {
        ScriptedPrompts prompts;
        prompts.Cancel().File(dir.File("Sticka"));
        dialog.SearchFolderClick(); // cancelled: nothing happens
        EXPECT_EQ(dialog.Missing().size(), 4u);
        dialog.SearchFolderClick();
        ASSERT_EQ(prompts.Asked().size(), 2u);
        EXPECT_EQ(prompts.Asked()[1].What, Tonlyra::PromptRequest::Kind::Folder);
    }
    EXPECT_EQ(edited.GetCellPicture(1), dir.File("Sticka/bilder/SOL.png"));
    EXPECT_EQ(edited.GetCellIntroSound(1), dir.File("Sticka/ljud/intro.wav"));
    EXPECT_TRUE(edited.IsSoundFileCell(1));
    ASSERT_EQ(dialog.FileList->topLevelItemCount(), 1);
    EXPECT_FALSE(changed.empty());
    EXPECT_EQ(changed.front(), 1);

    // The video is not to be had: out of the cell.
    changed.clear();
    dialog.FileList->setCurrentItem(dialog.FileList->topLevelItem(0));
    ASSERT_TRUE(dialog.RemoveButton->isEnabled());
    dialog.RemoveClick();
    EXPECT_EQ(changed, std::vector<int>{3});
    EXPECT_EQ(edited.Cell(3)->Media, "");
    EXPECT_EQ(edited.Cell(3)->MediaType, "");
    EXPECT_EQ(edited.Cell(3)->MediaStop, -1);
    EXPECT_EQ(dialog.FileList->topLevelItemCount(), 0);
    EXPECT_FALSE(dialog.RemoveButton->isEnabled());
    EXPECT_FALSE(dialog.SearchFolderButton->isEnabled());
}
