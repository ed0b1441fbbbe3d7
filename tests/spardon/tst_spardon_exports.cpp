// The library as the program sees it: only the three exported functions, the dialog worked
// through its widgets while it is shown (answers given in advance).

#include "spardon/spardon.h"

#include "platform/CdDrives.h"

#include "tests/spardon/SpardonTestUtil.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <memory>

using namespace Tonlyra::Test;

namespace {

QByteArray FileNameResult()
{
    unsigned char buffer[256];
    std::memset(buffer, 0xEE, sizeof buffer);
    RippFileName(buffer);
    return QByteArray(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
}

class Exports : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Dir = new TempDir;
        Cue = WriteCdImage(Dir->Path(), QStringLiteral("disc"), {{450, 440.0}, {300, 550.0}});
    }
    static void TearDownTestSuite()
    {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override { Drives = std::make_unique<CdDriveOverride>(QStringList{Cue}); }

    static TempDir* Dir;
    static QString Cue;
    std::unique_ptr<CdDriveOverride> Drives;
    TempDir Out;
    ScriptedPrompts Prompts;
};
TempDir* Exports::Dir = nullptr;
QString Exports::Cue;

// First in the program: nothing has been copied yet.
TEST_F(Exports, FileNameIsEmptyBeforeAnyCopy)
{
    unsigned char buffer[256];
    buffer[0] = 0x55;
    RippFileName(buffer);
    EXPECT_EQ(buffer[0], 0);
    RippFileName(nullptr); // ignored
}

TEST_F(Exports, NoDialogForTracksOrRangesNotOnTheDisc)
{
    EXPECT_FALSE(RippTrackDialog(0));
    EXPECT_FALSE(RippTrackDialog(3));
    EXPECT_FALSE(RippTrackDialog(-1));
    EXPECT_FALSE(RippTrackTimeDialog(1, 5000, 5000));
    EXPECT_FALSE(RippTrackTimeDialog(1, -10, 5000));
    EXPECT_FALSE(RippTrackTimeDialog(1, 3000, 1000));
    {
        CdDriveOverride none(QStringList{});
        EXPECT_FALSE(RippTrackDialog(1));
    }
    QApplication::processEvents();
    EXPECT_TRUE(Prompts.Asked().empty());
}

TEST_F(Exports, CopyReturnsTrueAndNamesTheFileWritten)
{
    Prompts.Dialog([](QDialog& d) {
        ClickButton(d, "CopyButton");
        return false;
    });
    Prompts.File(Out.File(QStringLiteral("song.wav")));
    EXPECT_TRUE(RippTrackTimeDialog(1, 0, 5000));
    EXPECT_EQ(Prompts.Remaining(), 0);
    const QString mp3 = Out.File(QStringLiteral("song.mp3"));
    EXPECT_EQ(FileNameResult(), QFile::encodeName(mp3));
    const Decoded d = DecodeMp3(mp3);
    ASSERT_TRUE(d.Ok);
    EXPECT_NEAR(double(d.Frames), 376.0 * 588, 100.0);
}

TEST_F(Exports, LeavingWithAvbrytReturnsFalse)
{
    Prompts.Dialog([](QDialog& d) {
        ClickButton(d, "CancelButton");
        return true;
    });
    EXPECT_FALSE(RippTrackDialog(2));
    EXPECT_EQ(Prompts.Asked().size(), 1u);
    EXPECT_TRUE(QDir(Out.Path()).isEmpty());
}

// With two drives the copy comes from the drive whose disc the program shows, or else from the
// last drive holding an audio disc, as the program chooses; never from a drive without one.
TEST_F(Exports, CopiesFromTheDriveShown)
{
    const QString other = WriteCdImage(Out.Path(), QStringLiteral("other"), {{150, 880.0}});
    const QString otherBin = Out.File(QStringLiteral("other.bin"));
    const QString discBin = QFileInfo(Cue).absolutePath() + QStringLiteral("/disc.bin");
    struct Case
    {
        QStringList Drives;
        QString Current;
        QString Bin; // whose track 1 is copied
    } cases[] = {
        {{Cue, other}, other, otherBin},
        {{Cue, other}, Cue, discBin},
        {{Cue, other}, QString(), otherBin},
        {{other, Cue}, QString(), discBin},
        {{Cue, Out.File(QStringLiteral("none.cue"))}, QString(), discBin},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        CdDriveOverride drives(c.Drives);
        Tonlyra::Cd::SetCurrentDrive(c.Current);
        const QString file = Out.File(QStringLiteral("copy%1.wav").arg(n++));
        Prompts.Dialog(CopyAsWave).File(file);
        EXPECT_TRUE(RippTrackTimeDialog(1, 0, 1000));
        EXPECT_TRUE(ReadAll(file).mid(44) == ImageSectors(c.Bin, 0, 75));
    }
    Tonlyra::Cd::SetCurrentDrive(QString());
}

// A wave copy to a path of more than 255 characters: the name comes back cut to 255.
TEST_F(Exports, LongFileNameIsCutTo255Characters)
{
    const QString folder = Out.File(QString(100, u'a') + u'/' + QString(100, u'b'));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString name = folder + u'/' + QString(120, u'c') + QStringLiteral(".wav");
    ASSERT_GT(name.size(), 300);
    Prompts.Dialog(CopyAsWave).File(name);
    EXPECT_TRUE(RippTrackDialog(2));
    EXPECT_TRUE(QFile::exists(name));
    EXPECT_EQ(FileNameResult(), QFile::encodeName(name).left(255));
}

} // namespace
