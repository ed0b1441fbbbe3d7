// The grid of cells in the real player window on the offscreen platform: layout, picture fit,
// visibility by control mode, the scanning frame, and enlarging and restoring a cell.

#include "media/MediaDialogUnit.h"
#include "overlay/SettingsFormUnit.h"
#include "picture/PictureLoader.h"
#include "picture/TMultiP.h"
#include "platform/ProfileFile.h"
#include "platform/ThumbnailCache.h"
#include "tests/support/ApplicationUnderTest.h"
#include "player/CellPanel.h"
#include "player/PlayerFormUnit.h"
#include "tests/support/TestSupport.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace Tonlyra;
using Tonlyra::Test::ChangeAppliedSettings;
using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;

namespace {

const QColor Grey(192, 192, 192); // BackColor 12632256
const QColor Red(255, 0, 0);      // ScanColor 255
const QColor Face(240, 240, 240); // ButtonColor 15790320

class PlayerGridTest : public ::testing::Test, protected Tonlyra::Test::ApplicationUnderTest
{
protected:
    void SetUp() override
    {
        OldCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir(Dir.Path()).mkpath(QStringLiteral("Users")));
        ASSERT_TRUE(QDir::setCurrent(Dir.Path()));
        OldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(Dir.File(QStringLiteral("cache"))));
        Create(QStringList());
        UserSettings s = UserSettingsForm->UserSettings();
        s.ControlMode = ControlMode::MouseControl;
        s.BackColor = 12632256;
        s.ScanColor = 255;
        s.ButtonColor = 15790320;
        s.Spacing = 0;
        s.ShowPictures = true;
        s.ShowTexts = true;
        s.ZoomPictures = true;
        ApplySettings(s);
    }
    void TearDown() override
    {
        Destroy();
        // Thumbnails still being saved into the test's folder.
        QThreadPool::globalInstance()->waitForDone();
        Tonlyra::Thumbnails::WaitForBackground(60000);
        QDir::setCurrent(OldCurrent);
        qputenv("XDG_CACHE_HOME", OldCache);
    }


    QString Picture(const QString& name, int width, int height, QColor colour = Qt::darkBlue)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = Dir.File(name);
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }

    // Writes a rows x cols overlay with the given pictures and texts by cell number, and cells
    // that open other overlays; returns its path.
    QString WriteOverlay(int rows, int cols, const std::map<int, QString>& pictures = {},
                         const std::map<int, QString>& texts = {},
                         const std::map<int, QString>& opens = {})
    {
        ProfileFile file;
        file.SetPath(Dir.File(QStringLiteral("grid%1.cdu").arg(++Overlays)));
        file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Rows"), rows);
        file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Cols"), cols);
        // Cells are listed by their media keys; an overlay without any media has no cells.
        for (int cell = 1; cell <= rows * cols; ++cell)
            file.WriteString(QStringLiteral("Media"), QString::number(cell),
                             QStringLiteral("ljud%1.wav").arg(cell));
        for (const auto& [cell, path] : pictures)
            file.WriteString(QStringLiteral("Pictures"), QString::number(cell), path);
        for (const auto& [cell, text] : texts)
            file.WriteString(QStringLiteral("Texts"), QString::number(cell), text);
        for (const auto& [cell, overlay] : opens) {
            file.WriteString(QStringLiteral("Media"), QString::number(cell), overlay);
            file.WriteString(QStringLiteral("MediaTypes"), QString::number(cell),
                             QStringLiteral("OverlayFile"));
        }
        EXPECT_TRUE(file.Save());
        return file.Path();
    }

    // Puts a rows x cols overlay in force with the given pictures and texts by cell number,
    // without announcing it: the test builds the grid itself.
    void UseOverlay(int rows, int cols, const std::map<int, QString>& pictures = {},
                    const std::map<int, QString>& texts = {},
                    const std::map<int, QString>& opens = {})
    {
        SettingsForm->LoadOverlay(WriteOverlay(rows, cols, pictures, texts, opens));
        const QSignalBlocker quiet(Session);
        SettingsForm->CommitOverlay();
    }

    // The thumbnails in the cache.
    QStringList Thumbnails() const
    {
        QStringList files;
        QDirIterator it(Dir.File(QStringLiteral("cache/thumbnails")), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(it.next());
        files.sort();
        return files;
    }

    // Builds the grid in the window on screen, sized so that the grid's area has this size (the
    // grid follows the size of its area), and waits for its pictures unless told not to.
    void Build(QSize area, bool waitForPictures = true)
    {
        PlayerForm->FirstActivation = false; // the test builds the grid itself
        PlayerForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(PlayerForm));
        PlayerForm->resize(PlayerForm->size() + area - PlayerForm->KnappYta->size());
        ASSERT_TRUE(QTest::qWaitFor([&] { return PlayerForm->KnappYta->size() == area; }));
        PlayerForm->BuildGrid();
        ASSERT_EQ(PlayerForm->KnappYta->size(), area);
        if (waitForPictures)
            WaitForPictures();
    }
    void WaitForPictures()
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !PlayerForm->CellPictures->IsLoading(); }, 30000));
    }

    CellPanel* Cell(int cell) { return PlayerForm->CellPanelOf(cell); }
    TPMultiImage* PictureOf(int cell) { return Cell(cell)->Face()->Picture; }
    CellLabel* LabelOf(int cell) { return Cell(cell)->Face()->Label; }

    TempDir Dir;
    QString OldCurrent;
    QByteArray OldCache;
    int Overlays = 0;
};

