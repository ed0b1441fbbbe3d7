#include "overlay/MediaOverlay.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using Tonlyra::ProfileFile;
using Tonlyra::Test::TempDir;

using Tonlyra::Test::ReadAll;
using Tonlyra::Test::WriteAll;

namespace {

MediaOverlay Parse(const QByteArray& bytes)
{
    ProfileFile file;
    file.FromBytes(bytes);
    MediaOverlay overlay;
    overlay.Load(file);
    return overlay;
}

// A 2 x 3 overlay that uses every field, with empty texts and unset positions among them.
MediaOverlay SampleOverlay()
{
    MediaOverlay o;
    o.CDIdentity = QStringLiteral("Disc 42");
    o.LayoutCells(2, 3, true);
    *o.Cell(1) = {"3",  "ArbitraryCD", "/p/a.png", "Spår tre", "Ur vald media",
                  1000, 5000,          1200,       1800,       ""};
    *o.Cell(2) = {"/m/song.mp3", "SoundFile", "", "", "/m/intro.wav", -1, -1, 0, 2147483647, ""};
    *o.Cell(3) = {"A1B2C3D4", "IRString", "/p/tv.jpg", "TV på", "", -1, 90, -1, -1, "COM3"};
    *o.Cell(6) = {"Exit", "Exit", "", "Slut", "", -2147483647 - 1, -1, -1, -1, ""};
    return o;
}

} // namespace

void PrintTo(const MediaOverlay& o, std::ostream* os)
{
    ProfileFile file;
    o.WriteTo(file);
    *os << file.ToBytes().toStdString();
}

void PrintTo(const OverlayCell& c, std::ostream* os)
{
    MediaOverlay o;
    o.LayoutCells(1, 1, true);
    *o.Cell(1) = c;
    PrintTo(o, os);
}

TEST(MediaOverlay, SaveAndLoadGiveBackEveryField)
{
    TempDir dir;
    const QString path = dir.File("a.cdu");
    const MediaOverlay saved = SampleOverlay();
    ASSERT_TRUE(saved.Save(path).Ok());
    MediaOverlay loaded;
    loaded.Load(path);
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(loaded.GetCellText(2), QString());
    EXPECT_EQ(loaded.GetCellStart(2), -1);
}

TEST(MediaOverlay, FreshFileHasTheSectionsInOrderWithEveryKey)
{
    TempDir dir;
    MediaOverlay o;
    o.CDIdentity = QStringLiteral("Arbitrary");
    o.LayoutCells(1, 2, true);
    o.Cell(1)->Media = QStringLiteral("5");
    o.Cell(1)->MediaType = QStringLiteral("ArbitraryCD");
    ASSERT_TRUE(o.Save(dir.File("f.cdu")).Ok());
    const QByteArray expected =
        "[Overlay]\r\nCD-Identity=Arbitrary\r\nRows=1\r\nCols=2\r\n"
        "[Media]\r\n1=5\r\n2=\r\n[Pictures]\r\n1=\r\n2=\r\n[Texts]\r\n1=\r\n2=\r\n"
        "[Sounds]\r\n1=\r\n2=\r\n[MediaTypes]\r\n1=ArbitraryCD\r\n2=\r\n"
        "[StartPositions]\r\n1=-1\r\n2=-1\r\n[StopPositions]\r\n1=-1\r\n2=-1\r\n"
        "[IntroStartPositions]\r\n1=-1\r\n2=-1\r\n[IntroStopPositions]\r\n1=-1\r\n2=-1\r\n"
        "[CommPorts]\r\n1=\r\n2=\r\n";
    EXPECT_EQ(ReadAll(dir.File("f.cdu")), expected);
}

TEST(MediaOverlay, MissingAndMalformedValuesGiveDefaults)
{
    TempDir dir;
    MediaOverlay missing = SampleOverlay();
    missing.Load(dir.File("nothere.cdu"));
    EXPECT_EQ(missing.CDIdentity, "Arbitrary");
    missing.CDIdentity.clear();
    EXPECT_EQ(missing, MediaOverlay());

    // An empty "Media" section: Rows x Cols empty cells, whatever the other sections hold.
    const MediaOverlay emptyMedia =
        Parse("[Overlay]\nRows=3\nCols=1\n[Media]\n[Texts]\n1=ignored\n");
    EXPECT_EQ(emptyMedia.N(), 3);
    EXPECT_EQ(emptyMedia.GetCellText(1), QString());

    // Hexadecimal numbers in all three forms; words count as missing.
    const MediaOverlay o = Parse("[overlay]\nrows=$1\nCOLS=0x2\n[Media]\n1=a\n2=b\n"
                                 "[StartPositions]\n1=0X10\n2=ten\n[StopPositions]\n1=$FF\n2=\n");
    EXPECT_EQ(o.Rows, 1);
    EXPECT_EQ(o.Cols, 2);
    EXPECT_EQ(o.GetCellStart(1), 16);
    EXPECT_EQ(o.GetCellStop(1), 255);
    EXPECT_EQ(o.GetCellStart(2), -1);
    EXPECT_EQ(o.GetCellStop(2), -1);
}

