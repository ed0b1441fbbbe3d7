#include "overlay/MediaOverlay.h"
#include "overlay/OverlaySet.h"
#include "platform/Paths.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <archive.h>
#include <archive_entry.h>

#include <gtest/gtest.h>

using Tonlyra::SetImportOptions;
using Tonlyra::Test::ReadAll;
using Tonlyra::Test::TempDir;
using Tonlyra::Test::WriteAll;

namespace {

QStringList Listing(const QString& folder)
{
    QStringList names;
    for (const QFileInfo& info :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        names.append(info.fileName());
    return names;
}

// The bytes of the file cell k of overlay names in the field, resolved as the player does.
QByteArray PictureBytes(const MediaOverlay& overlay, int k)
{
    return ReadAll(overlay.GetCellPicture(k));
}

struct ArchiveMember
{
    QByteArray Name = {};
    QByteArray Bytes = {};
    int Type = AE_IFREG;
    QByteArray Link = {}; // symbolic link target
};

// A ZIP file written by libarchive exactly as given, names and all.
void WriteZip(const QString& path, const std::vector<ArchiveMember>& members)
{
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    ASSERT_EQ(archive_write_open_filename(a, QFile::encodeName(path).constData()), ARCHIVE_OK);
    for (const ArchiveMember& m : members) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, m.Name.constData());
        archive_entry_set_filetype(e, static_cast<unsigned>(m.Type));
        archive_entry_set_perm(e, 0644);
        if (!m.Link.isEmpty())
            archive_entry_set_symlink(e, m.Link.constData());
        archive_entry_set_size(e, m.Type == AE_IFREG ? m.Bytes.size() : 0);
        ASSERT_GE(archive_write_header(a, e), ARCHIVE_WARN) << archive_error_string(a);
        if (!m.Bytes.isEmpty())
            archive_write_data(a, m.Bytes.constData(), static_cast<size_t>(m.Bytes.size()));
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
}

const QByteArray OverlayBytes = "[Overlay]\r\nRows=1\r\nCols=1\r\n[Media]\r\n1=\r\n";

// A set as a carer builds it: Start.cdu in <root>/Set/Overlays links to Skog.cdu in another
// folder, which links back; both use a picture named sol.png (different files), Start a sound
// with an intro, a video, and a CD track.
class OverlaySetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Put("Set/Bilder/sol.png", "sol i start");
        Put("Set/Bilder/skog.jpg", "skogsbild");
        Put("Andra/Bilder/sol.png", "sol i skogen");
        QByteArray noise(300 * 1024, '\0'); // does not deflate
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()),
                                      noise.size() / 4);
        Put("Set/Ljud/sol.wav", noise);
        Put("Set/Ljud/intro.wav", "intro");
        Put("Set/Video/film.mp4", "film");
        ASSERT_TRUE(QDir().mkpath(Root() + "/Set/Overlays"));
        MediaOverlay start;
        start.LayoutCells(2, 2, true);
        *start.Cell(1) = {"../Ljud/sol.wav", "SoundFile", "../Bilder/sol.png", "Sol",
                          Root() + "/Set/Ljud/intro.wav", 100, 900, -1, -1, ""};
        *start.Cell(2) = {Root() + "/Set/Video/film.mp4", "VideoFile", "", "Film",
                          "Ur vald media", -1, -1, 0, 500, ""};
        *start.Cell(3) = {Root() + "/Andra/Skog.cdu", "OverlayFile", "../Bilder/skog.jpg",
                          "Skog", "", -1, -1, -1, -1, ""};
        *start.Cell(4) = {"4", "ArbitraryCD", R"(C:\Bilder\cd.png)", "CD", "", -1, -1, -1, -1,
                          ""};
        ASSERT_TRUE(start.Save(StartPath()).Ok());
        MediaOverlay skog;
        skog.LayoutCells(1, 2, true);
        *skog.Cell(1) = {Root() + "/Set/Overlays/Start.cdu", "OverlayFile", "Bilder/sol.png",
                         "Tillbaka", "", -1, -1, -1, -1, ""};
        *skog.Cell(2) = {"../Set/Ljud/sol.wav", "SoundFile", "", "", "", -1, -1, -1, -1, ""};
        ASSERT_TRUE(skog.Save(Root() + "/Andra/Skog.cdu").Ok());
    }

    QString Root() const { return Dir.Path(); }
    QString StartPath() const { return Root() + "/Set/Overlays/Start.cdu"; }
    QString Put(const QString& path, const QByteArray& bytes)
    {
        WriteAll(Root() + '/' + path, bytes);
        return Root() + '/' + path;
    }
    Tonlyra::SetExportResult Export(const QString& archive)
    {
        return Tonlyra::ExportOverlaySet(StartPath(), archive, false);
    }

    TempDir Dir;
};

} // namespace

