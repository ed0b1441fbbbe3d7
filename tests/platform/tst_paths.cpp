#include "platform/Paths.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using Tonlyra::Test::TempDir;
using Tonlyra::Test::WriteAll;

namespace {

// Runs the test in a fresh start directory; the user data folder is the test's own (ctest).
class PathsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OldCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(Start.Path()));
        QDir(Tonlyra::UserDataFolder()).removeRecursively();
    }
    void TearDown() override { QDir::setCurrent(OldCurrent); }

    TempDir Start;
    QString OldCurrent;
};

} // namespace

TEST_F(PathsTest, TheStartFoldersOwnFoldersWinElseTheUsersAreMadeAndUsed)
{
    const QString data = Tonlyra::UserDataFolder();
    ASSERT_FALSE(data.startsWith(Start.Path()));
    EXPECT_EQ(Tonlyra::OverlaysFolder(), data + "/Overlays/");
    EXPECT_EQ(Tonlyra::UsersFolder(), data + "/Users/");
    EXPECT_TRUE(QFileInfo(data + "/Overlays").isDir());
    EXPECT_TRUE(QFileInfo(data + "/Users").isDir());

    ASSERT_TRUE(QDir(Start.Path()).mkdir("Overlays"));
    const QString start = QDir::currentPath();
    EXPECT_EQ(Tonlyra::OverlaysFolder(), start + "/Overlays/");
    EXPECT_EQ(Tonlyra::UsersFolder(), data + "/Users/"); // each is decided on its own
}

TEST_F(PathsTest, RelativePathsResolveBesideTheOverlayThenInTheStartFolder)
{
    const QString start = QDir::currentPath();
    const QString overlays = start + "/kopia/Overlays/";
    ASSERT_TRUE(QDir().mkpath(overlays));
    ASSERT_TRUE(QDir().mkpath(start + "/kopia/Sounds"));
    WriteAll(start + "/kopia/Sounds/sol.wav", "x");
    WriteAll(start + "/gammal.png", "x");
    WriteAll(overlays + "gammal.png", "x");
    WriteAll(start + "/bara-har.png", "x");
    struct Case
    {
        QString Stored, Expected;
    };
    const Case cases[] = {
        {"", ""},
        {"/var/ljud/a.wav", "/var/ljud/a.wav"},                 // absolute: as it stands
        {"../Sounds/sol.wav", start + "/kopia/Sounds/sol.wav"}, // beside the overlay
        {"gammal.png", overlays + "gammal.png"},                // beside wins over the start
        {"bara-har.png", start + "/bara-har.png"},              // older overlays: start folder
        {"saknas.png", overlays + "saknas.png"},                // missing: said so beside it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Stored.toStdString());
        EXPECT_EQ(Tonlyra::ResolveOverlayPath(c.Stored, overlays), c.Expected);
    }
    EXPECT_EQ(Tonlyra::ResolveOverlayPath("bara-har.png", QString()), "bara-har.png");
}

TEST_F(PathsTest, TheLastOverlayIsRememberedPerUserSettingsFile)
{
    const QString anna = Start.File("Anna.usr"), bo = Start.File("Bo.usr");
    const QString djur = Start.File("Djur.cdu"), mat = Start.File("Mat.cdu");
    WriteAll(djur, "[Overlay]\r\n");
    WriteAll(mat, "[Overlay]\r\n");
    EXPECT_EQ(Tonlyra::RememberedOverlay(anna), QString());

    Tonlyra::RememberOverlay(anna, djur);
    Tonlyra::RememberOverlay(bo, mat);
    Tonlyra::RememberOverlay(anna, mat);
    EXPECT_EQ(Tonlyra::RememberedOverlay(anna), mat);
    EXPECT_EQ(Tonlyra::RememberedOverlay(bo), mat);
    // Not a picture base: nothing in the user data folder reads as one.
    EXPECT_TRUE(QDir(Tonlyra::UserDataFolder()).entryList({"*.ini"}).isEmpty());

    // An overlay that has gone is not offered; a name the file cannot hold is not remembered.
    QFile::remove(mat);
    EXPECT_EQ(Tonlyra::RememberedOverlay(anna), QString());
    Tonlyra::RememberOverlay(Start.File("a=b.usr"), djur);
    EXPECT_EQ(Tonlyra::RememberedOverlay(Start.File("a=b.usr")), QString());
}
