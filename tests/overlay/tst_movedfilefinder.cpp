#include "overlay/MediaFolders.h"
#include "overlay/MovedFileFinder.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using Tonlyra::MovedFileFinder;
using Tonlyra::OverlayFileKind;
using Tonlyra::Test::TempDir;
using Tonlyra::Test::WriteAll;

namespace {

// A set copied from elsewhere: <root>/Set/Overlays/Djur.cdu with Bilder/, Ljud/ and more beside
// Overlays/, and a media folder of the carer's own at <root>/Media.
class MovedFileFinderTest : public ::testing::Test
{
protected:
    QString Root() const { return Dir.Path(); }
    QString Set() const { return Root() + "/Set"; }
    QString Overlays() const { return Set() + "/Overlays/"; }
    QString Put(const QString& path, const QByteArray& bytes = "x")
    {
        WriteAll(Root() + '/' + path, bytes);
        return Root() + '/' + path;
    }

    TempDir Dir;
};

} // namespace

TEST_F(MovedFileFinderTest, StoredPathsAreFoundInTheSearchOrderOrSaidMissing)
{
    Put("Set/Bilder/Älg.JPG");
    Put("Set/Overlays/sol.wav");
    Put("Set/Nya/Djur/katt.png");
    Put("Set/A/hund.png", "hund a");
    Put("Set/B/hund.png", "hund b");
    Put("Set/A/ko.png", "samma ko");
    Put("Set/B/ko.png", "samma ko");
    Put("Set/Bilder/Djur/gris.png", "rätt gris");
    Put("Set/Gamla/gris.png", "gammal gris");
    Put("Set/Overlays/bredvid.png");
    Put("Set/Bilder/bredvid.png", "en annan");
    Put("Media/Ljud/trumma.wav");
    Put("Media/Ljud/Andra/flöjt.wav");
    Put("Media/Annat/flöjt.wav", "annan flöjt");
    MovedFileFinder finder;
    finder.SetMediaFolders({Root() + "/Media"});

    struct Case
    {
        const char* Stored;
        QString Found;          // relative to the root; empty: not found
        int Candidates = 0;
    };
    const Case cases[] = {
        // a Windows path in another case: its last folder and name below the set
        {R"(C:\Tonlyran\BILDER\älg.jpg)", "Set/Bilder/Älg.JPG"},
        {R"(..\Bilder\Älg.jpg)", "Set/Bilder/Älg.JPG"},
        // the last folders decide between files of the name in different folders
        {R"(C:\Bilder\Djur\gris.png)", "Set/Bilder/Djur/gris.png"},
        // only the name left: beside the overlay, which comes before the tree below
        {"/home/gammal/ljud/sol.wav", "Set/Overlays/sol.wav"},
        {R"(C:\Mina bilder\bredvid.png)", "Set/Overlays/bredvid.png"},
        // a moved folder: anywhere below the set
        {"/home/anna/Gamla/katt.png", "Set/Nya/Djur/katt.png"},
        // two copies with the same bytes are one file
        {R"(D:\ko.png)", "Set/A/ko.png"},
        // the carer's media folders, the last folders again deciding
        {R"(D:\Ljud\trumma.wav)", "Media/Ljud/trumma.wav"},
        {R"(E:\Andra\flöjt.wav)", "Media/Ljud/Andra/flöjt.wav"},
        // two different files of the name: no guess
        {R"(C:\x\hund.png)", "", 2},
        {R"(C:\Bilder\saknas.png)", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Stored);
        const Tonlyra::FoundFile found = finder.Find(QString::fromUtf8(c.Stored), Overlays());
        EXPECT_EQ(found.Path, c.Found.isEmpty() ? QString() : Root() + '/' + c.Found);
        EXPECT_EQ(found.Candidates.size(), c.Candidates);
    }
}

TEST_F(MovedFileFinderTest, RepairWritesFoundPathsRelativeToTheSetAndListsTheRest)
{
    const QString picture = Put("Set/Bilder/sol.png");
    Put("Set/Ljud/sol.wav");
    Put("Set/A/hund.png", "a");
    Put("Set/B/hund.png", "b");
    const QString kept = Put("Set/Overlays/finns.png");
    MediaOverlay overlay;
    overlay.Folder = Overlays();
    overlay.LayoutCells(1, 3, true);
    *overlay.Cell(1) = {R"(C:\Ljud\sol.wav)", "SoundFile", R"(C:\Bilder\sol.png)", "Sol",
                        R"(C:\Ljud\intro.wav)", -1, -1, -1, -1, ""};
    *overlay.Cell(2) = {"4", "ArbitraryCD", R"(C:\hund.png)", "", "Ur vald media",
                        -1, -1, 0, 900, ""};
    *overlay.Cell(3) = {"", "", "finns.png", "", "", -1, -1, -1, -1, ""};

    MovedFileFinder finder;
    const MovedFileFinder::Outcome outcome = finder.Repair(overlay);
    EXPECT_EQ(outcome.Found, 2);
    EXPECT_EQ(overlay.Cell(1)->Picture, "../Bilder/sol.png");
    EXPECT_EQ(overlay.Cell(1)->Media, "../Ljud/sol.wav");
    EXPECT_EQ(overlay.GetCellPicture(1), picture);
    EXPECT_EQ(overlay.Cell(2)->Media, "4"); // a CD track names no file
    EXPECT_EQ(overlay.Cell(3)->Picture, "finns.png");
    EXPECT_EQ(overlay.GetCellPicture(3), kept);

    ASSERT_EQ(outcome.Missing.size(), 2u);
    EXPECT_EQ(outcome.Missing[0].Cell, 1);
    EXPECT_EQ(outcome.Missing[0].Kind, OverlayFileKind::Intro);
    EXPECT_EQ(outcome.Missing[0].Describe(), R"(Ruta 1, intro-ljud: C:\Ljud\intro.wav)");
    EXPECT_EQ(outcome.Missing[1].Cell, 2);
    EXPECT_EQ(outcome.Missing[1].Kind, OverlayFileKind::Picture);
    EXPECT_EQ(outcome.Missing[1].Candidates.size(), 2);
    EXPECT_TRUE(outcome.Missing[1].Describe().startsWith(
        R"(Ruta 2, bild: C:\hund.png (finns på flera ställen: )"));
    EXPECT_EQ(MovedFileFinder::MissingFiles(overlay).size(), 2u);

    // "Leta i mapp": the carer names a folder, every missing file found there is taken.
    const QString intro = Put("Hämtat/ljud/Intro.WAV");
    const MovedFileFinder::Outcome more = finder.RepairFrom(overlay, Root() + "/Hämtat");
    EXPECT_EQ(more.Found, 1);
    EXPECT_EQ(overlay.Cell(1)->Intro, intro); // outside the set: absolute
    EXPECT_EQ(more.Missing.size(), 1u);
}

