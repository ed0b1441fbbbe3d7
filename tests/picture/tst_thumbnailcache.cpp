// The shared thumbnail cache: its names and rules, that what it gives is the picture the file
// gives, thumbnails of other programs, and caches that cannot be used.

#include "platform/PictureReader.h"
#include "platform/ThumbnailCache.h"
#include "tests/picture/PictureFixtures.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

#include <sys/stat.h>
#include <sys/time.h>

using namespace PictureFixtures;
using Tonlyra::PictureData;
using Tonlyra::ReadPictureFile;
using Tonlyra::Test::TempDir;
namespace Thumbnails = Tonlyra::Thumbnails;

namespace {

// Each test has a cache of its own.
class ThumbnailCacheTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(Cache.Path()));
        qunsetenv("TONLYRA_NO_THUMBNAILS");
    }
    void TearDown() override { qputenv("XDG_CACHE_HOME", OldCache); }

    QString Folder() const { return Cache.Path() + QStringLiteral("/thumbnails"); }
    QString ThumbnailOf(const QString& path, int size) const
    {
        for (const Thumbnails::SizeClass& s : Thumbnails::Sizes)
            if (s.Pixels == size)
                return Thumbnails::ThumbnailPath(Folder(), s, Thumbnails::FileUri(path));
        return QString();
    }
    // Every file the cache holds, by its path below the cache folder.
    QStringList CachedFiles() const
    {
        QStringList files;
        for (const Thumbnails::SizeClass& s : Thumbnails::Sizes)
            for (const QString& name : QDir(Folder() + u'/' + QLatin1String(s.Folder))
                                           .entryList(QDir::Files | QDir::Hidden))
                files.append(QLatin1String(s.Folder) + u'/' + name);
        return files;
    }

    TempDir Cache;
    TempDir Pictures;
    QByteArray OldCache;
};

QImage Solid(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Smooth, like a photo, with a red block at its top left, so that a picture turned the wrong
// way shows.
QImage Marked(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 160 / w, y * 255 / h, (x + y) * 255 / (w + h)));
    QPainter(&image).fillRect(0, 0, w / 4, h / 4, Qt::red);
    return image;
}

// The JPEG with an Exif orientation (6: to be turned a quarter clockwise), after its JFIF header.
QByteArray WithOrientation(const QByteArray& jpeg, int orientation)
{
    QByteArray tiff("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18);
    tiff += char(orientation);
    tiff += QByteArray(7, '\0'); // the rest of the value, and no next directory
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment += char((body.size() + 2) >> 8);
    segment += char((body.size() + 2) & 0xFF);
    segment += body;
    const int afterJfif = 4 + ((uchar(jpeg[4]) << 8) | uchar(jpeg[5]));
    return jpeg.left(afterJfif) + segment + jpeg.mid(afterJfif);
}

// Mean difference of two pictures of the same size per channel (alpha included), 0..255.
double MeanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    return sum / (4.0 * x.width() * x.height());
}

void SetModified(const QString& path, qint64 seconds)
{
    const timeval times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(path).constData(), times), 0);
}

// A thumbnail as another program writes it.
bool WriteForeignThumbnail(const QString& path, QImage image, const QByteArray& uri, qint64 mtime)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    image = image.convertToFormat(QImage::Format_ARGB32);
    image.setText(QStringLiteral("Thumb::URI"), QString::fromLatin1(uri));
    image.setText(QStringLiteral("Thumb::MTime"), QString::number(mtime));
    image.setText(QStringLiteral("Software"), QStringLiteral("Some file manager"));
    return image.save(path, "PNG");
}

qint64 ModifiedOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mtim.tv_sec : -1;
}

} // namespace