TEST_F(PlayerGridTest, CellsFillRowByRowByIntegerDivisionAndTheRemainderStaysEmpty)
{
    UseOverlay(2, 3);
    for (int spacing : {0, 6}) {
        SCOPED_TRACE(spacing);
        ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.Spacing = spacing; });
        Build(QSize(601, 400));
        const QList<QRect> expected = {{0, 0, 200, 200},     {200, 0, 200, 200},
                                       {400, 0, 200, 200},   {0, 200, 200, 200},
                                       {200, 200, 200, 200}, {400, 200, 200, 200}};
        ASSERT_EQ(SettingsForm->CellCount(), 6);
        for (int c = 1; c <= 6; ++c) {
            ASSERT_NE(Cell(c), nullptr);
            EXPECT_EQ(Cell(c)->geometry(), expected[c - 1]) << "cell " << c;
            EXPECT_FALSE(Cell(c)->isHidden());
            // The ring and the 3-pixel bevel surround the face.
            const int inset = spacing + CellPanel::BevelWidth;
            EXPECT_EQ(Cell(c)->Face()->geometry(),
                      QRect(inset, inset, 200 - 2 * inset, 200 - 2 * inset));
        }
        EXPECT_EQ(PlayerForm->CellPanelOf(7), nullptr);
    }

    // An empty overlay builds nothing (and divides by nothing).
    UseOverlay(0, 0);
    Build(QSize(601, 400));
    EXPECT_EQ(PlayerForm->CellPanelOf(1), nullptr);
    EXPECT_TRUE(PlayerForm->KnappYta->findChildren<CellPanel*>().isEmpty());
}

// The window is maximised, or its title bar hidden, after the grid was built.
TEST_F(PlayerGridTest, TheGridFollowsTheSizeOfItsAreaAndAnEnlargedCellGoesBackToItsNewSlot)
{
    UseOverlay(2, 2);
    Build(QSize(400, 300));
    PlayerForm->EnlargeCell(2);
    PlayerForm->resize(PlayerForm->size() + QSize(200, 100));
    ASSERT_TRUE(QTest::qWaitFor([this] { return PlayerForm->KnappYta->size() == QSize(600, 400); }));
    EXPECT_EQ(Cell(1)->geometry(), QRect(0, 0, 300, 200));
    EXPECT_EQ(Cell(4)->geometry(), QRect(300, 200, 300, 200));
    EXPECT_EQ(Cell(2)->geometry(), QRect(0, 0, 600, 400));
    PlayerForm->RestoreCell();
    EXPECT_EQ(Cell(2)->geometry(), QRect(300, 0, 300, 200));
}