TEST_F(OverlaySetTest, ASetExportedAndImportedElsewhereNamesOnlyItsOwnFiles)
{
    const QString archive = Root() + "/Start.tonlyran";
    const Tonlyra::SetExportResult exported = Export(archive);
    ASSERT_TRUE(exported.Ok) << exported.Error.toStdString();
    EXPECT_EQ(exported.Overlays, 2);
    EXPECT_EQ(exported.Files, 6);
    EXPECT_EQ(exported.Missing, QStringList{R"(Start.cdu: Ruta 4, bild: C:\Bilder\cd.png)"});

    // Another computer: the set's first home is gone.
    TempDir other;
    const QString moved = other.File("Start.tonlyran");
    ASSERT_TRUE(QFile::rename(archive, moved));
    ASSERT_TRUE(QDir(Root() + "/Set").removeRecursively());
    ASSERT_TRUE(QDir(Root() + "/Andra").removeRecursively());
    const QString target = other.File("Overlays/Start");
    const Tonlyra::SetImportResult imported = Tonlyra::ImportOverlaySet(moved, {target});
    ASSERT_TRUE(imported.Ok) << imported.Error.toStdString();
    EXPECT_EQ(imported.FirstOverlay, target + "/Start.cdu");
    EXPECT_EQ(imported.Overlays.size(), 2);
    EXPECT_EQ(imported.Missing.size(), 1);
    EXPECT_EQ(Listing(other.Path() + "/Overlays"), QStringList{"Start"}); // nothing left beside

    MediaOverlay start, skog;
    start.Load(imported.FirstOverlay);
    skog.Load(target + "/Skog.cdu");
    EXPECT_EQ(PictureBytes(start, 1), "sol i start");
    EXPECT_EQ(PictureBytes(skog, 1), "sol i skogen");
    EXPECT_EQ(PictureBytes(start, 3), "skogsbild");
    EXPECT_EQ(ReadAll(start.GetCellMedia(1)).size(), 300 * 1024);
    EXPECT_EQ(ReadAll(start.GetCellIntroSound(1)), "intro");
    EXPECT_EQ(ReadAll(start.GetCellMedia(2)), "film");
    EXPECT_EQ(start.GetCellMedia(3), target + "/Skog.cdu");
    EXPECT_EQ(skog.GetCellMedia(1), target + "/Start.cdu"); // the cycle, closed again
    EXPECT_EQ(skog.GetCellMedia(2), start.GetCellMedia(1)); // one sound, held once
    EXPECT_EQ(start.GetCellMedia(4), "4");                  // a CD track stays a track
    EXPECT_TRUE(start.IsIntroFromMedia(2));
    EXPECT_EQ(start.GetCellStart(1), 100);
    // Every path is relative, so the folder may be moved on.
    EXPECT_EQ(start.Cell(1)->Picture, "Bilder/sol.png");
    EXPECT_EQ(skog.Cell(1)->Picture, "Bilder/sol (2).png");

    EXPECT_EQ(Tonlyra::DefaultImportFolder("/media/usb/Djur och natur.tonlyran"),
              Tonlyra::OverlaysFolder() + "Djur och natur");
    EXPECT_EQ(Tonlyra::UnusedFolder(target), target + " 2");
}