TEST_F(ThumbnailCacheTest, NamesAreThoseOfTheDesktop)
{
    // The standard's own example.
    EXPECT_EQ(Thumbnails::FileUri(QStringLiteral("/home/jens/photos/me.png")),
              "file:///home/jens/photos/me.png");
    EXPECT_EQ(Thumbnails::ThumbnailPath(QStringLiteral("/c"), Thumbnails::Sizes[0],
                                        "file:///home/jens/photos/me.png"),
              "/c/normal/c6ee772d9e49320e97ec29a7eb5b1697.png");
    const struct
    {
        const char* Path;
        const char* Uri;
    } cases[] = {
        {"/a b/c#d;e%f?.jpg", "file:///a%20b/c%23d%3Be%25f%3F.jpg"},
        {"/bilder/Älg på ö.png", "file:///bilder/%C3%84lg%20p%C3%A5%20%C3%B6.png"},
        {"/x/!$&'()*+,-.:=@_~[]{}\"^`|<>\\.gif",
         "file:///x/!$&'()*+,-.:=@_~%5B%5D%7B%7D%22%5E%60%7C%3C%3E%5C.gif"},
        {"/x/./y/../z.png", "file:///x/z.png"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Thumbnails::FileUri(QString::fromUtf8(c.Path)), c.Uri) << c.Path;
    // A relative path is taken from the current folder.
    EXPECT_EQ(Thumbnails::FileUri(QStringLiteral("b.png")),
              Thumbnails::FileUri(QDir::current().filePath(QStringLiteral("b.png"))));

    EXPECT_EQ(Thumbnails::CacheFolder(), Folder());
    qputenv("XDG_CACHE_HOME", "relative/cache"); // not absolute: ignored, as the XDG rules say
    EXPECT_EQ(Thumbnails::CacheFolder(), QDir::homePath() + QStringLiteral("/.cache/thumbnails"));
    qputenv("TONLYRA_NO_THUMBNAILS", "1");
    EXPECT_TRUE(Thumbnails::CacheFolder().isEmpty());
}

TEST_F(ThumbnailCacheTest, TheSmallestSizeThatHoldsThePictureIsMadeAndWhatIsNeverCached)
{
    const QString photo = Pictures.File(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(Marked(1600, 1200).save(photo, "JPG", 90));
    const QString small = Pictures.File(QStringLiteral("small.png"));
    ASSERT_TRUE(Pattern(100, 80).save(small));
    const QString pages = Pictures.File(QStringLiteral("pages.tif"));
    ASSERT_TRUE(WriteBytes(pages, Tiff({{800, 600, 40}, {800, 600, 200}})));

    struct Case
    {
        QString Path;
        QSize Box;
        int Page;
        int Size; // the thumbnail made, 0 for none
        QSize Stored;
    };
    const Case cases[] = {
        {photo, QSize(100, 100), 0, 128, QSize(128, 96)},  // drawn 100 x 75
        {photo, QSize(140, 60), 0, 128, QSize(128, 96)},   // 80 x 60
        {photo, QSize(300, 300), 0, 512, QSize(512, 384)}, // 300 x 225
        {photo, QSize(1000, 700), 0, 1024, QSize(1024, 768)},
        {photo, QSize(1100, 1100), 0, 0, {}}, // larger than the largest size
        {photo, QSize(), 0, 0, {}},           // drawn at its own size
        {small, QSize(60, 60), 0, 0, {}},     // no larger than its thumbnail would be
        {pages, QSize(100, 100), 1, 0, {}},   // a page other than the first
        {pages, QSize(100, 100), 0, 128, QSize(128, 96)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(QStringLiteral("%1 in %2 x %3, page %4")
                                    .arg(c.Path)
                                    .arg(c.Box.width())
                                    .arg(c.Box.height())
                                    .arg(c.Page)));
        QDir(Folder()).removeRecursively();
        const PictureData d = Thumbnails::ReadPicture(c.Path, c.Box, c.Page);
        ASSERT_TRUE(d.Ok()) << qPrintable(d.Error);
        const PictureData direct = ReadPictureFile(c.Path, c.Box, c.Page);
        EXPECT_EQ(d.OriginalSize, direct.OriginalSize);
        EXPECT_EQ(d.Image.size(), direct.Image.size());
        if (c.Size == 0) {
            EXPECT_TRUE(CachedFiles().isEmpty()) << qPrintable(CachedFiles().join(' '));
            continue;
        }
        const QString thumbnail = ThumbnailOf(c.Path, c.Size);
        ASSERT_EQ(CachedFiles().size(), 1);
        const QImage stored(thumbnail, "PNG");
        ASSERT_FALSE(stored.isNull()) << qPrintable(CachedFiles().join(' '));
        EXPECT_EQ(stored.size(), c.Stored);
        EXPECT_TRUE(stored.hasAlphaChannel());
        EXPECT_EQ(stored.text(QStringLiteral("Thumb::URI")).toUtf8(), Thumbnails::FileUri(c.Path));
        EXPECT_EQ(stored.text(QStringLiteral("Thumb::MTime")).toLongLong(), ModifiedOf(c.Path));
        EXPECT_EQ(stored.text(QStringLiteral("Thumb::Size")).toLongLong(),
                  QFileInfo(c.Path).size());
        EXPECT_EQ(stored.text(QStringLiteral("Thumb::Image::Width")).toInt(),
                  direct.OriginalSize.width());
        EXPECT_EQ(stored.text(QStringLiteral("Thumb::Image::Height")).toInt(),
                  direct.OriginalSize.height());
        // Only the owner may look at them.
        for (const auto& [path, mode] : {std::pair{thumbnail, 0600u}, std::pair{Folder(), 0700u},
                                         std::pair{QFileInfo(thumbnail).absolutePath(), 0700u}}) {
            struct stat st;
            ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, mode) << qPrintable(path);
        }
    }
}

TEST_F(ThumbnailCacheTest, ACachedPictureIsThePictureTheFileGives)
{
    // Turned upright by its Exif orientation, with an alpha channel, in 16-bit grey.
    const QString turned = Pictures.File(QStringLiteral("turned.jpg"));
    ASSERT_TRUE(WriteBytes(turned, WithOrientation(Encode(Marked(1200, 900), "jpg"), 6)));
    QImage translucent = Marked(1000, 800).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < translucent.height(); ++y)
        for (int x = 0; x < translucent.width(); ++x)
            translucent.setPixel(
                x, y, (translucent.pixel(x, y) & 0x00FFFFFF) | (uint(x * 255 / 1000) << 24));
    const QString alpha = Pictures.File(QStringLiteral("alpha.png"));
    ASSERT_TRUE(translucent.save(alpha, "PNG"));
    const QString grey = Pictures.File(QStringLiteral("grey.png"));
    ASSERT_TRUE(Marked(900, 700).convertToFormat(QImage::Format_Grayscale16).save(grey, "PNG"));

    for (const QString& path : {turned, alpha, grey}) {
        SCOPED_TRACE(qPrintable(path));
        const QSize box(200, 150);
        const PictureData file = ReadPictureFile(path, box);
        ASSERT_TRUE(file.Ok());
        const PictureData made = Thumbnails::ReadPicture(path, box);   // made and saved
        const PictureData cached = Thumbnails::ReadPicture(path, box); // read from the cache
        ASSERT_EQ(CachedFiles().size(), 1);
        QDir(Folder()).removeRecursively();
        for (const PictureData& d : {made, cached}) {
            EXPECT_EQ(d.OriginalSize, file.OriginalSize);
            EXPECT_LT(MeanDifference(d.Image, file.Image), 3.0);
            EXPECT_EQ(d.Image.hasAlphaChannel(), file.Image.hasAlphaChannel());
        }
        EXPECT_EQ(cached.Image.convertToFormat(QImage::Format_ARGB32),
                  made.Image.convertToFormat(QImage::Format_ARGB32));
    }
    // The red block of the turned photo is at the top right, as the file gives it.
    const PictureData upright = Thumbnails::ReadPicture(turned, QSize(200, 200));
    ASSERT_EQ(upright.Image.size(), QSize(150, 200));
    EXPECT_GT(QColor(upright.Image.pixel(140, 10)).red(), 250);
    EXPECT_LT(QColor(upright.Image.pixel(10, 10)).red(), 200);
}

