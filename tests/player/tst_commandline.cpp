#include "overlay/MediaOverlay.h"
#include "platform/Paths.h"
#include "player/CommandLine.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <gtest/gtest.h>

using Tonlyra::Test::TempDir;
using Tonlyra::Test::WriteAll;

namespace {

struct Outcome
{
    int Code = -1;
    QString Out, Err;
};

Outcome Command(const QStringList& arguments)
{
    Outcome run;
    QTextStream out(&run.Out), err(&run.Err);
    run.Code = Tonlyra::RunSetCommand(arguments, out, err);
    return run;
}

// Runs in a start folder without Overlays/, so imports land among the user's own overlays.
class CommandLineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Old = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(Start.Path()));
        QDir(Tonlyra::UserDataFolder()).removeRecursively();
        WriteAll(Start.File("Set/Bilder/sol.png"), "sol");
        MediaOverlay overlay;
        overlay.LayoutCells(1, 1, true);
        overlay.Cell(1)->Picture = "../Bilder/sol.png";
        ASSERT_TRUE(QDir().mkpath(Start.File("Set/Overlays")));
        ASSERT_TRUE(overlay.Save(Start.File("Set/Overlays/Sol.cdu")).Ok());
    }
    void TearDown() override { QDir::setCurrent(Old); }

    TempDir Start;
    QString Old;
};

} // namespace

TEST_F(CommandLineTest, ExportAndImportWithExitCodesAndNothingOverwritten)
{
    EXPECT_TRUE(Tonlyra::IsSetCommand({"--import", "x.tonlyran"}));
    EXPECT_FALSE(Tonlyra::IsSetCommand({"Overlays/Demo.cdu", "Users/Anna.usr"}));
    for (const QStringList& wrong :
         {QStringList{"--export", "Sol.cdu"}, QStringList{"--import"},
          QStringList{"--import", "a", "b", "c"}, QStringList{"Sol.cdu", "--export"}}) {
        const Outcome run = Command(wrong);
        EXPECT_EQ(run.Code, Tonlyra::ExitUsage) << wrong.join(' ').toStdString();
        EXPECT_TRUE(run.Err.contains("tonlyra --import FIL.tonlyran [MAPP]"));
    }

    const QString file = Start.File("Sol.tonlyran");
    Outcome run = Command({"--export", Start.File("Set/Overlays/Sol.cdu"), file});
    ASSERT_EQ(run.Code, Tonlyra::ExitOk) << run.Err.toStdString();
    EXPECT_EQ(run.Out, file + "\n");
    EXPECT_EQ(run.Err, "Exporterade 1 överlägg och 1 filer till " + file + ".\n");
    run = Command({"--export", Start.File("Set/Overlays/Sol.cdu"), file});
    EXPECT_EQ(run.Code, Tonlyra::ExitExists);
    EXPECT_EQ(run.Err, "tonlyra: Filen " + file + " finns redan och skrivs inte över.\n");
    run = Command({"--export", Start.File("Saknas.cdu"), Start.File("Ny.tonlyran")});
    EXPECT_EQ(run.Code, Tonlyra::ExitFailed);
    EXPECT_FALSE(QFileInfo::exists(Start.File("Ny.tonlyran")));

    // Without a folder: a new one among the user's overlays, each time.
    const QString overlays = Tonlyra::OverlaysFolder();
    run = Command({"--import", file});
    ASSERT_EQ(run.Code, Tonlyra::ExitOk) << run.Err.toStdString();
    EXPECT_EQ(run.Out, overlays + "Sol/Sol.cdu\n");
    MediaOverlay imported;
    imported.Load(overlays + "Sol/Sol.cdu");
    EXPECT_EQ(Tonlyra::Test::ReadAll(imported.GetCellPicture(1)), "sol");
    run = Command({"--import", file});
    EXPECT_EQ(run.Out, overlays + "Sol 2/Sol.cdu\n");

    // A folder named that holds the set's files already is left alone.
    run = Command({"--import", file, overlays + "Sol"});
    EXPECT_EQ(run.Code, Tonlyra::ExitExists);
    EXPECT_TRUE(run.Err.startsWith("tonlyra: Det finns redan filer med samma namn i "));

    WriteAll(Start.File("trasig.tonlyran"), "inte en zip");
    run = Command({"--import", Start.File("trasig.tonlyran"), Start.File("Trasig")});
    EXPECT_EQ(run.Code, Tonlyra::ExitFailed);
    EXPECT_TRUE(run.Err.startsWith("tonlyra: Filen kan inte importeras: den är skadad"));
    EXPECT_FALSE(QFileInfo::exists(Start.File("Trasig")));
}