TEST_F(OverlaySetTest, NothingIsOverwrittenWithoutLeaveAndACancelLeavesNothing)
{
    const QString archive = Put("Start.tonlyran", "en gammal export");
    Tonlyra::SetExportResult exported = Export(archive);
    EXPECT_FALSE(exported.Ok);
    EXPECT_EQ(exported.Error, "Filen " + archive + " finns redan.");
    exported = Tonlyra::ExportOverlaySet(StartPath(), archive, true,
                                         [](qint64 done, qint64) { return done < 1000; });
    EXPECT_TRUE(exported.Cancelled);
    EXPECT_EQ(ReadAll(archive), "en gammal export");
    exported = Tonlyra::ExportOverlaySet(StartPath(), archive, true);
    ASSERT_TRUE(exported.Ok);

    TempDir other;
    const QString target = other.File("Start");
    const QStringList before = Listing(other.Path());
    SetImportOptions cancelling{target};
    qint64 calls = 0;
    cancelling.Progress = [&](qint64 done, qint64 total) {
        EXPECT_LE(done, total);
        return ++calls < 3;
    };
    Tonlyra::SetImportResult imported = Tonlyra::ImportOverlaySet(archive, cancelling);
    EXPECT_TRUE(imported.Cancelled);
    EXPECT_EQ(Listing(other.Path()), before);

    WriteAll(target + "/Start.cdu", "mitt eget");
    imported = Tonlyra::ImportOverlaySet(archive, {target});
    EXPECT_FALSE(imported.Ok);
    EXPECT_EQ(imported.Existing, QStringList{target + "/Start.cdu"});
    EXPECT_EQ(ReadAll(target + "/Start.cdu"), "mitt eget");
    EXPECT_EQ(Listing(target), QStringList{"Start.cdu"});

    imported = Tonlyra::ImportOverlaySet(archive, {target, true});
    ASSERT_TRUE(imported.Ok) << imported.Error.toStdString();
    EXPECT_NE(ReadAll(target + "/Start.cdu"), "mitt eget");
    EXPECT_EQ(Listing(other.Path()), QStringList{"Start"});
}

TEST_F(OverlaySetTest, AFullDiskLeavesNoHalfSetAndNoHalfExport)
{
    const QString archive = Root() + "/Start.tonlyran";
    ASSERT_TRUE(Export(archive).Ok);
    TempDir other;
    const QString target = other.File("Start");
    // The sound is 300 kB: the disk fills while it is written.
    EXPECT_EQ(Tonlyra::Test::SaveUnderFileSizeLimit(
                  100 * 1024,
                  [&] {
                      const auto imported = Tonlyra::ImportOverlaySet(archive, {target});
                      return imported.Ok || !imported.Error.contains("Filen är för stor");
                  }),
              0);
    EXPECT_TRUE(Listing(other.Path()).isEmpty());

    const QString second = other.File("Andra.tonlyran");
    EXPECT_EQ(Tonlyra::Test::SaveUnderFileSizeLimit(
                  100 * 1024,
                  [&] { return Tonlyra::ExportOverlaySet(StartPath(), second, false).Ok; }),
              0);
    EXPECT_TRUE(Listing(other.Path()).isEmpty());
}

