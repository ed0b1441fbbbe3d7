// The picture component's annotation layer: the real annotation library driven through a real
// component on the offscreen platform, and a recording stand-in library for what must not (or
// must) reach the library and for a library that lacks an entry.

#include "picture/AnnotationBinding.h"
#include "picture/TMultiP.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <vector>

using Tonlyra::AnnotationFileFor;
using Tonlyra::GlosaAnnotationLayer;
using Tonlyra::GlosaLibrary;
using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;

namespace {

constexpr int KindRectangle = 1; // the "New" menu's command for a rectangle

QString WritePicture(const QString& path, int width, int height, QColor color = Qt::white)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    EXPECT_TRUE(image.save(path));
    return path;
}

GlosaAnnotationLayer& Layer(const TPMultiImage& image)
{
    auto* layer = dynamic_cast<GlosaAnnotationLayer*>(image.AnnotationLayer());
    EXPECT_NE(layer, nullptr);
    return *layer;
}

QString SavedSet(const TPMultiImage& image)
{
    const GlosaAnnotationLayer& layer = Layer(image);
    std::vector<char> buffer(4096, '\0');
    layer.Entries().StreamSaveAnnotation(layer.Key(), 0, buffer.data(), int(buffer.size()));
    return QString::fromLatin1(buffer.data());
}

int AddRectangle(const TPMultiImage& image, int x, int y)
{
    const GlosaAnnotationLayer& layer = Layer(image);
    return layer.Entries().CreateRectangle(layer.Key(), x, y, 10, 10, 1, 0, 1, 100, 0, 0xFFFFFF);
}

// Installs a layer factory for its lifetime.
struct FactoryScope
{
    explicit FactoryScope(Tonlyra::AnnotationLayerFactory f)
        : Old(TPMultiImage::SetAnnotationLayerFactory(std::move(f)))
    {}
    ~FactoryScope() { TPMultiImage::SetAnnotationLayerFactory(std::move(Old)); }
    Tonlyra::AnnotationLayerFactory Old;
};

Tonlyra::AnnotationLayerFactory FactoryFor(std::shared_ptr<const GlosaLibrary> library)
{
    return [library](TPMultiImage* image) {
        return std::make_unique<GlosaAnnotationLayer>(image, library);
    };
}

// The stand-in library, opened once for the whole test program; its one missing entry is
// reported when it is opened.
struct Fake
{
    std::shared_ptr<const GlosaLibrary> Library;
    std::vector<Tonlyra::PromptRequest> Asked;
    const char* (*Log)() = nullptr;
    void (*Reset)() = nullptr;
    void* Own = nullptr;

    static Fake& Get()
    {
        static Fake fake;
        return fake;
    }
    QStringList Calls() const
    {
        QStringList calls = QString::fromUtf8(Log()).split(u'\n', Qt::SkipEmptyParts);
        Reset();
        return calls;
    }

private:
    Fake()
    {
        ScriptedPrompts prompts;
        prompts.AllowUnanswered();
        Library =
            GlosaLibrary::Open(QStringLiteral(FAKE_GLOSA_NAME), {QStringLiteral(FAKE_GLOSA_DIR)});
        Asked = prompts.Asked();
        Own = dlopen(FAKE_GLOSA_DIR "/" FAKE_GLOSA_NAME, RTLD_NOW | RTLD_LOCAL);
        Log = reinterpret_cast<const char* (*)()>(dlsym(Own, "FakeGlosaLog"));
        Reset = reinterpret_cast<void (*)()>(dlsym(Own, "FakeGlosaReset"));
    }
};

} // namespace

