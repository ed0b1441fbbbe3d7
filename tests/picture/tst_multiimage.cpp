#include "picture/PictureLoader.h"
#include "picture/TMultiP.h"
#include "tests/picture/PictureFixtures.h"
#include "tests/support/TestSupport.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

using namespace PictureFixtures;
using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;

namespace {

QString WritePicture(const TempDir& dir, const QString& name, const QImage& image)
{
    const QString path = dir.File(name);
    image.save(path);
    return path;
}

struct ErrorLog
{
    QList<int> Codes;
    QStringList Texts;
    QList<TPMultiImage*> Senders;
    void Attach(TPMultiImage& image)
    {
        image.OnPictorumError = [this](TPMultiImage* sender, int code, const QString& text) {
            Senders.append(sender);
            Codes.append(code);
            Texts.append(text);
        };
    }
};

QImage Solid(int w, int h, QColor c)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    return image;
}

} // namespace

TEST(MultiImage, StretchAndStretchRatioExcludeEachOther)
{
    TPMultiImage image;
    EXPECT_EQ(image.size(), QSize(105, 105));
    EXPECT_FALSE(image.Stretch());
    EXPECT_FALSE(image.StretchRatio());
    image.SetStretchRatio(true);
    image.SetStretch(true);
    EXPECT_TRUE(image.Stretch());
    EXPECT_FALSE(image.StretchRatio());
    image.SetStretchRatio(true);
    EXPECT_TRUE(image.StretchRatio());
    EXPECT_FALSE(image.Stretch());
    image.SetStretch(false); // turning one off leaves the other
    EXPECT_TRUE(image.StretchRatio());
}

TEST(MultiImage, ZoomOffsetsAndWhatIsPainted)
{
    TempDir dir;
    const QString small = WritePicture(dir, "small.png", Solid(100, 50, Qt::blue));
    const QString wide = WritePicture(dir, "wide.png", Solid(400, 100, Qt::blue));

    struct Case
    {
        QString Path;
        QSize Control;
        bool Ratio, Center;
        double Zoom;
        QRect Rect;
    };
    const Case cases[] = {
        {small, QSize(300, 300), true, true, 3.0, QRect(0, 75, 300, 150)}, // small ones grow
        {wide, QSize(200, 200), true, true, 0.5, QRect(0, 75, 200, 50)},
        {wide, QSize(200, 200), true, false, 0.5, QRect(0, 0, 200, 50)},
        {small, QSize(301, 300), false, true, 1.0, QRect(100, 125, 100, 50)}, // halves truncated
        {wide, QSize(200, 200), false, true, 1.0, QRect(-100, 50, 400, 100)},
        {small, QSize(300, 300), false, false, 1.0, QRect(0, 0, 100, 50)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(
            QStringLiteral("%1 ratio %2 center %3").arg(c.Path).arg(c.Ratio).arg(c.Center)));
        TPMultiImage image;
        image.resize(c.Control);
        image.SetColor(Qt::yellow);
        image.SetCenter(c.Center);
        image.SetStretchRatio(c.Ratio);
        image.SetImageName(c.Path);
        EXPECT_DOUBLE_EQ(image.Zoom(), c.Zoom);
        EXPECT_EQ(image.PictureRect(), c.Rect);
        EXPECT_EQ(image.CenterOffset(), c.Center ? c.Rect.topLeft() : QPoint());
        const QImage shot = image.grab().toImage();
        const QRect visible = c.Rect.intersected(image.rect());
        EXPECT_EQ(QColor(shot.pixel(visible.center())), QColor(Qt::blue));
        if (!visible.contains(QPoint(image.width() - 1, image.height() - 1))) {
            EXPECT_EQ(QColor(shot.pixel(image.width() - 1, image.height() - 1)),
                      QColor(Qt::yellow));
        }
    }

    // The zoom is fixed at load time and when the mode is turned on, not on resizing.
    TPMultiImage image;
    image.resize(200, 200);
    image.SetStretchRatio(true);
    image.SetImageName(wide);
    image.resize(400, 400);
    EXPECT_DOUBLE_EQ(image.Zoom(), 0.5);
    image.SetStretchRatio(true);
    EXPECT_DOUBLE_EQ(image.Zoom(), 1.0);
    image.SetStretch(true);
    EXPECT_DOUBLE_EQ(image.Zoom(), 1.0);
    EXPECT_EQ(image.PictureRect(), image.rect());
}