TEST(MediaOverlay, CellsFollowTheOrderOfTheMediaKeys)
{
    // 1 x 2 with keys 1..4 in "Media": two cells, from keys 1 and 2.
    const MediaOverlay surplus = Parse("[Overlay]\r\nRows=1\r\nCols=2\r\n[Media]\r\n1=a\r\n2=b\r\n"
                                       "3=c\r\n4=d\r\n[Texts]\r\n3=t3\r\n");
    ASSERT_EQ(surplus.N(), 2);
    EXPECT_EQ(surplus.GetCellMedia(1), "a");
    EXPECT_EQ(surplus.GetCellMedia(2), "b");
    EXPECT_EQ(surplus.GetCellText(2), QString());

    // Texts are found under the name of the j-th key, positions under j itself.
    const MediaOverlay odd = Parse("[Overlay]\nRows=1\nCols=2\n[Media]\n2=second\n1=first\n"
                                   "[Texts]\n1=T1\n2=T2\n[StartPositions]\n1=100\n2=200\n");
    EXPECT_EQ(odd.GetCellMedia(1), "second");
    EXPECT_EQ(odd.GetCellText(1), "T2");
    EXPECT_EQ(odd.GetCellStart(1), 100);
}

TEST(MediaOverlay, OldFileEncodingsAndLineEndings)
{
    // Windows-1252 text, CRLF, blanks around values, an over-long text cut to 1023 characters.
    const QByteArray longText(1500, 'x');
    const MediaOverlay o = Parse("[Overlay]\r\nRows=1\r\nCols=2\r\n[Media]\r\n1 = K\xF6r \r\n"
                                 "2=" +
                                 longText + "\r\n[Texts]\r\n1=\xC5ke\r\n");
    EXPECT_EQ(o.GetCellMedia(1), QString::fromUtf8("Kör"));
    EXPECT_EQ(o.GetCellText(1), QString::fromUtf8("Åke"));
    EXPECT_EQ(o.GetCellMedia(2).size(), 1023);
    // LF-only files read the same.
    EXPECT_EQ(Parse("[Overlay]\nRows=1\nCols=1\n[Media]\n1=x\n").GetCellMedia(1), "x");
}

TEST(MediaOverlay, RowsAndColsFromAFileStayWithinBounds)
{
    EXPECT_EQ(Parse("[Overlay]\nRows=0\nCols=5\n").N(), 0);
    const MediaOverlay negative = Parse("[Overlay]\nRows=-2\nCols=-3\n");
    EXPECT_EQ(negative.Rows, 0);
    EXPECT_EQ(negative.N(), 0);
    const MediaOverlay huge = Parse("[Overlay]\nRows=2000000000\nCols=2000000000\n");
    EXPECT_EQ(huge.N(), MediaOverlay::MaxRowsOrCols * MediaOverlay::MaxRowsOrCols);
}

TEST(MediaOverlay, SaveKeepsForeignContentAndDropsWhatIsStale)
{
    TempDir dir;
    const QString path = dir.File("old.cdu");
    // A file of an older layout that once held a 3 x 3 overlay, with a section and keys of its own.
    WriteAll(path, "; made by hand\r\n[Overlay]\r\nRows=3\r\nCols=3\r\nNote=keep\r\n"
                   "[Bilder]\r\n1=x\r\n[Media]\r\n9=nine\r\n1=one\r\n5=five\r\n"
                   "[Texts]\r\n1=a\r\n7=seven\r\nComment=keep\r\n[Texter]\r\n1=y\r\n"
                   "[Extra]\r\nk=v\r\n[Ljud]\r\n");
    MediaOverlay o;
    o.LayoutCells(1, 2, true);
    o.Cell(1)->Media = "m1";
    o.Cell(2)->Media = "m2";
    ASSERT_TRUE(o.Save(path).Ok());

    ProfileFile file(path);
    EXPECT_EQ(file.Sections().mid(0, 4), QStringList({"Overlay", "Media", "Texts", "Extra"}));
    EXPECT_FALSE(file.HasSection("Bilder") || file.HasSection("Texter") || file.HasSection("Ljud"));
    EXPECT_EQ(file.ReadString("Overlay", "Note"), "keep");
    EXPECT_EQ(file.ReadString("Texts", "Comment"), "keep");
    EXPECT_EQ(file.ReadString("Extra", "k"), "v");
    EXPECT_EQ(file.Keys("Media"), QStringList({"1", "2"}));
    EXPECT_FALSE(file.HasKey("Texts", "7"));
    EXPECT_TRUE(ReadAll(path).startsWith("; made by hand\r\n"));

    MediaOverlay back;
    back.Load(path);
    EXPECT_EQ(back, o);
}