TEST_F(ThumbnailCacheTest, AStaleThumbnailIsMadeAgain)
{
    const QString photo = Pictures.File(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(Solid(1200, 900, Qt::red).save(photo, "JPG"));
    SetModified(photo, 1500000000);
    EXPECT_EQ(QColor(Thumbnails::ReadPicture(photo, QSize(100, 100)).Image.pixel(50, 30)).red(),
              254);

    // Another picture in the same file, written later.
    ASSERT_TRUE(Solid(1200, 900, Qt::blue).save(photo, "JPG"));
    SetModified(photo, 1500000100);
    const PictureData d = Thumbnails::ReadPicture(photo, QSize(100, 100));
    EXPECT_GT(QColor(d.Image.pixel(50, 30)).blue(), 250);
    EXPECT_EQ(QImage(ThumbnailOf(photo, 128)).text(QStringLiteral("Thumb::MTime")),
              QStringLiteral("1500000100"));
}

TEST_F(ThumbnailCacheTest, ThumbnailsOfOtherProgramsAreUsedWhenSound)
{
    const QString photo = Pictures.File(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(Solid(1200, 900, Qt::red).save(photo, "JPG"));
    const QByteArray uri = Thumbnails::FileUri(photo);
    const qint64 mtime = ModifiedOf(photo);
    const QString thumbnail = ThumbnailOf(photo, 128);
    const QColor green(0, 255, 0);

    // A sound one is used, with what the file's header says of the picture (its own size).
    ASSERT_TRUE(WriteForeignThumbnail(thumbnail, Solid(128, 96, green), uri, mtime));
    PictureData d = Thumbnails::ReadPicture(photo, QSize(100, 100));
    EXPECT_EQ(d.OriginalSize, QSize(1200, 900));
    EXPECT_EQ(d.Image.size(), QSize(100, 75));
    EXPECT_EQ(QColor(d.Image.pixel(50, 30)), green);

    // Unsound ones are passed over and replaced by ours.
    QByteArray cut;
    {
        QBuffer buffer(&cut);
        buffer.open(QIODevice::WriteOnly);
        QImage image = Solid(128, 96, green);
        image.setText(QStringLiteral("Thumb::URI"), QString::fromLatin1(uri));
        image.setText(QStringLiteral("Thumb::MTime"), QString::number(mtime));
        image.save(&buffer, "PNG");
        cut.chop(40);
    }
    const struct
    {
        const char* Why;
        std::function<bool()> Write;
    } unsound[] = {
        {"another file's",
         [&] {
             return WriteForeignThumbnail(thumbnail, Solid(128, 96, green), "file:///x", mtime);
         }},
        {"an older file's",
         [&] { return WriteForeignThumbnail(thumbnail, Solid(128, 96, green), uri, mtime - 1); }},
        {"cropped square",
         [&] { return WriteForeignThumbnail(thumbnail, Solid(128, 128, green), uri, mtime); }},
        {"larger than its size",
         [&] { return WriteForeignThumbnail(thumbnail, Solid(256, 192, green), uri, mtime); }},
        {"cut short", [&] { return WriteBytes(thumbnail, cut); }},
        {"garbage", [&] { return WriteBytes(thumbnail, QByteArray(5000, 'g')); }},
        {"a folder", [&] { return QDir().mkpath(thumbnail); }},
        {"a named pipe",
         [&] {
             QFile::remove(thumbnail);
             return ::mkfifo(QFile::encodeName(thumbnail).constData(), 0600) == 0;
         }},
    };
    for (const auto& u : unsound) {
        SCOPED_TRACE(u.Why);
        QDir(thumbnail).removeRecursively();
        QFile::remove(thumbnail);
        ASSERT_TRUE(u.Write());
        d = Thumbnails::ReadPicture(photo, QSize(100, 100));
        ASSERT_TRUE(d.Ok());
        EXPECT_EQ(d.Image.size(), QSize(100, 75));
        EXPECT_GT(QColor(d.Image.pixel(50, 30)).red(), 250);
        if (QFileInfo(thumbnail).isFile()) { // a folder or a pipe in its place stays
            const QImage ours(thumbnail, "PNG");
            EXPECT_EQ(ours.text(QStringLiteral("Software")), QLatin1String(Thumbnails::Software));
        }
    }

    // Another program's thumbnail of a picture that the file asks to be turned may not have
    // been turned: it is not used.
    const QString turned = Pictures.File(QStringLiteral("turned.jpg"));
    ASSERT_TRUE(WriteBytes(turned, WithOrientation(Encode(Solid(1200, 900, Qt::red), "jpg"), 6)));
    ASSERT_TRUE(WriteForeignThumbnail(ThumbnailOf(turned, 128), Solid(96, 128, green),
                                      Thumbnails::FileUri(turned), ModifiedOf(turned)));
    d = Thumbnails::ReadPicture(turned, QSize(100, 100));
    EXPECT_EQ(d.OriginalSize, QSize(900, 1200));
    EXPECT_GT(QColor(d.Image.pixel(30, 50)).red(), 250);
}

TEST_F(ThumbnailCacheTest, ACacheThatCannotBeUsedLeavesPicturesAsTheFileGivesThem)
{
    const QString photo = Pictures.File(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(Marked(1600, 1200).save(photo, "JPG"));
    const QString broken = Pictures.File(QStringLiteral("broken.jpg"));
    ASSERT_TRUE(WriteBytes(broken, Encode(Marked(1600, 1200), "jpg").left(3000)));
    const PictureData file = ReadPictureFile(photo, QSize(100, 100));
    const PictureData brokenFile = ReadPictureFile(broken, QSize(100, 100));
    ASSERT_FALSE(brokenFile.Ok());

    // The picture, and a file that cannot be read gives the same error as without the cache.
    auto same = [&] {
        const PictureData d = Thumbnails::ReadPicture(photo, QSize(100, 100));
        const PictureData e = Thumbnails::ReadPicture(broken, QSize(100, 100));
        return d.Ok() && d.OriginalSize == file.OriginalSize &&
               MeanDifference(d.Image, file.Image) < 3.0 && e.Code == brokenFile.Code &&
               e.Error == brokenFile.Error;
    };

    // The cache's place is a file: nothing can be made there.
    const QString notAFolder = Cache.File(QStringLiteral("file"));
    ASSERT_TRUE(WriteBytes(notAFolder, "x"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(notAFolder));
    EXPECT_TRUE(same());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(Cache.Path()));

    // A full disk: the thumbnail is not saved, and nothing is left of it.
    EXPECT_EQ(Tonlyra::Test::SaveUnderFileSizeLimit(1000, same), 1);
    EXPECT_TRUE(CachedFiles().isEmpty()) << qPrintable(CachedFiles().join(' '));

    // Turned off.
    qputenv("TONLYRA_NO_THUMBNAILS", "1");
    EXPECT_TRUE(same());
    EXPECT_TRUE(CachedFiles().isEmpty());
    qunsetenv("TONLYRA_NO_THUMBNAILS");

    // Saved later by the caller, after the picture is shown.
    Thumbnails::PendingThumbnail pending;
    EXPECT_TRUE(
        Thumbnails::ReadPicture(photo, QSize(100, 100), 0, Qt::KeepAspectRatio, &pending).Ok());
    EXPECT_TRUE(CachedFiles().isEmpty());
    ASSERT_FALSE(pending.IsEmpty());
    EXPECT_TRUE(pending.Save());
    EXPECT_EQ(CachedFiles(), QStringList{QStringLiteral("normal/") +
                                         QFileInfo(ThumbnailOf(photo, 128)).fileName()});
    EXPECT_TRUE(same());
}

TEST_F(ThumbnailCacheTest, FillingInTheBackgroundMakesWhatAGridWillRead)
{
    QList<Thumbnails::FillRequest> pictures;
    for (int i = 0; i < 3; ++i) {
        const QString path = Pictures.File(QStringLiteral("p%1.jpg").arg(i));
        ASSERT_TRUE(Marked(1200 + 100 * i, 900).save(path, "JPG"));
        pictures.append({path, QSize(300, 250)});
    }
    pictures.append({Pictures.File(QStringLiteral("missing.jpg")), QSize(300, 250)});
    Thumbnails::FillInBackground(pictures);
    ASSERT_TRUE(Thumbnails::WaitForBackground(30000));
    EXPECT_EQ(CachedFiles().size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(QFileInfo::exists(ThumbnailOf(pictures[i].Path, 512))) << i;
}