TEST(MultiImage, MissingShortAndBrokenFiles)
{
    TempDir dir;
    ScriptedPrompts prompts; // no answers: any message box fails the test
    TPMultiImage image;
    ErrorLog log;
    log.Attach(image);
    const QString good = WritePicture(dir, "good.png", Pattern(40, 30));

    image.SetImageName(good);
    ASSERT_EQ(image.PictureWidth(), 40);
    image.SetImageName(dir.File("missing.jpg"));
    EXPECT_EQ(image.ImageName(), dir.File("missing.jpg"));
    EXPECT_EQ(image.PictureWidth(), 0);
    EXPECT_FALSE(image.HasPicture());
    EXPECT_TRUE(log.Codes.isEmpty()); // missing: silent

    // A 40-byte JPEG (a real JPEG header) is not read.
    const QString tiny = dir.File("tiny.jpg");
    ASSERT_TRUE(WriteBytes(tiny, Encode(Pattern(8, 8), "jpg").left(40)));
    image.SetImageName(good);
    image.SetImageName(tiny);
    EXPECT_FALSE(image.HasPicture());
    EXPECT_EQ(image.PictureHeight(), 0);
    ASSERT_EQ(log.Codes.size(), 1);
    EXPECT_EQ(log.Codes[0], Tonlyra::PictureTooShort);
    EXPECT_EQ(log.Senders[0], &image);

    // Cut and garbled files of every format: an empty picture and the error event.
    int n = 0;
    for (const Format& f : EveryFormat()) {
        for (const QByteArray& bytes :
             {f.Bytes.left(f.Bytes.size() / 2), QByteArray(32, '\x5A') + f.Bytes.mid(32)}) {
            const QString path = dir.File(QStringLiteral("bad%1.%2").arg(n++).arg(f.Suffix));
            ASSERT_TRUE(WriteBytes(path, bytes));
            log.Codes.clear();
            image.SetImageName(good);
            image.SetImageName(path);
            EXPECT_FALSE(image.HasPicture()) << qPrintable(path);
            ASSERT_EQ(log.Codes.size(), 1) << qPrintable(path);
            EXPECT_LT(log.Codes[0], 0);
            image.grab(); // paints without a picture
        }
    }
    // Still usable.
    image.SetImageName(good);
    EXPECT_EQ(image.PictureWidth(), 40);
}

TEST(MultiImage, ReaderFailureWithoutHandlerShowsMessageBox)
{
    TempDir dir;
    const QString junk = dir.File("junk.png");
    ASSERT_TRUE(WriteBytes(junk, QByteArray(200, 'x')));
    ScriptedPrompts prompts;
    prompts.Button(QMessageBox::Ok);
    TPMultiImage image;
    image.SetImageName(junk);
    ASSERT_EQ(prompts.Asked().size(), 1u);
    EXPECT_TRUE(prompts.Asked()[0].Text.startsWith(
        Tonlyra::PictureErrorText(Tonlyra::PictureUnknownFormat)));
    EXPECT_TRUE(prompts.Asked()[0].Buttons == QMessageBox::Ok);
    EXPECT_FALSE(image.HasPicture());
}