TEST(AnnotationLayer, MouseMakesARectangleThroughTheLibrary)
{
    TempDir dir;
    // A 100 x 80 picture centred in 200 x 150: the picture starts at (50, 35).
    const QString picture = WritePicture(dir.File("p.png"), 100, 80);
    TPMultiImage image;
    image.resize(200, 150);
    image.SetCenter(true);
    image.SetImageName(picture);
    ASSERT_TRUE(Layer(image).Library().IsLoaded());
    int done = 0;
    image.OnAnnoDone = [&](TPMultiImage* sender) {
        EXPECT_EQ(sender, &image);
        ++done;
    };
    image.SetEditAnnotat(true);
    image.grab(); // the paint hands the view to the library

    image.AnnotationCommand(KindRectangle);
    QTest::mousePress(&image, Qt::LeftButton, Qt::NoModifier, QPoint(70, 65));
    QTest::mouseMove(&image, QPoint(100, 90));
    QTest::mouseMove(&image, QPoint(130, 115));
    QTest::mouseRelease(&image, Qt::LeftButton, Qt::NoModifier, QPoint(130, 115));

    EXPECT_EQ(Layer(image).Count(), 1);
    EXPECT_EQ(done, 1);
    // Stored in picture coordinates.
    EXPECT_TRUE(SavedSet(image).contains("[RECTANGLE] 20 30 60 50"))
        << SavedSet(image).toStdString();

    image.SetEditAnnotat(false); // ends the selection: no handles drawn
    const QImage shot = image.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(70, 90)), QColor(Qt::black));  // left edge of the rectangle
    EXPECT_EQ(QColor(shot.pixel(100, 90)), QColor(Qt::white)); // inside: transparent fill
}

