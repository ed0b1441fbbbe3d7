// The one routine every save goes through: a save either replaces the file whole or leaves it
// byte for byte as it was, and leaves no temporary file behind.

#include "platform/AtomicFile.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <functional>
#include <utility>

#include <gtest/gtest.h>

using Tonlyra::AtomicFile;
using Tonlyra::SaveFailureReason;
using Tonlyra::SaveFileAtomically;
using namespace Tonlyra::Test;

namespace {

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

TEST(AtomicFile, FailedSavesLeaveTheOldFileAsItWas)
{
    const QByteArray old = "the old content\r\n";
    const QByteArray big(5000, 'n');
    struct Case
    {
        const char* Name;
        std::function<bool(const QString& path)> Save;
    };
    const Case cases[] = {
        // Under Qt's 16 KB write buffer: a buffered save would only see the failure on commit.
        {"disk full part way",
         [&](const QString& path) {
             return SaveUnderFileSizeLimit(2048, [&] { return SaveFileAtomically(path, big); }) !=
                    0;
         }},
        {"disk full at a later write",
         [&](const QString& path) {
             return SaveUnderFileSizeLimit(2048, [&] {
                        AtomicFile file(path);
                        return file.Open() && file.Write(big.left(1000)) &&
                               file.Write(big.left(1000)) && file.Write(big) && file.Commit();
                    }) != 0;
         }},
        {"header past the limit",
         [&](const QString& path) {
             return SaveUnderFileSizeLimit(100, [&] {
                        AtomicFile file(path);
                        return file.Open() && file.Write(big.left(50)) && file.Seek(200) &&
                               file.Write("header") && file.Commit();
                    }) != 0;
         }},
        {"never committed",
         [&](const QString& path) {
             AtomicFile file(path);
             return !(file.Open() && file.Write(big));
         }},
        {"discarded",
         [&](const QString& path) {
             AtomicFile file(path);
             const bool written = file.Open() && file.Write(big);
             file.Discard();
             return !written || file.Commit();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const QString path = dir.File("keep.ant");
        WriteAll(path, old);
        EXPECT_FALSE(c.Save(path));
        EXPECT_EQ(ReadAll(path), old);
        EXPECT_EQ(FilesIn(dir.Path()), QStringList{"keep.ant"});
    }
}

TEST(AtomicFile, SavesThatCannotStartSayWhy)
{
    TempDir dir;
    WriteAll(dir.File("afile"), "x");
    QDir(dir.Path()).mkdir("folder");
    const std::pair<QString, int> cases[] = {{dir.File("missing/x.ini"), ENOENT},
                                             {dir.File("afile/x.ini"), ENOTDIR},
                                             {dir.File("folder"), EISDIR},
                                             {QString(), ENOENT}};
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(path.toStdString());
        int error = 0;
        EXPECT_FALSE(SaveFileAtomically(path, "new", &error));
        EXPECT_EQ(error, expected);
    }
    EXPECT_EQ(FilesIn(dir.Path()), QStringList({"afile", "folder"}));
    EXPECT_TRUE(FilesIn(dir.File("folder")).isEmpty());

    // A write that fails part way names its own errno (the child reports it as its result).
    EXPECT_EQ(SaveUnderFileSizeLimit(10,
                                     [&] {
                                         int error = 0;
                                         SaveFileAtomically(dir.File("f"), "0123456789a", &error);
                                         return error == EFBIG;
                                     }),
              1);
    AtomicFile file(dir.File("f"));
    ASSERT_TRUE(file.Open());
    EXPECT_TRUE(file.ErrorString().isEmpty());
    EXPECT_EQ(file.ErrorNumber(), 0);
}

// The reason the user reads under a failed save, for the failures a carer meets.
TEST(AtomicFile, FailureReasonsInSwedish)
{
    const std::pair<int, const char*> reasons[] = {
        {ENOENT, "Mappen finns inte."},
        {ENOTDIR, "Mappen finns inte."},
        {EACCES, "Du har inte behörighet att skriva i mappen eller filen."},
        {EPERM, "Du har inte behörighet att skriva i mappen eller filen."},
        {ENOSPC, "Disken är full."},
        {EDQUOT, "Ditt diskutrymme (kvot) är slut."},
        {EROFS, "Filsystemet är skrivskyddat."},
        {EISDIR, "Det finns redan en mapp med det namnet."},
        {EFBIG, "Filen är för stor."},
        {EIO, "Ett fel uppstod på disken eller enheten."},
    };
    for (const auto& [error, reason] : reasons)
        EXPECT_EQ(SaveFailureReason(error), QString::fromUtf8(reason)) << error;
    // Any other failure still says something, in the system's words.
    EXPECT_EQ(SaveFailureReason(EPROTO), "Systemet svarade: " + qt_error_string(EPROTO) + ".");
}

TEST(AtomicFile, ReplacesTheFileKeepingItsRightsAndLinks)
{
    TempDir dir;
    const QString path = dir.File("settings.usr");
    WriteAll(path, "old");
    const auto rights = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path, rights));
    ASSERT_TRUE(QFile::link(path, dir.File("link.usr")));

    ASSERT_TRUE(SaveFileAtomically(dir.File("link.usr"), "new"));
    EXPECT_EQ(ReadAll(path), "new");
    EXPECT_TRUE(QFileInfo(dir.File("link.usr")).isSymLink());
    EXPECT_EQ(QFile::permissions(path) & 0x7077, rights); // owner, group and others

    // A header filled in after the data, as a wave file's.
    AtomicFile file(path);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write("....data"));
    ASSERT_TRUE(file.Seek(0));
    ASSERT_TRUE(file.Write("HEAD"));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadAll(path), "HEADdata");

    // A name of the longest length a folder takes, 255 bytes.
    const QString longest = dir.File(QString(125, u'ö') + "x.wav");
    EXPECT_TRUE(SaveFileAtomically(longest, "x"));
    EXPECT_EQ(ReadAll(longest), "x");
    EXPECT_EQ(FilesIn(dir.Path()).size(), 3);
}