TEST(MultiImage, TiffPageAndColourDepth)
{
    TempDir dir;
    const QString tif = dir.File("pages.TIF");
    ASSERT_TRUE(WriteBytes(tif, Tiff({{8, 4, 40}, {6, 10, 200}, {7, 7, 90}})));
    TPMultiImage image;
    image.SetTiffPage(2);
    image.SetImageName(tif);
    EXPECT_EQ(QSize(image.PictureWidth(), image.PictureHeight()), QSize(7, 7));
    EXPECT_EQ(qGray(image.Bitmap().pixel(3, 3)), 90);

    // A page beyond the last is a reader failure; other formats ignore the page.
    ErrorLog log;
    log.Attach(image);
    image.SetTiffPage(3);
    image.SetImageName(tif);
    EXPECT_FALSE(image.HasPicture());
    EXPECT_EQ(log.Codes, QList<int>{Tonlyra::PictureNoSuchPage});
    image.SetImageName(WritePicture(dir, "one.png", Pattern(80, 60)));
    EXPECT_EQ(image.PictureWidth(), 80);

    struct Depth
    {
        TPMultiImage::TImageReadRes Res;
        int Screen, Bits;
    };
    const Depth depths[] = {{TPMultiImage::lDefault, 24, 0},    {TPMultiImage::lColor2, 24, 1},
                            {TPMultiImage::lColor16, 24, 4},    {TPMultiImage::lColor256, 24, 8},
                            {TPMultiImage::lTrueColor, 8, 24},  {TPMultiImage::lAutoMatic, 4, 4},
                            {TPMultiImage::lAutoMatic, 8, 8},   {TPMultiImage::lAutoMatic, 15, 8},
                            {TPMultiImage::lAutoMatic, 16, 24}, {TPMultiImage::lAutoMatic, 32, 24}};
    for (const Depth& d : depths)
        EXPECT_EQ(TPMultiImage::ColorDepthOf(d.Res, d.Screen), d.Bits) << d.Res << " " << d.Screen;
    image.SetImageReadRes(TPMultiImage::lColor2);
    image.SetImageName(WritePicture(dir, "two.png", Pattern(80, 60)));
    EXPECT_EQ(image.Bitmap().depth(), 1);
    image.SetImageReadRes(TPMultiImage::lColor16);
    image.SetImageName(WritePicture(dir, "three.png", Pattern(80, 60)));
    EXPECT_LE(image.Bitmap().colorCount(), 16);
    EXPECT_GT(image.Bitmap().colorCount(), 0);
}

TEST(MultiImage, DecodesAtTheDrawnSizeAndAgainWhenItGrows)
{
    TempDir dir;
    const QString big = WritePicture(dir, "big.jpg", Pattern(1600, 1200));
    TPMultiImage image;
    image.resize(160, 100);
    image.SetStretch(true);
    image.SetImageName(big);
    EXPECT_EQ(QSize(image.PictureWidth(), image.PictureHeight()), QSize(1600, 1200));
    EXPECT_EQ(image.Bitmap().size(), QSize(160, 120)); // covers the stretched area
    image.grab();
    EXPECT_EQ(image.Bitmap().size(), QSize(160, 120));

    // A cell enlarged to the whole grid: drawn enlarged at once, sharp once decoded again in
    // the background.
    image.resize(800, 600);
    image.grab();
    EXPECT_EQ(image.Bitmap().size(), QSize(160, 120));
    EXPECT_TRUE(image.IsSharpening());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !image.IsSharpening(); }, 20000));
    EXPECT_EQ(image.Bitmap().size(), QSize(800, 600));

    image.SetStretch(false); // drawn at its own size
    image.grab();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !image.IsSharpening(); }, 20000));
    EXPECT_EQ(image.Bitmap().size(), QSize(1600, 1200));

    // A component that goes, or takes another picture, before its sharper bitmap comes.
    auto gone = std::make_unique<TPMultiImage>();
    gone->resize(160, 100);
    gone->SetStretch(true);
    gone->SetImageName(big);
    gone->resize(800, 600);
    gone->grab();
    EXPECT_TRUE(gone->IsSharpening());
    gone.reset();
    image.SetStretch(true);
    image.resize(160, 100);
    image.SetImageName(big);
    image.resize(1000, 700);
    image.grab();
    image.SetImageName(WritePicture(dir, "other.png", Pattern(300, 200)));
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(image.PictureWidth(), 300);
    EXPECT_FALSE(image.IsSharpening());
}