TEST(MediaOverlay, SavingWhatWasReadKeepsTheFileAsItWas)
{
    TempDir dir;
    const QString path = dir.File("old.cdu");
    // A file in the old layout and line endings, with comments in the cell sections.
    const QByteArray old = "[Overlay]\r\nCD-Identity=Arbitrary\r\nRows=1\r\nCols=2\r\n"
                           "[Media]\r\n1=3\r\n; the second cell\r\n2=C:\\Ljud\\a.wav\r\n"
                           "[MediaTypes]\r\n1=ArbitraryCD\r\n2=SoundFile\r\n\r\n"
                           "[Pictures]\r\n1=\r\n2=\r\n[Texts]\r\n1=Ett\r\n2=\r\n[Sounds]\r\n"
                           "1=\r\n2=\r\n[StartPositions]\r\n1=-1\r\n2=500\r\n[StopPositions]\r\n"
                           "1=-1\r\n2=-1\r\n[IntroStartPositions]\r\n1=-1\r\n2=-1\r\n"
                           "[IntroStopPositions]\r\n1=-1\r\n2=-1\r\n[CommPorts]\r\n1=\r\n2=\r\n";
    WriteAll(path, old);
    MediaOverlay o;
    o.Load(path);
    ASSERT_TRUE(o.Save(path).Ok());
    EXPECT_EQ(ReadAll(path), old);
}

TEST(MediaOverlay, FailedSaveLeavesTheOldFileAsItWas)
{
    TempDir dir;
    const QString path = dir.File("keep.cdu");
    const QByteArray old = "[Overlay]\r\nRows=1\r\nCols=1\r\n[Media]\r\n1=old\r\n";
    WriteAll(path, old);
    // Room for a little, not for the whole file: the write fails part way.
    EXPECT_EQ(
        Tonlyra::Test::SaveUnderFileSizeLimit(64, [&] { return SampleOverlay().Save(path).Ok(); }),
        0);
    EXPECT_EQ(ReadAll(path), old);

    WriteAll(dir.File("afile"), "x");
    const QString underFile = dir.File("afile/x.cdu");
    EXPECT_EQ(SampleOverlay().Save(underFile).Error(),
              "Unable to write to " + underFile + "\nMappen finns inte.");
    // A folder in place of the file is refused, not replaced.
    EXPECT_EQ(SampleOverlay().Save(dir.Path()).Error(),
              "Unable to write to " + dir.Path() + "\nDet finns redan en mapp med det namnet.");
}

TEST(MediaOverlay, LayoutCellsKeepsCellsByNumber)
{
    MediaOverlay o;
    for (int k = 1; k <= 4; ++k) {
        o.Cell(k)->Media = QString::number(k);
        o.Cell(k)->MediaStart = k * 100;
    }
    o.LayoutCells(2, 3, false);
    ASSERT_EQ(o.N(), 6);
    EXPECT_EQ(o.GetCellMedia(3), "3"); // now in the first row
    EXPECT_EQ(o.GetCellStart(4), 400);
    EXPECT_EQ(*o.Cell(5), OverlayCell());
    EXPECT_EQ(*o.Cell(6), OverlayCell());
    o.LayoutCells(1, 1, false);
    EXPECT_EQ(o.GetCellMedia(1), "1");
    EXPECT_EQ(o.GetCellMedia(2), QString());
    o.LayoutCells(2, 2, true);
    EXPECT_EQ(o, MediaOverlay());
}

TEST(MediaOverlay, CellCountAndAccessorsOutsideTheOverlay)
{
    MediaOverlay o;
    EXPECT_EQ(o.CellCount(), 0);
    o.Cell(4)->Media = QStringLiteral("x");
    EXPECT_EQ(o.CellCount(), 4);

    *o.Cell(1) = {"Exit", "Exit", "p", "t", "i", 1, 2, 3, 4, "COM1"};
    for (int k : {0, 5, -1}) {
        SCOPED_TRACE(k);
        EXPECT_EQ(o.GetCellMedia(k), QString());
        EXPECT_EQ(o.GetCellPicture(k), QString());
        EXPECT_EQ(o.GetCellText(k), QString());
        EXPECT_EQ(o.GetCellIntroSound(k), QString());
        EXPECT_EQ(o.GetCellCommPort(k), QString());
        EXPECT_EQ(o.GetCellStart(k), -1);
        EXPECT_EQ(o.GetCellStop(k), -1);
        EXPECT_EQ(o.GetCellIntroStart(k), -1);
        EXPECT_EQ(o.GetCellIntroStop(k), -1);
        EXPECT_FALSE(o.IsExitCell(k) || o.IsCDTrackCell(k) || o.IsIRCell(k) ||
                     o.IsIntroFromMedia(k) || o.IsSoundFileCell(k));
    }
    EXPECT_TRUE(o.IsExitCell(1));
    EXPECT_EQ(o.GetCellIntroStop(1), 4);
}