// A 1 x 1 grid with Spacing 0 on 312 x 312: the face is 306 x 306, the room for the picture
// 300 x 300 inside the face's 3-pixel border.
TEST_F(PlayerGridTest, PictureIsFittedBelowItsTextByZoomAndSize)
{
    struct Case
    {
        bool Zoom;
        QSize Own;
        bool Stretch;
        QRect Geometry; // in the face
    };
    const Case cases[] = {
        {false, {100, 50}, false, {3, 3, 300, 300}},  // own size, drawn centred
        {true, {100, 50}, true, {3, 78, 300, 150}},   // width binds, centred vertically
        {false, {600, 300}, true, {3, 78, 300, 150}}, // too large even without zoom
        {true, {50, 100}, true, {78, 3, 150, 300}},   // height binds, centred horizontally
        {true, {7, 3}, true, {3, 89, 300, 129}},      // 128.57 -> 129; 85.5 -> 86
        {false, {300, 300}, false, {3, 3, 300, 300}}, // exactly fits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Zoom << " " << c.Own.width() << "x" << c.Own.height());
        ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.ZoomPictures = c.Zoom; });
        UseOverlay(1, 1, {{1, Picture(QStringLiteral("p.png"), c.Own.width(), c.Own.height())}});
        Build(QSize(312, 312));
        TPMultiImage* picture = PictureOf(1);
        ASSERT_EQ(picture->PictureWidth(), c.Own.width());
        EXPECT_EQ(picture->Stretch(), c.Stretch);
        EXPECT_EQ(picture->geometry(), c.Geometry);
        EXPECT_TRUE(picture->Center());
    }
    // Drawn at its own size, centred in the room.
    ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.ZoomPictures = false; });
    UseOverlay(1, 1, {{1, Picture(QStringLiteral("p.png"), 100, 50)}});
    Build(QSize(312, 312));
    EXPECT_EQ(PictureOf(1)->PictureRect(), QRect(100, 125, 100, 50));
}

TEST_F(PlayerGridTest, TextSitsOnTopOfAPictureAndFillsTheFaceWithout)
{
    const QString longText = QStringLiteral("En lång text som inte får plats på en rad i rutan");
    UseOverlay(1, 2, {{1, Picture(QStringLiteral("p.png"), 100, 50)}},
               {{1, longText}, {2, QStringLiteral("Bara text")}});
    ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.Font.Size = 14; });
    Build(QSize(624, 312));

    // Text and picture: the text at the top in its wrapped height, the picture fitted below.
    CellLabel* label = LabelOf(1);
    EXPECT_FALSE(label->isHidden());
    EXPECT_EQ(label->text(), longText);
    EXPECT_EQ(label->geometry().topLeft(), QPoint(3, 3));
    EXPECT_EQ(label->width(), 300);
    EXPECT_GT(label->height(), label->fontMetrics().height()); // wrapped onto several lines
    EXPECT_EQ(label->height(), label->heightForWidth(300));
    const int h = label->height();
    // Room 300 x (300 - h): the width binds.
    const int height = int(std::lround(300.0 / 100 * 50));
    EXPECT_EQ(PictureOf(1)->geometry(),
              QRect(3, 3 + h + int(std::lround((300 - h - height) * 0.5)), 300, height));

    // Text only: centred in the whole face.
    EXPECT_EQ(LabelOf(2)->geometry(), QRect(3, 3, 300, 300));
    EXPECT_EQ(LabelOf(2)->alignment(), Qt::AlignCenter);
    EXPECT_TRUE(LabelOf(2)->wordWrap());
    EXPECT_TRUE(PictureOf(2)->isHidden());
    EXPECT_TRUE(PictureOf(2)->ImageName().isEmpty());
}