TEST(MultiImage, LoaderGivesWhatOneByOneLoadingGives)
{
    TempDir dir;
    QStringList names;
    for (int i = 0; i < 6; ++i)
        names.append(
            WritePicture(dir, QStringLiteral("p%1.jpg").arg(i), Pattern(400 + 40 * i, 300)));
    const QString junk = dir.File("junk.jpg");
    ASSERT_TRUE(WriteBytes(junk, QByteArray(100, 'j')));
    names.insert(2, junk);
    names.insert(4, dir.File("missing.jpg"));
    names.insert(5, QString());
    names.append(names[0]); // the same file twice

    QList<int> order;
    auto makeCells = [&](std::vector<std::unique_ptr<TPMultiImage>>& cells) {
        for (int i = 0; i < names.size(); ++i) {
            cells.push_back(std::make_unique<TPMultiImage>());
            cells.back()->Tag = i;
            cells.back()->SetStretch(true);
            cells.back()->resize(100, 80);
            cells.back()->OnPictorumError = [&order](TPMultiImage* s, int, const QString&) {
                order.append(s->Tag);
            };
        }
    };
    std::vector<std::unique_ptr<TPMultiImage>> one, background;
    makeCells(one);
    for (int i = 0; i < names.size(); ++i)
        one[i]->SetImageName(names[i]);
    EXPECT_EQ(order, QList<int>{2});
    order.clear();

    makeCells(background);
    Tonlyra::PictureLoader loader;
    QList<int> loaded;
    loader.OnPictureLoaded = [&](TPMultiImage* image) { loaded.append(image->Tag); };
    QList<Tonlyra::PictureLoader::Load> loads;
    for (int i = 0; i < names.size(); ++i)
        loads.append({background[i].get(), names[i], QSize()});
    loader.Start(loads);
    // The names are taken at once; the pictures come later.
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(background[i]->ImageName(), names[i]);
    EXPECT_FALSE(background[0]->HasPicture());
    EXPECT_TRUE(loader.IsLoading());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !loader.IsLoading(); }, 20000));
    EXPECT_EQ(order, QList<int>{2});
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(loaded, (QList<int>{0, 1, 2, 3, 6, 7, 8, 9}));
    for (int i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(background[i]->Bitmap().size(), one[i]->Bitmap().size());
        EXPECT_EQ(background[i]->PictureWidth(), one[i]->PictureWidth());
    }

    // With a box, the picture is decoded to fit it, whatever the component's size.
    TPMultiImage cell;
    loader.Start({{&cell, names[0], QSize(80, 80)}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !loader.IsLoading(); }, 20000));
    EXPECT_EQ(cell.Bitmap().size(), QSize(80, 60));
    EXPECT_EQ(cell.PictureWidth(), 400);
}

TEST(MultiImage, LoaderStartedAgainGivesUpWhatWasToCome)
{
    TempDir dir;
    // Large enough to still be decoding when the loader is started again.
    QImage big(3000, 3000, QImage::Format_RGB32);
    big.fill(Qt::darkGreen);
    QList<QString> names;
    for (int i = 0; i < 4; ++i)
        names.append(WritePicture(dir, QStringLiteral("big%1.png").arg(i), big));
    const QString small = WritePicture(dir, "small.png", Pattern(40, 30));

    std::vector<std::unique_ptr<TPMultiImage>> first;
    QList<Tonlyra::PictureLoader::Load> loads;
    for (const QString& name : names) {
        first.push_back(std::make_unique<TPMultiImage>());
        loads.append({first.back().get(), name, QSize(50, 50)});
    }
    auto loader = std::make_unique<Tonlyra::PictureLoader>();
    int loaded = 0;
    loader->OnPictureLoaded = [&](TPMultiImage*) { ++loaded; };
    loader->Start(loads);
    first[3].reset(); // a component that goes while its picture is decoded

    TPMultiImage second;
    loader->Start({{&second, small, QSize()}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !loader->IsLoading(); }, 20000));
    EXPECT_EQ(second.PictureWidth(), 40);
    // Whatever was still decoding for the first start is thrown away when done.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(loaded, 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(first[i]->HasPicture()) << i;

    // Its end gives up all that is to come, too.
    loader->Start({{first[0].get(), names[0], QSize(50, 50)}});
    loader.reset();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(first[0]->HasPicture());
}

