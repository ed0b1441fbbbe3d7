#include "media/MediaDialogUnit.h"
#include "tests/support/ApplicationUnderTest.h"
#include "overlay/SettingsFormUnit.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

using Tonlyra::PromptRequest;
using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;

using Tonlyra::Test::ReadAll;

namespace {

const QString ConfirmText = QStringLiteral("CD-överlägget har ändrats. Vill du spara ändringarna?");

void WriteOverlay(const QString& path, const QString& firstMedia)
{
    MediaOverlay o;
    o.Cell(1)->Media = firstMedia;
    o.Cell(1)->MediaStart = 500;
    ASSERT_TRUE(o.Save(path).Ok());
}

// Runs the test in a fresh start directory holding an "Overlays" folder.
class SettingsFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OldCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(Dir.Path()));
        QDir(Dir.Path()).mkdir("Overlays");
    }
    void TearDown() override { QDir::setCurrent(OldCurrent); }
    QString Overlays(const QString& name) const { return Dir.File("Overlays/" + name); }

    TempDir Dir;
    QString OldCurrent;
};

} // namespace

TEST_F(SettingsFormTest, StartsEmptyWithFoldersUnderTheStartDirectory)
{
    Tonlyra::Session formSession;
    TSettingsForm form(formSession);
    EXPECT_EQ(form.FileName, QString());
    EXPECT_EQ(form.Rows(), 2);
    EXPECT_EQ(form.Cols(), 2);
    EXPECT_EQ(form.CellCount(), 0);
    EXPECT_EQ(form.OverlayFolder, QDir::currentPath() + "/Overlays/");
    EXPECT_EQ(form.SoundFolder, QDir::currentPath() + "/");
    EXPECT_FALSE(form.EditOverlay());
}

TEST_F(SettingsFormTest, CommandLineOverlays)
{
    WriteOverlay(Overlays("a.cdu"), "from a");
    WriteOverlay(Overlays("b.cdu"), "from b");
    WriteOverlay(Overlays("C.CDU"), "capitals");
    WriteOverlay(Dir.File("elsewhere.cdu"), "full path");
    struct Case
    {
        QStringList Arguments;
        QString Media; // of cell 1 in force, empty for no overlay
    };
    const Case cases[] = {
        {{"a.cdu"}, "from a"},             // bare name: in Overlays
        {{"Anna.usr", "a.cdu"}, "from a"}, // second argument
        {{"a.cdu", "b.cdu"}, "from b"},    // the second wins
        {{Dir.File("elsewhere.cdu")}, "full path"},
        {{"C.CDU"}, ""},                   // the extension is exact
        {{"missing.cdu"}, ""},             // passed over in silence
        {{"x.usr", "y.usr", "a.cdu"}, ""}, // only the first two count
        {{"elsewhere.cdu"}, ""},           // a bare name is not looked for here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Arguments.join(' ').toStdString());
        Tonlyra::Session formSession;
        TSettingsForm form(formSession, nullptr, c.Arguments);
        EXPECT_EQ(form.GetCellMedia(1), c.Media);
        EXPECT_EQ(form.CurrentOverlay(), form.EditedOverlay);
        EXPECT_EQ(form.FileName.isEmpty(), c.Media.isEmpty());
    }
}

TEST_F(SettingsFormTest, LoadCommitAndRevert)
{
    WriteOverlay(Dir.File("x.cdu"), "loaded");
    Tonlyra::Session formSession;
    TSettingsForm form(formSession);
    form.ChangedInEditor = true;
    form.Session.SetOverlayUnsaved(true);
    form.LoadOverlay(Dir.File("x.cdu"));
    EXPECT_FALSE(form.ChangedInEditor || form.CommittedUnsaved());
    EXPECT_EQ(form.FileName, Dir.File("x.cdu"));
    EXPECT_EQ(form.OverlayFolder, Dir.Path() + "/");
    EXPECT_EQ(form.windowTitle(), "Inställningar för media" + QString(10, ' ') + Dir.File("x.cdu"));
    EXPECT_EQ(form.GetCellMedia(1), QString()); // not in force yet
    form.CommitOverlay();
    EXPECT_EQ(form.GetCellMedia(1), "loaded");
    EXPECT_EQ(form.GetCellStart(1), 500);

    form.EditedOverlay.Cell(1)->Media = "edited";
    form.EditedOverlay.LayoutCells(3, 3, false);
    form.ChangedInEditor = true;
    form.RevertEditedOverlay();
    EXPECT_EQ(form.EditedOverlay, form.CurrentOverlay());
    EXPECT_FALSE(form.ChangedInEditor);
}

