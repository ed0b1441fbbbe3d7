#include "platform/ThumbnailCache.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QMutex>
#include <QSet>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tonlyra::Thumbnails {

namespace {

// A thumbnail of 1024 x 1024 pixels is at most 4 MB of pixels; a larger file is not one of ours
// or anybody's.
constexpr qint64 MaxThumbnailBytes = 16ll * 1024 * 1024;
// A thumbnail this many pixels smaller than the size the picture is decoded at still serves.
constexpr int Slack = 2;

const QString UriKey = QStringLiteral("Thumb::URI");
const QString MTimeKey = QStringLiteral("Thumb::MTime");
const QString SizeKey = QStringLiteral("Thumb::Size");
const QString WidthKey = QStringLiteral("Thumb::Image::Width");
const QString HeightKey = QStringLiteral("Thumb::Image::Height");
const QString SoftwareKey = QStringLiteral("Software");

// The original as the cache knows it.
struct Original
{
    QString Path; // absolute
    QByteArray Uri;
    qint64 MTime = 0; // seconds, as stat gives it
    qint64 Size = 0;
};

bool StatOriginal(const QString& path, Original* original)
{
    const QFileInfo info(path);
    original->Path = QDir::cleanPath(info.absoluteFilePath());
    struct stat st;
    if (::stat(QFile::encodeName(original->Path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // A file the user may not read has no thumbnail to show either.
    if (!info.isReadable())
        return false;
    original->MTime = st.st_mtim.tv_sec;
    original->Size = st.st_size;
    original->Uri = FileUri(original->Path);
    return true;
}

// The picture's own size, upright, as its header gives it; transformed tells whether the file
// asks for it to be turned or mirrored.
struct Header
{
    QSize Size;
    bool Transformed = false;
};

Header ReadHeader(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    Header h;
    h.Size = reader.size();
    const QImageIOHandler::Transformations t = reader.transformation();
    h.Transformed = t != QImageIOHandler::TransformationNone;
    if (t & QImageIOHandler::TransformationRotate90)
        h.Size.transpose();
    return h;
}

QImage Scaled(const QImage& image, QSize size)
{
    if (image.size() == size)
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool Covers(QSize thumbnail, QSize wanted)
{
    return thumbnail.width() + Slack >= wanted.width() &&
           thumbnail.height() + Slack >= wanted.height();
}

// Whether image is the whole of a picture of size own, scaled down (within a pixel of
// rounding): not cropped, padded, turned or enlarged.
bool ShowsWhole(QSize image, QSize own)
{
    const int side = std::max(image.width(), image.height());
    const QSize expected = FitPictureSize(own, QSize(side, side));
    return std::abs(expected.width() - image.width()) <= 1 &&
           std::abs(expected.height() - image.height()) <= 1;
}

// A thumbnail's pixels as they are drawn: thumbnails are stored with an alpha channel, and an
// opaque one is drawn as the file would be.
QImage AsDrawn(const QImage& thumbnail)
{
    if (!thumbnail.hasAlphaChannel())
        return thumbnail.convertToFormat(QImage::Format_RGB32);
    const QImage argb = thumbnail.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return argb;
    }
    return argb.convertToFormat(QImage::Format_RGB32);
}

struct Thumbnail
{
    QImage Image;
    QSize OriginalSize;
};

// The thumbnail at path if it is a sound one of this original: a complete PNG within the size,
// made from the file as it is now, of the whole picture upright.
bool ReadThumbnail(const QString& path, const Original& original, const SizeClass& size,
                   Thumbnail* thumbnail)
{
    const QFileInfo info(path);
    // Only a regular file is read: a named pipe put there would hold the reader up for good.
    if (!info.isFile() || info.size() > MaxThumbnailBytes)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.read(MaxThumbnailBytes);
    file.close();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.width() > size.Pixels || stored.height() > size.Pixels)
        return false;
    QImage image = reader.read();
    if (image.isNull() || image.size() != stored)
        return false;

    bool ok = false;
    if (image.text(UriKey).toUtf8() != original.Uri ||
        image.text(MTimeKey).toLongLong(&ok) != original.MTime || !ok)
        return false;
    const QString fileSize = image.text(SizeKey);
    if (!fileSize.isEmpty() && fileSize.toLongLong() != original.Size)
        return false;

    QSize own;
    if (image.text(SoftwareKey) == QLatin1String(Software)) {
        // Ours: made upright, with the original's upright size.
        own = QSize(image.text(WidthKey).toInt(), image.text(HeightKey).toInt());
    } else {
        // Another program's: its size keys may be the stored or the upright size, and an older
        // program may not have turned the picture upright. Trust it only for a picture that
        // needs no turning.
        const Header header = ReadHeader(original.Path);
        if (header.Transformed)
            return false;
        own = header.Size;
    }
    if (own.isEmpty() || !ShowsWhole(image.size(), own))
        return false;

    thumbnail->Image = AsDrawn(image);
    thumbnail->OriginalSize = own;
    return true;
}

// Makes the folder and those above it that are missing, each for the owner only (0700), as
// the desktop's rules say of the cache and its folders.
bool MakeFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent != folder && !MakeFolder(parent))
        return false;
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) == 0)
        return true;
    return errno == EEXIST && QFileInfo(folder).isDir();
}