TEST(MultiImage, MessagesParseAndMove)
{
    using Tonlyra::ScrollingMessage;
    const ScrollingMessage defaults = ScrollingMessage::FromScm(QString());
    EXPECT_EQ(defaults.Text, QStringList{" Invallid message format ! "});
    EXPECT_EQ(defaults.FontColor, QColor(255, 0, 0));
    EXPECT_EQ(defaults.Background, QColor(128, 0, 0));
    EXPECT_EQ(defaults.FontHeight, -13);
    EXPECT_EQ(defaults.FontName, "SYSTEM");
    EXPECT_TRUE(defaults.Bold);
    EXPECT_EQ(defaults.Speed, 1);

    const ScrollingMessage scm =
        ScrollingMessage::FromScm("/fc|65280/fh|-20/fn|DejaVu Sans/ft|0110/bc|16711680/sp|3/sm|Hej "
                                  "på dig\r\n/eo|ignored /sp|9");
    EXPECT_EQ(scm.FontColor, QColor(0, 255, 0));
    EXPECT_EQ(scm.Background, QColor(0, 0, 255));
    EXPECT_EQ(scm.FontHeight, -20);
    EXPECT_EQ(scm.FontName, "DejaVu Sans");
    EXPECT_FALSE(scm.Bold);
    EXPECT_TRUE(scm.Italic);
    EXPECT_TRUE(scm.Underline);
    EXPECT_FALSE(scm.StrikeOut);
    EXPECT_EQ(scm.Speed, 3);
    EXPECT_EQ(scm.Text, QStringList{"Hej på dig "});

    const ScrollingMessage cms = ScrollingMessage::FromCms(
        "Meddelande\r\n255\r\nx\r\nArial\r\n14\r\n1001\r\n0\r\n-5\r\nRad ett\r\nRad två\r\n");
    EXPECT_EQ(cms.Motion, ScrollingMessage::Lines);
    EXPECT_EQ(cms.FontHeight, -13); // unreadable: the default
    EXPECT_EQ(cms.FontSize, 14);
    EXPECT_TRUE(cms.StrikeOut);
    EXPECT_EQ(cms.Background, QColor(0, 0, 0));
    EXPECT_EQ(cms.Speed, 0); // negative speeds are clamped
    EXPECT_EQ(cms.Text, QStringList({"Rad ett", "Rad två"}));

    // The motion: one pixel every (speed + 1)-th tick, back in at the far edge.
    Tonlyra::MessageMotion band;
    band.Start(ScrollingMessage::Band, 1, {10}, QSize(20, 5));
    int moves = 0;
    for (int i = 0; i < 20; ++i)
        moves += band.Tick(QSize(20, 5));
    EXPECT_EQ(moves, 10);
    EXPECT_EQ(band.Offset(), 10);
    for (int i = 0; i < 40; ++i)
        band.Tick(QSize(20, 5));
    EXPECT_EQ(band.Offset(), 20); // left the control at -10 and came back at the right
    Tonlyra::MessageMotion lines;
    lines.Start(ScrollingMessage::Lines, 0, {3, 3}, QSize(20, 5));
    for (int i = 0; i < 8; ++i)
        lines.Tick(QSize(20, 5));
    EXPECT_EQ(lines.CurrentLine(), 1);
    EXPECT_EQ(lines.Offset(), 5);
}

TEST(MultiImage, MessageAnimatesInPlaceOfAPicture)
{
    TempDir dir;
    const QString scm = dir.File("hello.SCM");
    ASSERT_TRUE(WriteBytes(scm, "/bc|65535/fc|0/sp|0/sm|Hej!/eo|"));
    TPMultiImage image;
    image.resize(120, 40);
    image.SetColor(Qt::blue);
    image.SetImageName(scm);
    EXPECT_TRUE(image.ShowsMessage());
    EXPECT_EQ(image.PictureWidth(), 0);
    EXPECT_EQ(image.MessageOffset(), 120);
    QTest::qWait(150);
    EXPECT_LT(image.MessageOffset(), 120);
    const QImage shot = image.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(255, 255, 0)); // the message's background
    EXPECT_EQ(image.Color(), QColor(Qt::blue));

    const QString cms = dir.File("lines.cms");
    ASSERT_TRUE(WriteBytes(cms, "t\n0\n-10\nSYSTEM\n0\n0000\n16777215\n0\nett\ntvå\n"));
    image.resize(60, 10);
    image.SetImageName(cms);
    EXPECT_EQ(image.MessageOffset(), 10);
    for (int i = 0; i < 100 && image.MessageLine() == 0; ++i)
        QTest::qWait(20);
    EXPECT_EQ(image.MessageLine(), 1);

    // A picture in its place brings the component's own colour back.
    image.resize(60, 60);
    image.SetImageName(WritePicture(dir, "p.png", Solid(10, 10, Qt::red)));
    EXPECT_FALSE(image.ShowsMessage());
    EXPECT_EQ(QColor(image.grab().toImage().pixel(59, 59)), QColor(Qt::blue));
}

