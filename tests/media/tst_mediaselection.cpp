// The media selection dialog as the carer sees it: the scale and the selection drawn on the
// trackbars, the trackbars moved from the keyboard, the copy buttons through the real copy
// library from generated CD images, and a video playing inside the dialog.

#include "media/MediaDialogUnit.h"
#include "media/VideoWindow.h"
#include "tests/media/MediaDialogFixtures.h"
#include "tests/spardon/SpardonTestUtil.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Tonlyra;
using namespace Tonlyra::Test;

namespace {

// The x of a point of w in the coordinates of the dialog.
int XIn(const QWidget* w, int x, const QWidget* dialog)
{
    return w->mapTo(dialog, QPoint(x, 0)).x();
}

} // namespace

// A 3-minute file: the scale's numbers stand under the large ticks of the trackbars, 1 to 3
// minutes, and the media trackbar shows the start..stop range in its groove.
TEST(MediaSelection, ScaleAndSelectionAreDrawnWhereTheyBelong)
{
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    TempDir dir;
    WriteAll(dir.File("song.mp3"), "x");
    dialog.show();
    d.Open(dir.File("song.mp3"), 180.0);
    ASSERT_EQ(dialog.Scale, 100);
    ASSERT_EQ(dialog.ScaleLabels.size(), 3u);
    EXPECT_EQ(dialog.UnitsLabel->text(), "min:");
    const auto centre = [&](const QLabel* l) { return XIn(l, l->width() / 2, &dialog); };
    const auto at = [&](const TrackBar* bar, int value) {
        return XIn(bar, bar->HandleCentre(value), &dialog);
    };
    EXPECT_LE(std::abs(centre(dialog.ZeroLabel) - at(dialog.MediaTrackBar, 0)), 1);
    for (int j = 1; j <= 3; ++j) {
        SCOPED_TRACE(j);
        EXPECT_LE(std::abs(centre(dialog.ScaleLabels[j - 1]) - at(dialog.StartTrackBar, j * 600)),
                  1);
        EXPECT_EQ(at(dialog.MediaTrackBar, j * 600), at(dialog.StopTrackBar, j * 600));
    }
    EXPECT_EQ(at(dialog.MediaTrackBar, 1800) - at(dialog.MediaTrackBar, 0),
              TMediaDialog::ScaleLength);
    EXPECT_LT(dialog.UnitsLabel->geometry().right(), dialog.ZeroLabel->x());

    dialog.SetStartPosition(60000);
    dialog.SetStopPosition(120000);
    EXPECT_EQ(dialog.MediaTrackBar->SelStart(), 600);
    EXPECT_EQ(dialog.MediaTrackBar->SelEnd(), 1200);
    // On the screen: the selection's colour fills the groove between the two, not outside.
    const QImage bar = dialog.MediaTrackBar->grab().toImage();
    const QColor selection = dialog.MediaTrackBar->palette().color(QPalette::Highlight);
    const int y = bar.height() / 2;
    const auto isSelection = [&](int x) { return bar.pixelColor(x, y) == selection; };
    EXPECT_TRUE(isSelection(dialog.MediaTrackBar->HandleCentre(800)));
    EXPECT_TRUE(isSelection(dialog.MediaTrackBar->HandleCentre(1150)));
    EXPECT_FALSE(isSelection(dialog.MediaTrackBar->HandleCentre(400)));
    EXPECT_FALSE(isSelection(dialog.MediaTrackBar->HandleCentre(1500)));
}

// The carer moves the trackbars from the keyboard: the one moved pushes the other along.
TEST(MediaSelection, DraggedStopBelowStartTakesTheStartAlong)
{
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    TempDir dir;
    WriteAll(dir.File("song.wav"), "x");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    d.Open(dir.File("song.wav"), 180.0);
    dialog.SetStartPosition(90000);
    dialog.StopTrackBar->setFocus();
    QTest::keyClick(dialog.StopTrackBar, Qt::Key_Home);
    EXPECT_EQ(dialog.GetStopPosition(), 0);
    EXPECT_EQ(dialog.GetStartPosition(), 0);
    dialog.SetStopPosition(30000);
    dialog.StartTrackBar->setFocus();
    QTest::keyClick(dialog.StartTrackBar, Qt::Key_End);
    EXPECT_EQ(dialog.GetStartPosition(), 180000);
    EXPECT_EQ(dialog.GetStopPosition(), 180000);
    EXPECT_EQ(dialog.LengthLabel->text(), "00:00:00:000");
    EXPECT_EQ(dialog.GetPlayPosition(), 180000);
}

// The part-copy button is for a part: off while the whole track is selected.
TEST(MediaSelection, PartCopyButtonNeedsAPart)
{
    TempDir dir;
    CdDriveOverride drives({WriteCdImage(dir.Path(), "disc", {{75 * 20, 440}})});
    ScriptedDialog d;
    TMediaDialog& dialog = *d.Dialog;
    dialog.SelectKind(CDKind);
    ASSERT_EQ(dialog.TrackComboBox->count(), 1);
    d.Engine->Loaded(20.0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog.RippButton->isEnabled());
    EXPECT_FALSE(dialog.RippTimeButton->isEnabled());
    dialog.SetStartPosition(1000);
    EXPECT_TRUE(dialog.RippTimeButton->isEnabled());
    dialog.SetStartPosition(0);
    EXPECT_FALSE(dialog.RippTimeButton->isEnabled());
    dialog.SetStopPosition(19000);
    EXPECT_TRUE(dialog.RippTimeButton->isEnabled());
}