TEST(MediaOverlay, FileCellsLookAtTheFileSystemEachTime)
{
    TempDir dir;
    const QString sound = dir.File("s.wav");
    WriteAll(sound, "RIFF");
    MediaOverlay o;
    o.LayoutCells(2, 3, true);
    *o.Cell(1) = {sound, "SoundFile", "", "", sound, -1, -1, -1, -1, ""};
    *o.Cell(2) = {sound, "VideoFile", "", "", IntroFromMediaMarker, -1, -1, -1, -1, ""};
    *o.Cell(3) = {sound, "OverlayFile", "", "", dir.File("gone.wav"), -1, -1, -1, -1, ""};
    *o.Cell(4) = {"7", "FixedCD", "", "", "", -1, -1, -1, -1, ""};
    *o.Cell(5) = {dir.Path(), "SoundFile", "", "", dir.Path(), -1, -1, -1, -1, ""};
    *o.Cell(6) = {sound, "soundfile", "", "", "", -1, -1, -1, -1, ""};

    EXPECT_TRUE(o.IsSoundFileCell(1));
    EXPECT_TRUE(o.IsVideoFileCell(2));
    EXPECT_TRUE(o.IsOverlayFileCell(3));
    EXPECT_FALSE(o.IsSoundFileCell(2));
    EXPECT_EQ(o.GetCellIntroSound(1), sound);
    EXPECT_EQ(o.GetCellIntroSound(2), QString());
    EXPECT_TRUE(o.IsIntroFromMedia(2));
    EXPECT_EQ(o.GetCellIntroSound(3), QString());
    EXPECT_TRUE(o.IsCDTrackCell(4));
    EXPECT_FALSE(o.IsArbitraryCDCell(4));
    // A folder is not a file; keywords are matched with case.
    EXPECT_FALSE(o.IsSoundFileCell(5));
    EXPECT_EQ(o.GetCellIntroSound(5), QString());
    EXPECT_FALSE(o.IsSoundFileCell(6));

    QFile::remove(sound);
    EXPECT_FALSE(o.IsSoundFileCell(1));
    EXPECT_FALSE(o.IsVideoFileCell(2));
    EXPECT_EQ(o.GetCellIntroSound(1), QString());
}

TEST(MediaOverlay, LineBreaksInTextsCannotSpillIntoTheFile)
{
    MediaOverlay o;
    o.Cell(1)->Text = QStringLiteral("one\r\n[Overlay]\nRows=9");
    ProfileFile file;
    o.WriteTo(file);
    MediaOverlay back;
    back.Load(file);
    EXPECT_EQ(back.Rows, 2);
    EXPECT_EQ(back.GetCellText(1), QStringLiteral("one  [Overlay] Rows=9"));
}

TEST(MediaOverlay, RelativePathsFollowTheOverlayWhereverItsFolderIsCopied)
{
    TempDir dir;
    const QString copy = dir.File("kopia");
    for (const QString& folder : {copy + "/Overlays", copy + "/Sounds"})
        ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* file : {"/Sounds/a.wav", "/Sounds/intro.wav", "/Sounds/bild.png"})
        WriteAll(copy + file, "x");
    MediaOverlay written;
    const QString sound = "../Sounds/a.wav", picture = "../Sounds/bild.png",
                  intro = "../Sounds/intro.wav";
    *written.Cell(1) = {sound, OverlayMediaType::SoundFile, picture, "", intro, -1, -1, -1, -1, ""};
    *written.Cell(2) = {sound, OverlayMediaType::IRString, "", "", "", -1, -1, -1, -1, ""};
    const QString path = copy + "/Overlays/x.cdu";
    ASSERT_TRUE(written.Save(path).Ok());

    MediaOverlay o;
    o.Load(path);
    EXPECT_EQ(o.Folder, copy + "/Overlays/");
    EXPECT_EQ(o, written); // the file keeps the paths as they were written
    EXPECT_TRUE(o.IsSoundFileCell(1));
    EXPECT_EQ(o.GetCellMedia(1), copy + "/Sounds/a.wav");
    EXPECT_EQ(o.GetCellPicture(1), copy + "/Sounds/bild.png");
    EXPECT_EQ(o.GetCellIntroSound(1), copy + "/Sounds/intro.wav");
    EXPECT_EQ(o.GetCellMedia(2), "../Sounds/a.wav"); // an IR command is no path
}