void WarnOnce(const QString& why)
{
    static std::atomic<bool> warned{false};
    if (!warned.exchange(true))
        qCWarning(Log::Platform).noquote()
            << QStringLiteral("The thumbnail cache is not written: %1").arg(why);
}

// The cache's background work: one thread, of low priority, saving thumbnails and making them
// ahead of time; and the thumbnails made ahead or checked in this run.
struct Background
{
    QThreadPool Pool;
    std::atomic<quint64> FillGeneration{0};
    QMutex Lock;
    QSet<QByteArray> Filled; // originals (URI, time, size) and boxes
};

Background& TheBackground()
{
    static Background* background = [] {
        auto* b = new Background;
        b->Pool.setMaxThreadCount(1);
        // The program's end waits only for the thumbnail at hand.
        qAddPostRoutine([] {
            TheBackground().FillGeneration++;
            TheBackground().Pool.clear();
            TheBackground().Pool.waitForDone();
        });
        return b;
    }();
    return *background;
}

// Runs work on the background thread, behind the interface, the sound and the pictures on
// screen. Thumbnails to save go before those to make ahead.
void InBackground(std::function<void()> work, int priority)
{
    TheBackground().Pool.start(
        [work = std::move(work)] {
            ::setpriority(PRIO_PROCESS, ::gettid(), 10);
            work();
        },
        priority);
}

constexpr int SavePriority = 1;
constexpr int FillPriority = 0;

} // namespace

QString CacheFolder()
{
    if (!qEnvironmentVariable("TONLYRA_NO_THUMBNAILS").isEmpty())
        return QString();
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString base =
        QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.cache");
    return QDir::cleanPath(base + QStringLiteral("/thumbnails"));
}

QByteArray FileUri(const QString& path)
{
    static const char Hex[] = "0123456789ABCDEF";
    const QByteArray bytes = QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    QByteArray uri("file://");
    uri.reserve(7 + bytes.size() * 3);
    for (const char c : bytes) {
        const auto u = uchar(c);
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                           (u >= '0' && u <= '9') ||
                           (u < 128 && std::strchr("!$&'()*+,-./:=@_~", c) != nullptr);
        if (plain) {
            uri += c;
        } else {
            uri += '%';
            uri += Hex[u >> 4];
            uri += Hex[u & 15];
        }
    }
    return uri;
}