TEST_F(SettingsFormTest, ConfirmSaveOverlayAnswers)
{
    enum Expect
    {
        Saved,
        NotSaved
    };
    struct Case
    {
        const char* Name;
        bool Untitled;
        std::function<void(ScriptedPrompts&)> Answers;
        bool GoOn;
        Expect File;
    };
    const QString chosen = Dir.File("chosen.cdu");
    const Case cases[] = {
        {"yes", false, [](ScriptedPrompts& p) { p.Button(QMessageBox::Yes); }, true, Saved},
        {"no", false, [](ScriptedPrompts& p) { p.Button(QMessageBox::No); }, true, NotSaved},
        {"cancel", false, [](ScriptedPrompts& p) { p.Button(QMessageBox::Cancel); }, false,
         NotSaved},
        {"yes, untitled, name chosen", true,
         [&](ScriptedPrompts& p) { p.Button(QMessageBox::Yes).File(chosen); }, true, Saved},
        {"yes, untitled, dialog cancelled", true,
         [](ScriptedPrompts& p) { p.Button(QMessageBox::Yes).Cancel(); }, false, NotSaved},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile::remove(chosen);
        WriteOverlay(Dir.File("doc.cdu"), "original");
        const QByteArray original = ReadAll(Dir.File("doc.cdu"));
        Tonlyra::Session formSession;
        TSettingsForm form(formSession, nullptr, {Dir.File("doc.cdu")});
        if (c.Untitled)
            form.NewMenuClick();
        form.EditedOverlay.Cell(1)->Media = "changed";
        form.ChangedInEditor = true;
        ScriptedPrompts prompts;
        c.Answers(prompts);
        EXPECT_EQ(form.ConfirmSaveOverlay(), c.GoOn);
        ASSERT_GE(prompts.Asked().size(), 1u);
        EXPECT_EQ(prompts.Asked()[0].Text, ConfirmText);
        EXPECT_EQ(prompts.Asked()[0].Caption, "Spara ändringar?");
        EXPECT_EQ(prompts.Remaining(), 0);
        EXPECT_EQ(form.ChangedInEditor, !c.GoOn);
        EXPECT_EQ(form.CommittedUnsaved(), !c.GoOn);
        const QString target = c.Untitled ? chosen : Dir.File("doc.cdu");
        MediaOverlay onDisk;
        onDisk.Load(target);
        EXPECT_EQ(onDisk.GetCellMedia(1) == "changed", c.File == Saved);
        if (c.Untitled) {
            ASSERT_EQ(prompts.Asked().size(), 2u);
            const PromptRequest& save = prompts.Asked()[1];
            EXPECT_EQ(save.What, PromptRequest::Kind::SaveFile);
            EXPECT_EQ(save.Filter, "Överlägg|*.cdu");
            EXPECT_EQ(save.DefaultSuffix, "cdu");
        }
        if (c.File == NotSaved && !c.Untitled) {
            EXPECT_EQ(ReadAll(Dir.File("doc.cdu")), original);
        }
    }
}

TEST_F(SettingsFormTest, ConfirmWithNothingChangedAsksNothing)
{
    Tonlyra::Session formSession;
    TSettingsForm form(formSession);
    ScriptedPrompts prompts;
    EXPECT_TRUE(form.ConfirmSaveOverlay());
    EXPECT_TRUE(prompts.Asked().empty());
    // Accepted edits that were never saved still count.
    form.Session.SetOverlayUnsaved(true);
    prompts.Button(QMessageBox::No);
    EXPECT_TRUE(form.ConfirmSaveOverlay());
    EXPECT_EQ(prompts.Asked().size(), 1u);
    EXPECT_TRUE(form.ConfirmSaveOverlay());
    EXPECT_EQ(prompts.Asked().size(), 1u);
}