TEST_F(PlayerGridTest, ShowPicturesAndShowTextsOffLeaveThemOut)
{
    const QString picture = Picture(QStringLiteral("p.png"), 100, 50);
    UseOverlay(1, 1, {{1, picture}}, {{1, QStringLiteral("Sol")}});

    ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.ShowPictures = false; });
    Build(QSize(312, 312));
    EXPECT_TRUE(PictureOf(1)->ImageName().isEmpty());
    EXPECT_FALSE(PictureOf(1)->HasPicture());
    EXPECT_TRUE(PictureOf(1)->isHidden());
    EXPECT_EQ(LabelOf(1)->geometry(), QRect(3, 3, 300, 300));

    ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.ShowPictures = true; });
    ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.ShowTexts = false; });
    Build(QSize(312, 312));
    EXPECT_TRUE(LabelOf(1)->isHidden());
    EXPECT_TRUE(LabelOf(1)->text().isEmpty());
    EXPECT_EQ(PictureOf(1)->ImageName(), picture);
    EXPECT_EQ(PictureOf(1)->geometry(), QRect(3, 78, 300, 150));
}

TEST_F(PlayerGridTest, PictureThatShowsNothingTakesTheRoomBelowTheText)
{
    // A moving text message has no size of its own; a missing file leaves the picture empty.
    const QString message = Dir.File(QStringLiteral("hej.scm"));
    QFile file(message);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("/bc|65280/sm|Hej hopp/eo|");
    file.close();
    UseOverlay(1, 2, {{1, message}, {2, Dir.File(QStringLiteral("saknas.png"))}},
               {{1, QStringLiteral("Meddelande")}, {2, QStringLiteral("Saknas")}});
    Build(QSize(624, 312));

    for (int c : {1, 2}) {
        SCOPED_TRACE(c);
        const int h = LabelOf(c)->height();
        EXPECT_GT(h, 0);
        EXPECT_FALSE(PictureOf(c)->isHidden());
        EXPECT_EQ(PictureOf(c)->geometry(), QRect(3, 3 + h, 300, 300 - h));
    }
    EXPECT_TRUE(PictureOf(1)->ShowsMessage());
    EXPECT_FALSE(PictureOf(2)->HasPicture());
}

TEST_F(PlayerGridTest, PictureThatCannotBeReadGivesTheCellASignAndAsksNothing)
{
    // A box in front of a switch user would stop the grid until someone closed it.
    const QString broken = Dir.File(QStringLiteral("trasig.png"));
    const QString tiny = Dir.File(QStringLiteral("liten.png"));
    for (const auto& [path, bytes] : {std::pair{broken, 400}, std::pair{tiny, 40}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(bytes, 'x'));
    }
    UseOverlay(1, 3, {{1, broken}, {2, tiny}, {3, Picture(QStringLiteral("hel.png"), 40, 30)}});
    ScriptedPrompts prompts;
    Build(QSize(600, 200));
    EXPECT_TRUE(prompts.Asked().empty());
    // The unreadable picture leaves a sign of a missing picture, with the reason as its hint;
    // a file too short to hold a picture is not read, and nothing is said of it.
    EXPECT_TRUE(Cell(1)->Face()->PictureFailed());
    EXPECT_TRUE(PictureOf(1)->isHidden());
    EXPECT_FALSE(Cell(1)->Face()->toolTip().isEmpty());
    const QImage face = Cell(1)->Face()->grab().toImage();
    int signPixels = 0;
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < face.width(); ++x)
            signPixels += face.pixelColor(x, y) == CellFace::MissingPictureColor;
    EXPECT_GT(signPixels, 300);
    EXPECT_FALSE(Cell(2)->Face()->PictureFailed());
    EXPECT_FALSE(Cell(3)->Face()->PictureFailed());
    EXPECT_FALSE(PictureOf(3)->isHidden());
}