TEST(AnnotationLayer, AnnotationFileNames)
{
    const struct
    {
        const char* AnnoFileName;
        const char* ImageName;
        const char* Expected;
    } cases[] = {
        {"", "/pics/cat.png", "/pics/cat.ant"},
        {"", "/pics/cat.v2.png", "/pics/cat.ant"}, // base name alone
        {"", "/pics/album.2024/cat.v2.png", "/pics/album.2024/cat.ant"},
        {"", "/pics/cat", "/pics/cat.ant"},
        {"", "", "default.ant"},
        {"/notes/set.ant", "/pics/cat.png", "/notes/set.ant"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnnotationFileFor(c.AnnoFileName, c.ImageName), QString(c.Expected))
            << c.ImageName;
}

TEST(AnnotationLayer, AutoSaveAndAutoLoadRoundTrip)
{
    TempDir dir;
    ASSERT_TRUE(QDir(dir.Path()).mkdir("album.2024"));
    const QString folder = dir.File("album.2024");
    const QString versioned = WritePicture(folder + "/pic.v2.png", 60, 40);
    const QString other = WritePicture(folder + "/other.png", 60, 40);
    const QString annotations = folder + "/pic.ant";

    {
        TPMultiImage saver;
        saver.SetAutoSaveAnno(true);
        saver.SetImageName(versioned);
        ASSERT_GT(AddRectangle(saver, 5, 6), -1);
        saver.SetImageName(other); // saves pic.v2.png's set, then starts empty
        EXPECT_TRUE(QFileInfo::exists(annotations));
        EXPECT_EQ(Layer(saver).Count(), 0);
        EXPECT_FALSE(QFileInfo::exists(folder + "/other.ant"));
    }
    EXPECT_FALSE(QFileInfo::exists(folder + "/other.ant")); // nothing to save for it

    {
        TPMultiImage loader;
        loader.SetAutoLoadAnno(true);
        loader.SetAutoSaveAnno(true);
        loader.SetImageName(versioned);
        EXPECT_EQ(Layer(loader).Count(), 1);
        EXPECT_TRUE(SavedSet(loader).contains("[RECTANGLE] 5 6 10 10"));
        AddRectangle(loader, 30, 20);
    } // destruction saves

    TPMultiImage reader;
    reader.SetAutoLoadAnno(true);
    reader.SetImageName(versioned);
    EXPECT_EQ(Layer(reader).Count(), 2);
    reader.SetImageName(other); // no annotation file: the layer is empty
    EXPECT_EQ(Layer(reader).Count(), 0);
}

TEST(AnnotationLayer, DestructionFreesTheInstance)
{
    // The library keeps ten instances: components made one after another must each get one.
    for (int i = 0; i < 12; ++i) {
        TPMultiImage image;
        ASSERT_GT(AddRectangle(image, i, i), -1) << i;
        ASSERT_EQ(Layer(image).Count(), 1) << "component " << i;
    }
}

TEST(AnnotationLayer, MissingEntryIsReportedOnceAndSkipped)
{
    const Fake& fake = Fake::Get();
    ASSERT_TRUE(fake.Library->IsLoaded());
    ASSERT_EQ(fake.Asked.size(), 1u);
    EXPECT_EQ(fake.Asked[0].Text.toStdString(),
              "Error. Could not get a procaddress for FLoadAnnotation. This could berelated to a "
              "dll name or version missmatch of " FAKE_GLOSA_NAME);
    EXPECT_EQ(fake.Library->Entries().LoadAnnotation, nullptr);
    EXPECT_NE(fake.Library->Entries().SaveAnnotation, nullptr);

    TempDir dir;
    const QString picture = WritePicture(dir.File("a.b.png"), 30, 30);
    QFile set(dir.File("a.ant")); // an annotation file exists, but cannot be loaded
    ASSERT_TRUE(set.open(QIODevice::WriteOnly));
    set.write("[ANNOTATION]\r\n");
    set.close();
    FactoryScope scope(FactoryFor(fake.Library));
    fake.Calls();
    auto image = std::make_unique<TPMultiImage>();
    image->SetAutoLoadAnno(true);
    image->SetImageName(picture);
    EXPECT_EQ(fake.Calls(), QStringList({"InitAnnotation", "ClearAnnotation"}));
}

TEST(AnnotationLayer, MouseAndMenusReachTheLibraryOnlyWhileEditing)
{
    const Fake& fake = Fake::Get();
    TempDir dir;
    const QString picture = WritePicture(dir.File("a.png"), 30, 30);
    FactoryScope scope(FactoryFor(fake.Library));
    auto image = std::make_unique<TPMultiImage>();
    image->SetImageName(picture);
    fake.Calls();

    const auto click = [&](Qt::MouseButton button, QPoint p) {
        QTest::mousePress(image.get(), button, Qt::NoModifier, p);
        QTest::mouseMove(image.get(), p + QPoint(1, 1));
        QTest::mouseRelease(image.get(), button, Qt::NoModifier, p + QPoint(1, 1));
    };
    click(Qt::LeftButton, QPoint(5, 7));
    click(Qt::RightButton, QPoint(5, 7));
    image->AnnotationCommand(3);
    image->SetEditAnnotat(false);
    EXPECT_EQ(fake.Calls(), QStringList());

    image->SetEditAnnotat(true);
    click(Qt::LeftButton, QPoint(5, 7));
    click(Qt::RightButton, QPoint(300, 2));
    click(Qt::MiddleButton, QPoint(9, 9));
    image->AnnotationCommand(3);
    QStringList calls = fake.Calls();
    calls.removeAll("MouseMon 512 10,10"); // the middle button's move
    EXPECT_EQ(calls, QStringList({"MouseMon 513 5,7", "MouseMon 512 6,8", "MouseMon 514 6,8",
                                  "MouseMon 516 300,2", "MouseMon 512 301,3", "MouseMon 517 301,3",
                                  "MenuMsg 3"}));

    image->SetEditAnnotat(false);
    image->SetEditAnnotat(false);
    EXPECT_EQ(fake.Calls(), QStringList{"RubberBandOFF"});

    image->SetAutoSaveAnno(true);
    image.reset();
    EXPECT_EQ(fake.Calls(),
              QStringList({"SaveAnnotation " + dir.File("a.ant"), "DestroyAnnotation"}));
}

TEST(AnnotationLayer, MissingLibraryLeavesAWorkingPicture)
{
    TempDir dir;
    std::shared_ptr<const GlosaLibrary> absent;
    {
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::Ok);
        absent = GlosaLibrary::Open("libglosa32_absent.so", {dir.Path()});
        ASSERT_EQ(prompts.Asked().size(), 1u);
        EXPECT_EQ(prompts.Asked()[0].Text.toStdString(),
                  "Can't load libglosa32_absent.so. Make sure its located in the application's "
                  "searchpath.");
    }
    EXPECT_FALSE(absent->IsLoaded());

    const QString picture = WritePicture(dir.File("red.png"), 40, 40, Qt::red);
    FactoryScope scope(FactoryFor(absent));
    TPMultiImage image;
    image.resize(40, 40);
    image.SetEditAnnotat(true);
    image.SetAutoLoadAnno(true);
    image.SetAutoSaveAnno(true);
    image.SetImageName(picture);
    QTest::mousePress(&image, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(&image, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    image.AnnotationCommand(KindRectangle);
    EXPECT_EQ(Layer(image).Count(), 0);
    EXPECT_EQ(QColor(image.grab().toImage().pixel(20, 20)), QColor(Qt::red));
}
