// Annotation objects and instances: ids, the instance table, the creation functions, records,
// the view transform, drawing and hit tests.

#include "glosa32/Container.h"
#include "glosa32/Instance.h"
#include "glosa32/Stamps.h"
#include "glosa32/glosa32.h"
#include "tests/support/TestSupport.h"

#include <QPainter>
#include <QPainterPath>

#include <gtest/gtest.h>

using namespace Tonlyra::Glosa;

namespace {

constexpr intptr_t Key = 77;

class Objects : public ::testing::Test
{
protected:
    void SetUp() override { InitAnnotation(Key, nullptr, 0, nullptr, ""); }
    void TearDown() override { DestroyAnnotation(Key); }
    AnnotationInstance& Instance() { return *FindInstance(Key); }
    AObject& Last() { return *Instance().Entries.back().Object; }
    std::string Record(int index)
    {
        return Instance().Entries[std::size_t(index)].Object->Serialize();
    }
};

TEST_F(Objects, IdsStartAtZeroAndTheLargestIsReused)
{
    EXPECT_EQ(CreateLine(Key, 0, 0, 1, 1, 1, 0, 0), 0);
    EXPECT_EQ(CreateLine(Key, 0, 0, 1, 1, 1, 0, 0), 1);
    EXPECT_EQ(CreateLine(Key, 0, 0, 1, 1, 1, 0, 0), 2);
    DeleteByIndex(Key, 2);
    EXPECT_EQ(CreateHilite(Key, 0, 0, 1, 1, 0xFF), 2);
    DeleteByIndex(Key, 0);
    EXPECT_EQ(CreateHilite(Key, 0, 0, 1, 1, 0xFF), 3); // one more than the largest present
    EXPECT_EQ(IsAnnotation(Key), 3);
    DeleteByIndex(Key, 42); // no such id: nothing happens
    EXPECT_EQ(IsAnnotation(Key), 3);
}

TEST_F(Objects, BringToFrontKeepsTheId)
{
    CreateRectangle(Key, 0, 0, 10, 10, 1, 0, 2, 100, 0, 0);
    CreateRectangle(Key, 0, 0, 20, 20, 1, 0, 2, 100, 0, 0);
    CreateRectangle(Key, 0, 0, 30, 30, 1, 0, 2, 100, 0, 0);
    AnnotationInstance& i = Instance();
    i.Selected = i.Entries[0].Object.get();
    MenuMsg(Key, 514);
    EXPECT_EQ(i.Entries.back().Id, 0);
    EXPECT_EQ(i.Entries.back().Object.get(), i.Selected);
    MenuMsg(Key, 515);
    EXPECT_EQ(i.Entries.front().Id, 0);
    i.Selected = i.Entries[1].Object.get();
    MenuMsg(Key, 514);
    EXPECT_EQ(i.Entries.back().Id, 1);
    DeleteByIndex(Key, 1);
    EXPECT_EQ(IsAnnotation(Key), 2);
    EXPECT_EQ(i.Selected, nullptr);
    EXPECT_EQ(i.Entries[0].Id, 0);
    EXPECT_EQ(i.Entries[1].Id, 2);
}

TEST(Instances, TheEleventhKeyStaysUnknownAndAKeyMayBeReRegistered)
{
    for (intptr_t k = 1; k <= 10; ++k) {
        InitAnnotation(k, nullptr, 0, nullptr, "");
        CreateLine(k, 0, 0, 1, 1, 1, 0, 0);
    }
    InitAnnotation(11, nullptr, 0, nullptr, "");
    EXPECT_EQ(CreateLine(11, 0, 0, 1, 1, 1, 0, 0), 0);
    EXPECT_EQ(IsAnnotation(11), 0);
    EXPECT_EQ(FindInstance(11), nullptr);
    for (intptr_t k = 1; k <= 10; ++k)
        EXPECT_EQ(IsAnnotation(k), 1) << k;

    InitAnnotation(3, nullptr, 0, nullptr, ""); // again: starts afresh in its own slot
    EXPECT_EQ(IsAnnotation(3), 0);
    DestroyAnnotation(5);
    InitAnnotation(11, nullptr, 0, nullptr, "");
    EXPECT_NE(FindInstance(11), nullptr);
    for (intptr_t k = 1; k <= 11; ++k)
        DestroyAnnotation(k);
    EXPECT_EQ(IsAnnotation(1), 0);
}

TEST_F(Objects, TheListHoldsThreeHundredObjects)
{
    for (int n = 0; n < MaxObjects; ++n)
        ASSERT_EQ(CreateLine(Key, n, 0, n, 5, 1, 0, 0), n);
    EXPECT_EQ(CreateLine(Key, 0, 0, 1, 1, 1, 0, 0), -1);
    EXPECT_EQ(IsAnnotation(Key), MaxObjects);
    char buffer[32000] = "";
    ASSERT_GT(StreamSaveAnnotation(Key, 0, buffer, sizeof buffer), 0);
    EXPECT_EQ(StreamLoadAnnotation(Key, 0, buffer, sizeof buffer), MaxObjects);
}

TEST_F(Objects, CreationFunctionsShiftByOriginAndOffset)
{
    CreateRectangle(Key, 10, 20, 30, 40, 2, 1, 2, 3, 0xABCDEF, 0x123456);
    EXPECT_EQ(Record(0), "[RECTANGLE] 10 20 30 40 2 1 2 3 ABCDEF 123456");

    DrawAnnotation(Key, 2.0, 100, 50, 7, 3, 0, nullptr);
    CreateEllipse(Key, 10, 20, 30, 40, 1, 0, 1, 100, 0, 0xFFFFFF);
    CreateLine(Key, 0, 0, 10, 10, 3, 2, 0xFF);
    CreatePointer(Key, 1, 2, 3, 4, 1, 0, 0);
    const int32_t xs[] = {0, 10, 20};
    const int32_t ys[] = {5, 15, 5};
    CreatePolyline(Key, xs, ys, 3, 1, 0, 0xFF00);
    CreateStamp(Key, 1, 1, "NOWHERE");
    EXPECT_EQ(Record(1), "[ELLIPSE] 103 67 30 40 1 0 1 100 0 FFFFFF");
    EXPECT_EQ(Record(2), "[LINE] 93 47 103 57 3 2 FF");
    EXPECT_EQ(Record(3), "[POINTER] 94 49 96 51 1 0 0");
    EXPECT_EQ(Record(4), "[POLYLINE] 3 1 0 FF00\a 93 52 \a 103 62 \a 113 52 ");
    EXPECT_EQ(Record(5), "[STAMP] 94 48 \aNOWHERE\a");
    const auto& poly = static_cast<const APolyline&>(*Instance().Entries[4].Object);
    EXPECT_EQ(poly.X, 93);
    EXPECT_EQ(poly.Y, 52);
    EXPECT_EQ(poly.Width, 113); // the polyline's geometry is its bounding box
    EXPECT_EQ(poly.Height, 62);
}

TEST_F(Objects, ExtremeValuesAreHeldNotOverflowed)
{
    DrawAnnotation(Key, 1e-300, INT32_MAX, INT32_MIN, -1, -1, 0, nullptr); // zoom refused
    EXPECT_EQ(Instance().View.Zoom, 1.0);
    EXPECT_EQ(Instance().View.OffsetX, 0xFFFF); // low 16 bits
    CreateRectangle(Key, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, 0, 2, 100, 0, 0);
    const int32_t xs[] = {INT32_MIN, INT32_MAX};
    CreatePolygon(Key, xs, xs, 2, 1, 0, 2, 100, 0, 0);
    CreatePointer(Key, INT32_MIN, 0, INT32_MAX, 0, INT32_MAX, 0, 0);
    QImage image(50, 50, QImage::Format_RGB32);
    QPainter painter(&image);
    DrawAnnotation(Key, 1000.0, INT32_MIN, INT32_MAX, 0, 0, 0, &painter);
    for (const AnnotationEntry& e : Instance().Entries) {
        EXPECT_LE(std::abs(e.Object->X), 10'000'000);
        e.Object->HitTest(Instance().View, QPoint(1, 1));
        e.Object->AreaRect(Instance().View, 0);
    }
}

TEST_F(Objects, RecordsRoundTripForEveryKind)
{
    const std::vector<std::string> records = {
        "[RECTANGLE] 10 20 100 50 1 0 1 100 FF FFFFFF",
        "[ELLIPSE] -5 6 7 8 3 2 2 5 FF00 FF",
        "[HILITE] 1 2 3 4 FFFF",
        "[LINE] 1 2 3 4 5 1 AB",
        "[POINTER] 4 3 2 1 2 0 0",
        "[POLYLINE] 2 1 0 FF\a 1 2 \a 3 4 ",
        "[FREEHAND] 3 4 1 0\a 1 1 \a 2 2 \a 3 3 ",
        "[POLYGON] 3 1 0 2 4 FF FFFF\a 0 0 \a 10 0 \a 5 9 ",
        "[IMAGE] 1 2 30 40 FF /no/such picture.png",
        "[LABEL] 1 5 6 70 20 8000FF 8000FF 0 -16 0 0 0 700 1 0 0 0 0 0 0 0 \aArial\aHello there",
        "[NOTES] 0 5 6 70 20 FFFF FFFF FF 16 0 0 0 0 0 0 0 0 0 0 0 0 \aSans\aone\x01two",
    };
    Tonlyra::Test::ScriptedPrompts prompts;
    prompts.AllowUnanswered(); // the image cannot be loaded
    std::string block;
    for (const std::string& r : records)
        block += BlockLine(r);
    ASSERT_EQ(Instance().LoadBlock(block), int(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(Record(int(i)), records[i]);
    ASSERT_EQ(prompts.Asked().size(), 1u);
    EXPECT_EQ(prompts.Asked()[0].Text, "Can not load Image");
    EXPECT_EQ(prompts.Asked()[0].Caption, "Error");
    EXPECT_EQ(static_cast<const ANotes&>(*Instance().Entries.back().Object).Text, "one\ntwo");
}

TEST_F(Objects, NotesKeepTheirLines)
{
    CreateNotes(Key, "line one\nline two\nthree", 0, 0, 100, 60, 0xFFFF, 0xFFFF, 0, "Arial", 14);
    EXPECT_EQ(static_cast<const ANotes&>(Last()).Text, "line one\nline two\nthree");
}

TEST_F(Objects, LabelsShowTheirTextAsWritten)
{
    // Swedish letters and braces are kept; the tab, a control character, becomes a blank.
    const std::string written = "R\xC3\xA4ksm\xC3\xB6rg\xC3\xA5s\t{x}";
    const QString shown = QString::fromUtf8("R\xC3\xA4ksm\xC3\xB6rg\xC3\xA5s {x}");
    CreateLabel(Key, written.c_str(), 4, 3, 150, 24, 0xFFFFFF, 0xFFFFFF, 0x000000, "DejaVu Sans",
                18);
    const auto& label = static_cast<const ALabel&>(Last());
    for (const double zoom : {1.0, 2.0}) {
        SCOPED_TRACE(zoom);
        QImage drawn(340, 70, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        {
            QPainter painter(&drawn);
            DrawAnnotation(Key, zoom, 0, 0, 0, 0, 0, &painter);
        }
        // The same text drawn by Qt directly, in the label's font, colour and text box.
        const QRect box(int(4 * zoom), int(3 * zoom), int(150 * zoom + 1), int(24 * zoom + 1));
        const QRect textBox = box.adjusted(3, 3, -3, -3);
        QImage expected(drawn.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.setFont(MakeFont(label.Font, zoom));
            painter.setPen(Qt::black);
            painter.drawText(textBox, Qt::AlignCenter | Qt::TextSingleLine, shown);
        }
        int differing = 0;
        int ink = 0;
        for (int y = textBox.top(); y <= textBox.bottom(); ++y) {
            for (int x = textBox.left(); x <= textBox.right(); ++x) {
                differing += drawn.pixel(x, y) != expected.pixel(x, y);
                ink += drawn.pixel(x, y) != qRgb(255, 255, 255);
            }
        }
        EXPECT_EQ(differing, 0);
        EXPECT_GT(ink, 50 * zoom * zoom);
    }
    EXPECT_EQ(label.Text, shown.toStdString());
    EXPECT_NE(Record(0).find("\a" + shown.toStdString()), std::string::npos);
}

TEST_F(Objects, ZoomAndOriginMapARectangle)
{
    CreateRectangle(Key, 110, 60, 20, 10, 1, 0, 2, 100, 0x0000FF, 0xFFFFFF);
    ViewTransform view;
    view.Zoom = 2.0;
    view.OriginX = 100;
    view.OriginY = 50;
    const auto& rect = static_cast<const ARectangle&>(Last());
    EXPECT_EQ(rect.WindowRect(view), QRect(QPoint(20, 20), QPoint(60, 40)));

    QImage image(80, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawAnnotation(Key, 2.0, 100, 50, 0, 0, 0, &painter);
    }
    EXPECT_EQ(image.pixelColor(40, 30), QColor(Qt::red)); // solid opaque: foreground fill
    EXPECT_EQ(image.pixelColor(17, 30), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(63, 30), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(40, 17), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(40, 43), QColor(Qt::white));
}

TEST_F(Objects, OpaqueHatchShowsTheBackgroundBetweenLines)
{
    CreateRectangle(Key, 0, 0, 40, 40, 1, 0, 2, 0, 0x000000, 0x00FF00); // horizontal hatch
    QImage image(50, 50, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawAnnotation(Key, 1.0, 0, 0, 0, 0, 0, &painter);
    }
    int black = 0, green = 0, other = 0;
    for (int y = 5; y < 35; ++y) {
        const QColor c = image.pixelColor(20, y);
        (c == QColor(Qt::black) ? black : c == QColor(Qt::green) ? green : other)++;
    }
    EXPECT_GT(black, 0);
    EXPECT_GT(green, black);
    EXPECT_EQ(other, 0);
}

TEST_F(Objects, ImagesAreDecodedAndStretchedIntoTheirBox)
{
    Tonlyra::Test::TempDir dir;
    const QString path = dir.File("my picture.png"); // a blank in the name survives the record
    QImage source(4, 4, QImage::Format_RGB32);
    source.fill(Qt::blue);
    ASSERT_TRUE(source.save(path));
    CreateImage(Key, 10, 10, 20, 20, 0xFF, path.toLocal8Bit().constData());
    char buffer[400] = "";
    ASSERT_GT(StreamSaveAnnotation(Key, 0, buffer, sizeof buffer), 0);
    ClearAnnotation(Key);
    ASSERT_EQ(StreamLoadAnnotation(Key, 0, buffer, sizeof buffer), 1);
    EXPECT_EQ(static_cast<const AImage&>(Last()).FileName, path.toStdString());
    QImage image(50, 50, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawAnnotation(Key, 1.0, 0, 0, 0, 0, 0, &painter);
    }
    EXPECT_EQ(image.pixelColor(20, 20), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(35, 35), QColor(Qt::white));
}

TEST_F(Objects, PointerArrowCorners)
{
    CreatePointer(Key, 0, 0, 100, 0, 2, 0, 0);
    const auto corners = static_cast<const APointer&>(Last()).ArrowPoints(ViewTransform{});
    EXPECT_EQ(corners[0], QPoint(94, -2));
    EXPECT_EQ(corners[1], QPoint(94, 2));
    CreatePointer(Key, 5, 5, 5, 5, 1, 0, 0); // a zero-length pointer does not divide by zero
    const auto same = static_cast<const APointer&>(Last()).ArrowPoints(ViewTransform{});
    EXPECT_EQ(same[0], QPoint(5, 5));
}

TEST_F(Objects, NoteShadowLiesFiveRightAndDown)
{
    CreateNotes(Key, "", 10, 10, 60, 40, 0x00FFFF, 0x00FFFF, 0, "Arial", 12);
    QImage image(100, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawAnnotation(Key, 1.0, 0, 0, 0, 0, 0, &painter);
    }
    auto darkIn = [&](int x0, int y0, int x1, int y1) {
        int dark = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                dark += image.pixelColor(x, y).lightness() < 200;
        return dark;
    };
    EXPECT_EQ(darkIn(67, 20, 69, 45), 3 * 26); // the shadow's right strip beyond the body
    EXPECT_EQ(darkIn(20, 47, 60, 49), 41 * 3); // and its bottom strip
    EXPECT_EQ(darkIn(0, 0, 9, 79), 0);         // nothing left of the note
    EXPECT_EQ(darkIn(10, 0, 99, 9), 0);        // nor above it
    EXPECT_EQ(image.pixelColor(30, 25), QColor(Qt::yellow)); // body
}

// The notes' shadow and body are filled row by row for speed: every pixel must match the
// engine's own rounded-rectangle fill, for opaque and translucent colours, for boxes too small
// for separate corners, and through a translated painter.
TEST(RoundedFill, MatchesTheEnginesRoundedRectangle)
{
    const QRect boxes[] = {{3, 4, 50, 30}, {7, 2, 181, 106}, {0, 0, 12, 12},  {5, 5, 11, 40},
                           {9, 1, 6, 6},   {2, 3, 1, 1},     {4, 4, 300, 250}};
    const QColor colors[] = {QColor(0, 0, 0, 128), QColor(255, 255, 0), QColor(10, 200, 90, 40)};
    for (const QPoint shift : {QPoint(0, 0), QPoint(13, -7)}) {
        for (const QRect& box : boxes) {
            for (const QColor& color : colors) {
                QImage expected(330, 280, QImage::Format_RGB32);
                // A gradient, so that a wrong blend shows as a wrong value.
                for (int y = 0; y < expected.height(); ++y)
                    for (int x = 0; x < expected.width(); ++x)
                        expected.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
                QImage actual = expected;
                {
                    QPainter p(&expected);
                    p.translate(shift);
                    p.setPen(Qt::NoPen);
                    p.setBrush(color);
                    p.drawRoundedRect(box, 3, 3);
                }
                {
                    QPainter p(&actual);
                    p.translate(shift);
                    FillRoundedRect(p, box, color);
                }
                EXPECT_EQ(actual, expected)
                    << "box " << box.x() << "," << box.y() << " " << box.width() << "x"
                    << box.height() << " colour " << color.name(QColor::HexArgb).toStdString();
            }
        }
    }
}

// Rectangles are filled without building a path; the pixels must be those of the engine's
// path fill, for every fill (none, solid, each hatch transparent and opaque), zoomed and
// shifted so that the hatch phase and the box edges move.
TEST_F(Objects, RectangleFillsMatchThePathFill)
{
    struct Fill
    {
        int Mode, Pattern;
    };
    const Fill fills[] = {{1, 100}, {2, 100}, {200, 100}, {1, 0}, {2, 1},
                          {2, 2},   {1, 3},   {2, 4},     {2, 5}, {200, 5}};
    for (const Fill& f : fills) {
        ClearAnnotation(Key);
        CreateRectangle(Key, 13, 7, 41, 23, 2, 0, f.Mode, f.Pattern, 0xC02010, 0x30E0F0);
        QImage expected(140, 90, QImage::Format_RGB32);
        expected.fill(QColor(250, 240, 230));
        QImage actual = expected;
        {
            QPainter p(&actual);
            DrawAnnotation(Key, 1.5, 3, 1, 7, 5, 0, &p);
        }
        {
            const QRect r =
                static_cast<const ARectangle&>(Last()).WindowRect(FindInstance(Key)->View);
            const QRectF box(r.left(), r.top(), r.right() - r.left(), r.bottom() - r.top());
            QPainterPath path;
            path.addRect(box);
            const int mode = f.Mode == 200 ? 1 : f.Mode;
            QPainter p(&expected);
            if (f.Pattern != 100) {
                static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                         Qt::FDiagPattern, Qt::BDiagPattern,
                                                         Qt::CrossPattern, Qt::DiagCrossPattern};
                if (mode == 2)
                    p.fillPath(path, QColor(0xF0, 0xE0, 0x30));
                p.fillPath(path, QBrush(QColor(0x10, 0x20, 0xC0), hatches[f.Pattern]));
            } else if (mode == 2) {
                p.fillPath(path, QColor(0x10, 0x20, 0xC0));
            }
            p.setPen(QPen(QColor(0x10, 0x20, 0xC0), 3));
            p.drawRect(box);
        }
        EXPECT_EQ(actual, expected) << "fill mode " << f.Mode << " pattern " << f.Pattern;
    }
}

TEST_F(Objects, HitTestsOfFilledAndUnfilledShapes)
{
    CreateRectangle(Key, 10, 10, 100, 50, 2, 0, 1, 100, 0, 0);  // unfilled
    CreateRectangle(Key, 200, 10, 100, 50, 2, 0, 2, 100, 0, 0); // filled
    const int32_t xs[] = {0, 100, 50};
    const int32_t ys[] = {200, 200, 300};
    CreatePolygon(Key, xs, ys, 3, 1, 0, 2, 100, 0, 0); // filled polygon
    CreatePolygon(Key, xs, ys, 3, 1, 0, 1, 100, 0, 0); // unfilled polygon
    CreatePolyline(Key, xs, ys, 3, 1, 0, 0);
    const ViewTransform view;
    auto& e = Instance().Entries;
    struct Case
    {
        int Index;
        QPoint Point;
        bool Hit;
    };
    const Case cases[] = {
        {0, {60, 35}, false}, {0, {10, 35}, true},   {0, {6, 35}, true}, // t = 1 + 3
        {0, {5, 35}, false},  {0, {60, 64}, true},   {0, {60, 65}, false},
        {1, {250, 35}, true}, {1, {196, 35}, true},  {1, {195, 35}, false},
        {2, {50, 230}, true}, {2, {50, 199}, false}, {3, {50, 230}, false},
        {3, {50, 200}, true}, {3, {25, 250}, true},  {4, {25, 250}, false}, // no closing edge
        {4, {50, 206}, true}, {4, {50, 207}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(e[std::size_t(c.Index)].Object->HitTest(view, c.Point), c.Hit)
            << "object " << c.Index << " at " << c.Point.x() << "," << c.Point.y();
    EXPECT_TRUE(
        e[0].Object->HitTestSelected(view, {60, 35})); // a selected one is moved from inside
}

TEST_F(Objects, HardDrawBurnsIntoTheBitmapAtPictureScale)
{
    CreateRectangle(Key, 5, 5, 10, 10, 1, 0, 2, 100, 0x0000FF, 0);
    DrawAnnotation(Key, 3.0, 2, 2, 0, 0, 0, nullptr); // the view does not matter here
    QImage bitmap(20, 20, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    HardDrawAnnotation(Key, &bitmap);
    EXPECT_EQ(bitmap.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(bitmap.pixelColor(17, 17), QColor(Qt::white));
    HardDrawAnnotation(Key, nullptr);
}

TEST(StampCodes, DateAndTimeAreFilledIn)
{
    const QDateTime when(QDate(2001, 3, 5), QTime(14, 7));
    EXPECT_EQ(ExpandStampCodes("Paid %D", when), "Paid 03/05/2001");
    EXPECT_EQ(ExpandStampCodes("%T%%D%", when), "14:07%03/05/2001%");
}

TEST(StampLibrary, StampsComeFromTheLibrary)
{
    Tonlyra::Test::TempDir dir;
    const std::string path = dir.File("glosa_anno.ini").toStdString();
    StampDefinition paid;
    paid.Type = 1;
    paid.Name = "PAID";
    paid.Text = "Paid %D";
    paid.Font.FaceName = "Times New Roman";
    paid.Font.Height = -13;
    paid.Color = 0xFF;
    StampDefinition gone = paid;
    gone.Name = "GONE";
    gone.Type = 2;
    ASSERT_TRUE(WriteStampLibrary(path, {paid, gone}));
    const std::vector<StampDefinition> back = ReadStampLibrary(path);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].Name, "PAID");
    EXPECT_EQ(back[0].Font.Height, -13);
    EXPECT_EQ(back[0].Color, 0xFFu);

    SetStampClock(QDateTime(QDate(2001, 3, 5), QTime(9, 0)));
    InitAnnotation(Key, nullptr, 0, nullptr, path.c_str());
    CreateStamp(Key, 1, 2, "PAID");
    CreateStamp(Key, 1, 2, "UNKNOWN");
    AnnotationInstance& i = *FindInstance(Key);
    EXPECT_EQ(i.Entries[0].Object->Serialize(), "[STAMP] 1 2 \aPAID\aPaid 03/05/2001");
    EXPECT_GT(i.Entries[0].Object->Width, 0);
    EXPECT_EQ(i.Entries[1].Object->Serialize(), "[STAMP] 1 2 \aUNKNOWN\a");
    SetStampClock(QDateTime());
    DestroyAnnotation(Key);
}

} // namespace