TEST_F(SettingsFormTest, FailedSaveIsShownAndStopsTheCaller)
{
    QFile blocker(Dir.File("afile"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString bad = Dir.File("afile/x.cdu");
    Tonlyra::Session formSession;
    TSettingsForm form(formSession);
    form.NewMenuClick();
    form.ChangedInEditor = true;

    ScriptedPrompts prompts;
    prompts.Button(QMessageBox::Yes).File(bad).Button(QMessageBox::Ok);
    EXPECT_FALSE(form.ConfirmSaveOverlay());
    ASSERT_EQ(prompts.Asked().size(), 3u);
    EXPECT_EQ(prompts.Asked()[2].Text, "Unable to write to " + bad + "\nMappen finns inte.");
    EXPECT_EQ(prompts.Asked()[2].Icon, QMessageBox::Critical);
    // The document still names its old file and still counts as changed.
    EXPECT_EQ(form.FileName, TSettingsForm::UntitledName);
    EXPECT_TRUE(form.ChangedInEditor && form.CommittedUnsaved());
}

TEST_F(SettingsFormTest, NewOverlayIsFourEmptyCells)
{
    WriteOverlay(Dir.File("x.cdu"), "m");
    Tonlyra::Session formSession;
    TSettingsForm form(formSession);
    form.LoadOverlay(Dir.File("x.cdu"));
    form.EditedOverlay.CDIdentity = "id";
    form.NewMenuClick();
    EXPECT_EQ(form.FileName, "Namnlös");
    EXPECT_EQ(form.EditedOverlay, MediaOverlay());
    EXPECT_EQ(form.EditedOverlay.GetCellStart(1), -1);
}

TEST_F(SettingsFormTest, OpenAndSaveCommands)
{
    WriteOverlay(Overlays("o.cdu"), "opened");
    Tonlyra::Session formSession;
    TSettingsForm form(formSession);
    form.EditedOverlay.Cell(2)->Media = "edit";
    form.ChangedInEditor = true;
    {
        // Cancel in the question: no open dialog.
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::Cancel);
        form.OpenMenuClick();
        EXPECT_EQ(prompts.Asked().size(), 1u);
        EXPECT_EQ(form.EditedOverlay.GetCellMedia(2), "edit");
    }
    {
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::No).File(Overlays("o.cdu"));
        form.OpenMenuClick();
        ASSERT_EQ(prompts.Asked().size(), 2u);
        EXPECT_EQ(prompts.Asked()[1].What, PromptRequest::Kind::OpenFile);
        EXPECT_EQ(prompts.Asked()[1].Filter, "Överlägg|*.cdu");
        EXPECT_EQ(prompts.Asked()[1].InitialDirectory, QDir::currentPath() + "/Overlays/");
        EXPECT_EQ(form.EditedOverlay.GetCellMedia(1), "opened");
        EXPECT_EQ(form.FileName, Overlays("o.cdu"));
    }
    {
        // "Spara" on an untitled overlay asks for a name.
        form.NewMenuClick();
        form.EditedOverlay.Cell(1)->Media = "new";
        form.FileMenuPopup();
        EXPECT_FALSE(form.SaveMenu->isEnabled());
        form.ChangedInEditor = true;
        form.FileMenuPopup();
        EXPECT_TRUE(form.SaveMenu->isEnabled());
        ScriptedPrompts prompts;
        prompts.File(Dir.File("n.cdu"));
        form.SaveMenuClick();
        EXPECT_EQ(form.FileName, Dir.File("n.cdu"));
        EXPECT_FALSE(form.ChangedInEditor);
        form.EditedOverlay.Cell(1)->Media = "again";
        form.SaveMenuClick(); // saves without asking
        MediaOverlay onDisk;
        onDisk.Load(Dir.File("n.cdu"));
        EXPECT_EQ(onDisk.GetCellMedia(1), "again");
    }
}

TEST_F(SettingsFormTest, ArbitraryCDReadyNeedsTheMediaDialog)
{
    Tonlyra::Session formSession;
    TSettingsForm form(formSession);
    form.EditedOverlay.Cell(1)->MediaType = "ArbitraryCD";
    form.CommitOverlay();
    // Without a media dialog there is no disc to find.
    ASSERT_EQ(form.MediaDialog, nullptr);
    EXPECT_FALSE(form.IsArbitraryCDReady(1));
    EXPECT_FALSE(form.IsArbitraryCDReady(9));
}

TEST_F(SettingsFormTest, ReleaseLeavesSafeAccessors)
{
    Tonlyra::Session formSession;
    TSettingsForm form(formSession);
    form.EditedOverlay.Cell(1)->Media = "x";
    form.CommitOverlay();
    form.ReleaseOverlay();
    EXPECT_EQ(form.CellCount(), 0);
    EXPECT_EQ(form.GetCellMedia(1), QString());
    EXPECT_EQ(form.GetCellStop(1), -1);
}