namespace {

struct Recorder : Tonlyra::PictureAnnotationLayer
{
    QStringList* Calls;
    explicit Recorder(QStringList* calls) : Calls(calls) {}
    void Initialize(TPMultiImage* image) override { Calls->append(image ? "init" : "init null"); }
    void Paint(QPainter&, const Tonlyra::PictureView& v) override
    {
        Calls->append(QStringLiteral("paint %1 %2,%3")
                          .arg(v.Zoom)
                          .arg(v.CenterOffset.x())
                          .arg(v.CenterOffset.y()));
    }
    void MousePressed(QMouseEvent*) override { Calls->append("press"); }
    void MouseMoved(QMouseEvent*) override { Calls->append("move"); }
    void MouseReleased(QMouseEvent*) override { Calls->append("release"); }
    void PictureChanging(const QString& old) override
    {
        Calls->append("changing " + QFileInfo(old).fileName());
    }
    void PictureLoaded(const QString& name) override
    {
        Calls->append("loaded " + QFileInfo(name).fileName());
    }
    void Destroying() override { Calls->append("destroying"); }
};

} // namespace

TEST(MultiImage, AnnotationLayerIsCalledAtEachPointOfLife)
{
    TempDir dir;
    const QString a = WritePicture(dir, "a.png", Solid(50, 25, Qt::red));
    const QString b = WritePicture(dir, "b.png", Solid(50, 25, Qt::red));
    QStringList calls;
    TPMultiImage::SetAnnotationLayerFactory(
        [&calls](TPMultiImage*) { return std::make_unique<Recorder>(&calls); });
    auto image = std::make_unique<TPMultiImage>();
    TPMultiImage::SetAnnotationLayerFactory({});
    image->resize(100, 100);
    image->SetCenter(true);
    image->SetImageName(a);
    image->SetImageName(b);
    image->SetImageName(QString()); // clears the picture, leaves the layer alone
    image->SetImageName(dir.File("missing.png"));
    EXPECT_EQ(calls,
              QStringList({"init", "changing ", "loaded a.png", "changing a.png", "loaded b.png"}));

    calls.clear();
    image->SetImageName(a);
    image->SetStretchRatio(true);
    image->grab();
    image->SetStretch(true); // stretched out of proportion: no annotations
    image->grab();
    EXPECT_EQ(calls, QStringList({"changing missing.png", "loaded a.png", "paint 2 0,25"}));

    calls.clear();
    QStringList own;
    image->OnMouseDown = [&](TPMultiImage*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
        own.append(QStringLiteral("down %1,%2").arg(x).arg(y));
        calls.append("own down");
    };
    image->OnMouseUp = [&](TPMultiImage*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        calls.append("own up");
    };
    QTest::mousePress(image.get(), Qt::LeftButton, Qt::NoModifier, QPoint(7, 9));
    QTest::mouseMove(image.get(), QPoint(8, 9));
    QTest::mouseRelease(image.get(), Qt::LeftButton, Qt::NoModifier, QPoint(8, 9));
    EXPECT_EQ(own, QStringList{"down 7,9"});
    ASSERT_GE(calls.size(), 4);
    EXPECT_EQ(calls.mid(0, 2), QStringList({"own down", "press"}));
    EXPECT_EQ(calls.mid(calls.size() - 2), QStringList({"own up", "release"}));
    EXPECT_TRUE(calls.contains("move"));

    calls.clear();
    image.reset();
    EXPECT_EQ(calls, QStringList{"destroying"});
    TPMultiImage plain; // made with no factory installed
    EXPECT_EQ(plain.AnnotationLayer(), nullptr);
}