TEST_F(PlayerGridTest, TheGridShowsAtOnceWithItsTextsAndThePicturesFillIn)
{
    // Pictures that take a while to decode.
    std::map<int, QString> pictures, texts;
    for (int c = 1; c <= 6; ++c) {
        pictures[c] = Picture(QStringLiteral("stor%1.png").arg(c), 2400, 1800, QColor(c, 0, 0));
        texts[c] = QStringLiteral("Ruta %1").arg(c);
    }
    UseOverlay(2, 3, pictures, texts);
    Build(QSize(600, 400), false);

    // Built: every cell with its text above the room its picture will take, keys working.
    EXPECT_TRUE(PlayerForm->CellPictures->IsLoading());
    EXPECT_TRUE(PlayerForm->KeyPreview);
    EXPECT_FALSE(PlayerForm->KnappYta->isHidden());
    for (int c = 1; c <= 6; ++c) {
        SCOPED_TRACE(c);
        EXPECT_FALSE(LabelOf(c)->isHidden());
        EXPECT_EQ(LabelOf(c)->geometry().top(), 3);
        EXPECT_EQ(PictureOf(c)->ImageName(), pictures[c]);
        EXPECT_FALSE(PictureOf(c)->HasPicture());
    }
    // A cell chosen before its picture came gets its picture fitted where it is then.
    PlayerForm->EnlargeCell(5);

    WaitForPictures();
    for (int c = 1; c <= 6; ++c) {
        SCOPED_TRACE(c);
        ASSERT_TRUE(PictureOf(c)->HasPicture());
        // Fitted: as large as 4:3 goes in the room below the text, centred in it.
        const QRect face = Cell(c)->Face()->rect();
        const QRect room = face.adjusted(3, 3 + LabelOf(c)->height(), -3, -3);
        const QRect picture = PictureOf(c)->geometry();
        EXPECT_TRUE(room.contains(picture)) << qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                              .arg(picture.x())
                                                              .arg(picture.y())
                                                              .arg(picture.width())
                                                              .arg(picture.height()));
        EXPECT_TRUE(picture.width() == room.width() || picture.height() == room.height());
        EXPECT_NEAR(picture.width() * 3, picture.height() * 4, 4);
        EXPECT_NEAR(picture.center().x(), room.center().x(), 1);
        EXPECT_NEAR(picture.center().y(), room.center().y(), 1);
    }
    EXPECT_EQ(Cell(5)->geometry(), QRect(0, 0, 600, 400));
    EXPECT_GT(PictureOf(5)->height(), 300);
}

TEST_F(PlayerGridTest, ARebuildGivesUpThePicturesOfThePreviousOne)
{
    std::map<int, QString> big;
    for (int c = 1; c <= 9; ++c)
        big[c] = Picture(QStringLiteral("stor%1.png").arg(c), 2400, 1800, Qt::darkGreen);
    UseOverlay(3, 3, big);
    Build(QSize(600, 400), false);
    ASSERT_TRUE(PlayerForm->CellPictures->IsLoading());
    const QPointer<TPMultiImage> old = PictureOf(1);

    const QString small = Picture(QStringLiteral("liten.png"), 40, 30, Qt::yellow);
    UseOverlay(1, 2, {{1, small}, {2, small}});
    Build(QSize(600, 400));
    QThreadPool::globalInstance()->waitForDone(); // what was decoding for the old grid
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    ASSERT_EQ(PlayerForm->KnappYta->findChildren<CellPanel*>().size(), 2);
    for (int c : {1, 2}) {
        EXPECT_EQ(PictureOf(c)->PictureWidth(), 40);
        EXPECT_EQ(QColor(PictureOf(c)->Bitmap().pixel(5, 5)), QColor(Qt::yellow));
    }
}

TEST_F(PlayerGridTest, TheOverlaysAGridOpensHaveTheirThumbnailsMadeAhead)
{
    std::map<int, QString> photos, texts;
    for (int c = 1; c <= 4; ++c) {
        photos[c] = Dir.File(QStringLiteral("foto%1.jpg").arg(c));
        QImage photo(1600, 1200, QImage::Format_RGB32);
        photo.fill(QColor(40 * c, 90, 200));
        ASSERT_TRUE(photo.save(photos[c], "JPG"));
        texts[c] = QStringLiteral("Foto %1 med en lång text som bryts").arg(c);
    }
    const QString next = WriteOverlay(2, 2, photos, texts);
    UseOverlay(1, 2, {}, {}, {{2, next}});
    Build(QSize(800, 600));
    ASSERT_TRUE(Tonlyra::Thumbnails::WaitForBackground(60000));
    const QStringList made = Thumbnails();
    ASSERT_EQ(made.size(), 4) << qPrintable(made.join(' '));

    // Opening it reads every picture from those thumbnails: none is made anew.
    SettingsForm->LoadOverlay(next);
    SettingsForm->CommitOverlay();
    Build(QSize(800, 600));
    ASSERT_TRUE(Tonlyra::Thumbnails::WaitForBackground(60000));
    EXPECT_EQ(Thumbnails(), made);
    for (int c = 1; c <= 4; ++c)
        EXPECT_TRUE(PictureOf(c)->HasPicture()) << c;
}