QString ThumbnailPath(const QString& cacheFolder, const SizeClass& size, const QByteArray& uri)
{
    return cacheFolder + u'/' + QLatin1String(size.Folder) + u'/' +
           QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

bool PendingThumbnail::Save() const
{
    if (Image.isNull() || Path.isEmpty())
        return false;
    if (!MakeFolder(QFileInfo(Path).absolutePath())) {
        WarnOnce(QStringLiteral("%1 cannot be made").arg(QFileInfo(Path).absolutePath()));
        return false;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // Light compression: a fifth of the default's time, a fifth larger, as quick to read.
    writer.setQuality(80);
    // 8 bits a channel with alpha, as the standard asks (the text keys go with the pixels).
    if (!writer.write(Image.convertToFormat(QImage::Format_ARGB32)))
        return false;
    AtomicFile file(Path);
    file.SetMode(0600);
    if (!file.Open() || !file.Write(buffer.data()) || !file.Commit()) {
        WarnOnce(QStringLiteral("%1: %2").arg(Path, file.ErrorString()));
        return false;
    }
    return true;
}

PictureData ReadPicture(const QString& path, QSize fitInto, int page, Qt::AspectRatioMode fitMode,
                        PendingThumbnail* pending)
{
    const QString folder = CacheFolder();
    Original original;
    if (folder.isEmpty() || page != 0 || !fitInto.isValid() || fitInto.isEmpty() ||
        !StatOriginal(path, &original) || original.Path.startsWith(folder + u'/'))
        return ReadPictureFile(path, fitInto, page, fitMode);

    try {
        // The smallest cached size that holds the picture at the size it is decoded at. No
        // thumbnail smaller than the room's shorter side can, whatever the picture's shape.
        const int shorter = std::min(fitInto.width(), fitInto.height());
        for (const SizeClass& size : Sizes) {
            if (size.Pixels + Slack < shorter)
                continue;
            Thumbnail thumbnail;
            if (!ReadThumbnail(ThumbnailPath(folder, size, original.Uri), original, size,
                               &thumbnail))
                continue;
            const QSize fit = FitPictureSize(thumbnail.OriginalSize, fitInto, fitMode);
            if (!Covers(thumbnail.Image.size(), fit))
                continue;
            PictureData d;
            d.Image = Scaled(thumbnail.Image, fit);
            d.OriginalSize = thumbnail.OriginalSize;
            return d;
        }

        // None: the thumbnail of the size the picture needs is made from the file, and the
        // picture from the thumbnail, so that the picture is the same next time.
        const Header header = ReadHeader(original.Path);
        if (header.Size.isEmpty())
            return ReadPictureFile(path, fitInto, page, fitMode);
        const QSize fit = FitPictureSize(header.Size, fitInto, fitMode);
        const SizeClass* needed = nullptr;
        for (const SizeClass& size : Sizes)
            if (!needed && size.Pixels >= std::max(fit.width(), fit.height()))
                needed = &size;
        if (!needed || std::max(header.Size.width(), header.Size.height()) <= needed->Pixels)
            return ReadPictureFile(path, fitInto, page, fitMode);

        PictureData d =
            ReadPictureFile(path, QSize(needed->Pixels, needed->Pixels), 0, Qt::KeepAspectRatio);
        if (!d.Ok())
            return d;
        if (d.OriginalSize != header.Size)
            return ReadPictureFile(path, fitInto, page, fitMode); // the header told otherwise

        PendingThumbnail thumbnail;
        thumbnail.Path = ThumbnailPath(folder, *needed, original.Uri);
        thumbnail.Image = d.Image;
        thumbnail.Image.setText(UriKey, QString::fromLatin1(original.Uri));
        thumbnail.Image.setText(MTimeKey, QString::number(original.MTime));
        thumbnail.Image.setText(SizeKey, QString::number(original.Size));
        thumbnail.Image.setText(WidthKey, QString::number(d.OriginalSize.width()));
        thumbnail.Image.setText(HeightKey, QString::number(d.OriginalSize.height()));
        thumbnail.Image.setText(SoftwareKey, QLatin1String(Software));

        // Drawn from the thumbnail's pixels as they will be stored and read next time.
        d.Image = Scaled(AsDrawn(d.Image), FitPictureSize(d.OriginalSize, fitInto, fitMode));
        if (pending)
            *pending = std::move(thumbnail);
        else
            thumbnail.Save();
        return d;
    } catch (const std::bad_alloc&) {
        return ReadPictureFile(path, fitInto, page, fitMode);
    }
}

void SaveInBackground(const PendingThumbnail& thumbnail)
{
    if (!thumbnail.IsEmpty())
        InBackground([thumbnail] { thumbnail.Save(); }, SavePriority);
}

void FillInBackground(const QList<FillRequest>& pictures)
{
    Background& background = TheBackground();
    const quint64 generation = ++background.FillGeneration;
    if (CacheFolder().isEmpty())
        return; // nothing to fill
    for (const FillRequest& picture : pictures) {
        InBackground(
            [generation, picture] {
                Background& background = TheBackground();
                if (background.FillGeneration != generation)
                    return;
                Original original;
                if (!StatOriginal(picture.Path, &original))
                    return;
                const QByteArray key = original.Uri + ' ' + QByteArray::number(original.MTime) +
                                       ' ' + QByteArray::number(original.Size) + ' ' +
                                       QByteArray::number(picture.Box.width()) + 'x' +
                                       QByteArray::number(picture.Box.height());
                {
                    QMutexLocker lock(&background.Lock);
                    if (background.Filled.contains(key))
                        return;
                }
                ReadPicture(picture.Path, picture.Box);
                QMutexLocker lock(&background.Lock);
                background.Filled.insert(key);
            },
            FillPriority);
    }
}

bool WaitForBackground(int timeoutMs)
{
    return TheBackground().Pool.waitForDone(timeoutMs);
}

} // namespace Tonlyra::Thumbnails