TEST_F(OverlaySetTest, HostileOrDamagedFilesAreRefusedAndWriteNothing)
{
    struct Case
    {
        const char* What;
        std::vector<ArchiveMember> Members;
        const char* Reason;
    };
    const QByteArray absolute = QFile::encodeName(Root() + "/absolut.txt");
    const Case cases[] = {
        {"dot-dot", {{"Start.cdu", OverlayBytes}, {"Bilder/../../utanfor.txt", "x"}},
         "utanför mappen"},
        {"backslash dot-dot", {{"Start.cdu", OverlayBytes}, {"Bilder\\..\\..\\utanfor.txt", "x"}},
         "utanför mappen"},
        {"absolute", {{"Start.cdu", OverlayBytes}, {absolute, "x"}}, "utanför mappen"},
        {"drive", {{"Start.cdu", OverlayBytes}, {"C:/utanfor.txt", "x"}}, "utanför mappen"},
        {"symbolic link",
         {{"Start.cdu", OverlayBytes}, {"Bilder/lank.png", "", AE_IFLNK, "/etc/passwd"}},
         "länk"},
        {"bomb", {{"Start.cdu", OverlayBytes}, {"Ljud/noll.wav", QByteArray(40 << 20, '\0')}},
         "mycket mer än sin storlek"},
        {"twice", {{"Start.cdu", OverlayBytes}, {"Start.cdu", OverlayBytes}}, "två gånger"},
        {"no overlay", {{"Bilder/sol.png", "x"}}, "inga överlägg"},
    };
    TempDir other;
    const QString target = other.File("Overlays/Import");
    ASSERT_TRUE(QDir().mkpath(other.File("Overlays")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const QString archive = other.File("fientlig.tonlyran");
        QFile::remove(archive);
        WriteZip(archive, c.Members);
        const Tonlyra::SetImportResult imported = Tonlyra::ImportOverlaySet(archive, {target});
        EXPECT_FALSE(imported.Ok);
        EXPECT_TRUE(imported.Error.startsWith("Filen kan inte importeras: ")) << imported.Error.toStdString();
        EXPECT_TRUE(imported.Error.contains(QString::fromUtf8(c.Reason)))
            << imported.Error.toStdString();
        EXPECT_TRUE(Listing(other.File("Overlays")).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(other.File("utanfor.txt")));
        EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(absolute)));
    }

    for (const QByteArray& bytes : {QByteArray("inte alls en zip-fil"), QByteArray()}) {
        WriteAll(other.File("trasig.tonlyran"), bytes);
        const auto imported = Tonlyra::ImportOverlaySet(other.File("trasig.tonlyran"), {target});
        EXPECT_TRUE(imported.Error.contains("skadad")) << imported.Error.toStdString();
    }
    // A true export cut short.
    const QString archive = Root() + "/Start.tonlyran";
    ASSERT_TRUE(Export(archive).Ok);
    WriteAll(other.File("kort.tonlyran"), ReadAll(archive).chopped(200));
    EXPECT_FALSE(Tonlyra::ImportOverlaySet(other.File("kort.tonlyran"), {target}).Ok);
    EXPECT_TRUE(Listing(other.File("Overlays")).isEmpty());
}

TEST_F(OverlaySetTest, PathsOfASetMadeElsewhereAreMadeToNameItsOwnFiles)
{
    // An archive made by hand from a copy of old files: the overlay still names "C:\" paths,
    // and one names a file of this computer that is not in the set.
    MediaOverlay overlay;
    overlay.LayoutCells(1, 3, true);
    overlay.Cell(1)->Picture = R"(C:\Tonlyran\Bilder\ÄLG.png)";
    overlay.Cell(2)->Picture = QFile::decodeName(QFile::encodeName(StartPath()));
    overlay.Cell(3)->Picture = "Bilder/finns.png";
    Tonlyra::ProfileFile file;
    overlay.WriteTo(file);
    const QString archive = Root() + "/Hand.tonlyran";
    WriteZip(archive, {{"Overlays/Hand.cdu", file.ToBytes()},
                       {"Bilder/älg.png", "älg"},
                       {"Overlays/Bilder/finns.png", "finns"}});
    TempDir other;
    const auto imported = Tonlyra::ImportOverlaySet(archive, {other.File("Hand")});
    ASSERT_TRUE(imported.Ok) << imported.Error.toStdString();
    EXPECT_EQ(imported.FirstOverlay, other.File("Hand/Overlays/Hand.cdu"));
    MediaOverlay landed;
    landed.Load(imported.FirstOverlay);
    EXPECT_EQ(landed.Cell(1)->Picture, "../Bilder/älg.png");
    EXPECT_EQ(PictureBytes(landed, 1), "älg");
    EXPECT_EQ(landed.Cell(2)->Picture, "Start.cdu"); // never a file outside the set
    EXPECT_EQ(landed.Cell(3)->Picture, "Bilder/finns.png");
    EXPECT_EQ(imported.Missing.size(), 1);
}