TEST_F(PlayerGridTest, SteppingModesShowOnlyTheEnlargedCell)
{
    UseOverlay(2, 2);
    for (ControlMode mode : {ControlMode::OneSwitchControl, ControlMode::TwoSwitchControl,
                             ControlMode::KeyboardControl, ControlMode::None}) {
        SCOPED_TRACE(int(mode));
        ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.ControlMode = mode; });
        Build(QSize(400, 300));
        EXPECT_FALSE(PlayerForm->IsGridMode());
        for (int c = 1; c <= 4; ++c)
            EXPECT_TRUE(Cell(c)->isHidden());

        PlayerForm->EnlargeCell(3);
        EXPECT_EQ(PlayerForm->CurrentCell, 3);
        for (int c = 1; c <= 4; ++c)
            EXPECT_EQ(Cell(c)->isHidden(), c != 3);
        EXPECT_EQ(Cell(3)->geometry(), QRect(0, 0, 400, 300));

        PlayerForm->RestoreCell();
        EXPECT_TRUE(Cell(3)->isHidden());
        EXPECT_EQ(Cell(3)->geometry(), QRect(0, 150, 200, 150));
    }
    for (ControlMode mode :
         {ControlMode::MouseControl, ControlMode::ArrowControl, ControlMode::TwoSwitchScanXYControl,
          ControlMode::OneSwitchScanControl}) {
        ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.ControlMode = mode; });
        Build(QSize(400, 300));
        EXPECT_TRUE(PlayerForm->IsGridMode());
        EXPECT_FALSE(Cell(4)->isHidden());
    }
}

TEST_F(PlayerGridTest, EnlargeAndRestoreRoundTripKeepsTheRealGeometryAndLookupFollowsTags)
{
    UseOverlay(3, 3, {{5, Picture(QStringLiteral("p.png"), 100, 50)}},
               {{5, QStringLiteral("Fem")}});
    ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.Spacing = 4; });
    Build(QSize(600, 450));
    CellPanel* five = Cell(5);
    PlayerForm->MarkCell(5);
    ASSERT_EQ(five->Color(), Red);
    const QRect smallPicture = PictureOf(5)->geometry();

    PlayerForm->EnlargeCell(5);
    EXPECT_EQ(PlayerForm->CurrentCell, 5);
    EXPECT_EQ(five->geometry(), QRect(0, 0, 600, 450));
    EXPECT_EQ(five->Color(), Grey);                           // no frame while enlarged
    EXPECT_EQ(PlayerForm->KnappYta->children().last(), five); // on top
    EXPECT_GT(PictureOf(5)->width(), smallPicture.width());   // fitted again
    // Enlarging it again keeps the geometry saved from the grid.
    PlayerForm->EnlargeCell(5);
    EXPECT_EQ(PlayerForm->SavedCellTop, 150);
    EXPECT_EQ(PlayerForm->SavedCellLeft, 200);
    EXPECT_EQ(PlayerForm->SavedCellWidth, 200);
    EXPECT_EQ(PlayerForm->SavedCellHeight, 150);

    PlayerForm->RestoreCell();
    EXPECT_EQ(five->geometry(), QRect(200, 150, 200, 150));
    EXPECT_FALSE(five->isHidden());
    EXPECT_EQ(PictureOf(5)->geometry(), smallPicture);

    // The stacking order changed; cells are still found by their number.
    ASSERT_NE(PlayerForm->KnappYta->children().at(4), five);
    PlayerForm->MarkCell(6);
    EXPECT_EQ(Cell(6)->Tag, 6);
    EXPECT_EQ(Cell(6)->Color(), Red);
    EXPECT_EQ(five->Color(), Grey);
    EXPECT_EQ(Cell(6)->geometry(), QRect(400, 150, 200, 150));

    // Every control of a cell tells its cell number; anything else tells 0.
    CellFace* face = five->Face();
    for (QObject* control :
         {static_cast<QObject*>(five), static_cast<QObject*>(face),
          static_cast<QObject*>(face->Label), static_cast<QObject*>(face->Picture)})
        EXPECT_EQ(TPlayerForm::CellNumberOf(control), 5);
    EXPECT_EQ(TPlayerForm::CellNumberOf(MediaDialog), 0);
    EXPECT_EQ(TPlayerForm::CellNumberOf(nullptr), 0);
    EXPECT_TRUE(face->OnMouseDown && face->OnMouseUp);
    EXPECT_TRUE(face->Label->OnMouseDown && face->Label->OnMouseUp);
    EXPECT_TRUE(face->Picture->OnMouseDown && face->Picture->OnMouseUp);

    // A cell beyond the overlay is not enlarged and leaves the current cell alone.
    PlayerForm->EnlargeCell(10);
    EXPECT_EQ(PlayerForm->CurrentCell, 5);
}