// The copy buttons through the real library, as the overlay editor uses the dialog: a copy from
// "here to the end" of the track shown (with two drives, of the later one) becomes the
// dialog's sound file, with OK enabled.
TEST(MediaSelection, CopiedStretchBecomesTheSoundFile)
{
    EngineOutputs outputs;
    TempDir dir;
    const QString first = WriteCdImage(dir.Path(), "one", {{75 * 4, 300}, {75 * 4, 350}});
    const QString second = WriteCdImage(dir.Path(), "two", {{75 * 3, 440}, {75 * 5 + 37, 880}});
    CdDriveOverride drives({first, second});
    TMediaDialog dialog;
    dialog.ShowCopyButtons = true;
    dialog.ShowSourceChooser = true;
    dialog.SetOfferedKinds((1 << CDKind) | (1 << SoundFileKind));
    dialog.SetAcceptedKinds(1 << SoundFileKind);
    const QString copy = dir.File("copy.wav");

    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog&) {
        dialog.DeviceComboBox->setCurrentIndex(0); // "Musik-CD", as the carer chooses it
        dialog.DeviceComboBox->activated(0);
        EXPECT_EQ(dialog.CurrentKind(), CDKind);
        EXPECT_EQ(dialog.TrackComboBox->count(), 2);
        EXPECT_FALSE(dialog.OKButton->isEnabled());
        dialog.TrackComboBox->setCurrentIndex(1);
        dialog.TrackComboBox->activated(1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.Service().Probing(); }, 5000));
        EXPECT_TRUE(dialog.RippButton->isVisible());
        dialog.SetStartPosition(1000);
        dialog.SetStopPosition(-1); // the end of the track
        EXPECT_TRUE(dialog.RippTimeButton->isEnabled());
        dialog.RippTimeButton->click();
        EXPECT_EQ(dialog.CurrentKind(), SoundFileKind);
        EXPECT_EQ(dialog.GetMediaFileName(), copy);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.Service().Probing(); }, 5000));
        EXPECT_TRUE(dialog.OKButton->isEnabled());
        dialog.OKButton->click();
        return false;
    });
    prompts.Dialog(CopyAsWave).File(copy);
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(prompts.Remaining(), 0);
    EXPECT_EQ(dialog.GetMediaFileName(), copy);
    // From 1 s (sector 75 of track 2) through the track's last sector, of the second disc.
    EXPECT_TRUE(ReadAll(copy).mid(44) == ImageSectors(dir.File("two.bin"), 225 + 75, 225 + 411));
    EXPECT_NEAR(dialog.GetStopPosition(), (411 - 75 + 1) * 40 / 3, 15);
}

// A disc image that ends before its table of contents says: the copy is an error the carer is
// told of, no file is made, and the dialog stays with the CD.
TEST(MediaSelection, CopyOfAnUnreadableTrackChangesNothing)
{
    EngineOutputs outputs;
    TempDir dir;
    WriteCdImage(dir.Path(), "short", {{150, 440.0}, {300, 550.0}});
    const QString bin = dir.File("short.bin");
    const QString toc = dir.File("short.toc");
    WriteAll(toc, QStringLiteral("CD_DA\nTRACK AUDIO\nFILE \"%1\" 0 00:02:00\n"
                                 "TRACK AUDIO\nFILE \"%1\" 00:02:00 00:04:00\n")
                      .arg(bin)
                      .toUtf8());
    ASSERT_TRUE(QFile::resize(bin, 2352LL * 300));
    CdDriveOverride drives({toc});
    TMediaDialog dialog;
    dialog.SelectKind(CDKind);
    dialog.SelectTrack(2);
    ScriptedPrompts prompts;
    prompts.Dialog([](QDialog& copyDialog) {
        ClickButton(copyDialog, "WaveRadioButton");
        ClickButton(copyDialog, "CopyButton");
        EXPECT_TRUE(copyDialog.isVisible()); // the error leaves the copy dialog open
        ClickButton(copyDialog, "CancelButton");
        return false;
    });
    prompts.File(dir.File("x.wav")).Button(QMessageBox::Ok);
    dialog.RippButton->click();
    ASSERT_EQ(prompts.Asked().size(), 3u);
    EXPECT_EQ(prompts.Asked()[2].Text,
              "CD-skivan kunde inte läsas till slut. Ingen fil har sparats.");
    EXPECT_FALSE(QFile::exists(dir.File("x.wav")));
    EXPECT_EQ(dialog.CurrentKind(), CDKind);
}

// A video plays inside the dialog's upper region when the carer presses Play there; the player's
// Play takes it full screen.
TEST(MediaSelection, VideoPlaysInsideTheDialog)
{
    EngineOutputs outputs("null", {}, true);
    TempDir dir;
    const QString avi = dir.File("clip.avi");
    ASSERT_TRUE(WriteRedClip(avi, 2));
    TMediaDialog dialog;
    dialog.SetOfferedKinds(1 << VideoFileKind);
    dialog.SelectKind(VideoFileKind);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(dialog.BorderPanel->isVisible());
    EXPECT_GT(dialog.InlineVideo->height(), 200);
    dialog.OpenMediaFile(avi);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.Service().Probing(); }, 5000));
    dialog.PlayButton->click();
    EXPECT_EQ(dialog.PlayState(), PlaybackEngine::Playing);
    const auto redInside = [&] { return ShowsRed(dialog.InlineVideo); };
    EXPECT_TRUE(QTest::qWaitFor(redInside, 3000));
    EXPECT_FALSE(dialog.VideoWindow->isVisible());
    EXPECT_FALSE(dialog.Engine()->FullScreen());
    dialog.StopButton->click();
    EXPECT_TRUE(redInside()); // the picture stays while stopped
}