TEST_F(MovedFileFinderTest, WhatWasFoundIsRememberedUntilForgotten)
{
    const QString first = Put("Set/A/boll.png", "a");
    MovedFileFinder finder;
    EXPECT_EQ(finder.Find(R"(C:\boll.png)", Overlays()).Path, first);
    Put("Set/B/boll.png", "b");
    EXPECT_EQ(finder.Find(R"(C:\boll.png)", Overlays()).Path, first);
    finder.Forget();
    EXPECT_EQ(finder.Find(R"(C:\boll.png)", Overlays()).Candidates.size(), 2);

    // A file remembered and since removed is looked for again.
    ASSERT_TRUE(QFile::remove(first));
    finder.Forget();
    EXPECT_EQ(finder.Find(R"(C:\boll.png)", Overlays()).Path, Root() + "/Set/B/boll.png");
    ASSERT_TRUE(QFile::remove(Root() + "/Set/B/boll.png"));
    EXPECT_TRUE(finder.Find(R"(C:\boll.png)", Overlays()).Path.isEmpty());
}

TEST_F(MovedFileFinderTest, ALegacyOverlayWithItsFilesInAFolderFindsEveryFile)
{
    const QByteArray legacy =
        Tonlyra::Test::ReadAll(Tonlyra::Test::SourceDir() + "/tests/overlay/fixtures/Gammal.cdu");
    ASSERT_FALSE(legacy.isEmpty());
    // The files as a copy from the old computer has them: names in another case, and one name
    // with its accent decomposed, as some copying tools write it.
    WriteAll(Overlays() + "Gammal.cdu", legacy);
    WriteAll(Overlays() + "skog.cdu", "[Overlay]\r\nRows=1\r\nCols=1\r\n");
    for (const QString& name : {QString("Bilder/älg.jpg"), QString("Bilder/HUND.jpg"),
                                QString("Bilder/cd-skiva.bmp"), QString("Bilder/Skog.jpg"),
                                QString("Ljud/hund.wav"), QString("Ljud/Hund-intro.wav"),
                                QString("Ljud/Älg.wav").normalized(QString::NormalizationForm_D)})
        WriteAll(Set() + '/' + name, name.toUtf8());
    MediaOverlay overlay;
    overlay.Load(Overlays() + "Gammal.cdu");
    ASSERT_EQ(overlay.GetCellText(1), "Älg");

    MovedFileFinder finder;
    const MovedFileFinder::Outcome outcome = finder.Repair(overlay);
    EXPECT_EQ(outcome.Found, 8);
    EXPECT_TRUE(outcome.Missing.empty());
    for (int k = 1; k <= 4; ++k)
        EXPECT_TRUE(QFileInfo(overlay.GetCellPicture(k)).isFile()) << k;
    EXPECT_TRUE(overlay.IsSoundFileCell(1));
    EXPECT_TRUE(overlay.IsSoundFileCell(2));
    EXPECT_FALSE(overlay.GetCellIntroSound(2).isEmpty());
    EXPECT_TRUE(overlay.IsOverlayFileCell(4));
    EXPECT_EQ(overlay.GetCellMedia(3), "5");

    // Saved, the overlay names its files relative to itself and reads back whole.
    ASSERT_TRUE(overlay.Save(Overlays() + "Gammal.cdu").Ok());
    MediaOverlay again;
    again.Load(Overlays() + "Gammal.cdu");
    EXPECT_EQ(again.Cell(1)->Picture, "../Bilder/älg.jpg");
    EXPECT_EQ(again.Cell(4)->Media, "skog.cdu");
    EXPECT_TRUE(MovedFileFinder::MissingFiles(again).empty());
}

TEST_F(MovedFileFinderTest, TheMediaFoldersAreKeptInTheSystemFoldersSettings)
{
    QFile::remove(Tonlyra::SystemSettingsPath());
    EXPECT_TRUE(Tonlyra::ReadMediaFolders().isEmpty());
    const QStringList folders{Root() + "/Media", "/srv/skolans bilder"};
    ASSERT_TRUE(Tonlyra::WriteMediaFolders(folders).Ok());
    EXPECT_EQ(Tonlyra::ReadMediaFolders(), folders);
    ASSERT_TRUE(Tonlyra::WriteMediaFolders({folders[1]}).Ok());
    EXPECT_EQ(Tonlyra::ReadMediaFolders(), QStringList{folders[1]});
    EXPECT_TRUE(Tonlyra::SystemSettingsPath().endsWith("/tonlyran.cfg"));
}