TEST_F(PlayerGridTest, OnlyTheEnlargedCellIsPutBack)
{
    // A cell that already fills the area: restoring it must not move it to a stale geometry.
    UseOverlay(1, 1);
    Build(QSize(300, 200));
    PlayerForm->EnlargeCell(1);
    PlayerForm->RestoreCell();
    EXPECT_EQ(Cell(1)->geometry(), QRect(0, 0, 300, 200));

    // A cell left enlarged (stepping modes keep a played cell up) goes back to its place when
    // the next one is enlarged, so restoring that one uncovers the grid, not the old cell.
    UseOverlay(2, 2);
    ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.ControlMode = ControlMode::TwoSwitchControl; });
    Build(QSize(400, 300));
    PlayerForm->EnlargeCell(2);
    PlayerForm->EnlargeCell(3);
    EXPECT_EQ(Cell(2)->geometry(), QRect(200, 0, 200, 150));
    EXPECT_TRUE(Cell(2)->isHidden());
    PlayerForm->RestoreCell();
    EXPECT_EQ(Cell(3)->geometry(), QRect(0, 150, 200, 150));
    // Restoring a cell that was never enlarged leaves it where it is.
    PlayerForm->CurrentCell = 4;
    PlayerForm->RestoreCell();
    EXPECT_EQ(Cell(4)->geometry(), QRect(200, 150, 200, 150));
}

TEST_F(PlayerGridTest, MarkingColoursTheFrameOfTheMarkedCellsOnly)
{
    UseOverlay(3, 3);
    ChangeAppliedSettings(*Session, [&](UserSettings& s) { s.Spacing = 6; });
    Build(QSize(300, 300));
    PlayerForm->MarkRow(4, 3);
    for (int c = 1; c <= 9; ++c)
        EXPECT_EQ(Cell(c)->Color(), c >= 4 && c <= 6 ? Red : Grey) << "cell " << c;
    PlayerForm->MarkCell(2);
    for (int c = 1; c <= 9; ++c)
        EXPECT_EQ(Cell(c)->Color(), c == 2 ? Red : Grey) << "cell " << c;

    // What shows: a ring of Spacing pixels in the mark colour, a raised bevel, the face.
    const QImage image = Cell(2)->grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), Red);
    EXPECT_EQ(image.pixelColor(5, 50), Red);
    EXPECT_EQ(image.pixelColor(6, 50), QColor(Qt::white));      // bevel, lit side
    EXPECT_EQ(image.pixelColor(93, 50), QColor(128, 128, 128)); // bevel, shaded side
    EXPECT_EQ(image.pixelColor(50, 50), Face);
    const QImage other = Cell(1)->grab().toImage();
    EXPECT_EQ(other.pixelColor(0, 0), Grey);
}

} // namespace
