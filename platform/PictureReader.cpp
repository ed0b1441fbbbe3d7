#include "platform/PictureReader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <new>

namespace Tonlyra {

namespace {

// No picture file we show needs more; a larger file is refused before it is read into memory.
constexpr qint64 MaxFileBytes = 512ll * 1024 * 1024;

PictureData Failure(int code, const QString& detail = QString())
{
    PictureData d;
    d.Code = code;
    d.Error = PictureErrorText(code);
    if (!detail.isEmpty())
        d.Error += QStringLiteral(": ") + detail;
    return d;
}

quint16 U16(const uchar* p)
{
    return quint16(p[0] | (p[1] << 8));
}
quint32 U32(const uchar* p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// The allocation we allow for one decoded picture, in bytes.
qint64 AllocationLimitBytes()
{
    const int mb = QImageReader::allocationLimit();
    return mb > 0 ? qint64(mb) * 1024 * 1024 : std::numeric_limits<qint64>::max();
}

// A JPEG is complete when an end-of-image marker follows the last start-of-scan marker. Inside
// entropy-coded data 0xFF is always followed by 0x00 or a restart marker, so neither marker can
// appear there by chance; an embedded thumbnail's markers come before the main image's scan.
bool JpegIsComplete(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype lastSos = -1, lastEoi = -1;
    for (qsizetype i = n - 2; i >= 0; --i) {
        if (p[i] != 0xFF)
            continue;
        if (p[i + 1] == 0xD9 && lastEoi < 0)
            lastEoi = i;
        else if (p[i + 1] == 0xDA) {
            lastSos = i;
            break;
        }
    }
    return lastEoi > lastSos;
}

// An uncompressed BMP is complete when the file holds every row the header announces.
bool BmpIsComplete(const QByteArray& bytes)
{
    if (bytes.size() < 26)
        return false;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const quint32 offBits = U32(p + 10);
    const quint32 headerSize = U32(p + 14);
    qint64 width = 0, height = 0, bpp = 0, compression = 0;
    if (headerSize == 12) {
        width = U16(p + 18);
        height = U16(p + 20);
        bpp = U16(p + 24);
    } else if (headerSize >= 40 && bytes.size() >= 34) {
        width = qint32(U32(p + 18));
        height = qint32(U32(p + 22));
        bpp = U16(p + 28);
        compression = U32(p + 30);
    } else {
        return true; // a header we do not know; let the decoder judge
    }
    if (compression != 0 && compression != 3)
        return true; // run-length data: its length is not known from the header
    const qint64 rowBytes = ((std::abs(width) * bpp + 31) / 32) * 4;
    return qint64(offBits) + rowBytes * std::abs(height) <= bytes.size();
}

// A GIF is complete when its blocks, followed one by one, end in the trailer byte.
bool GifIsComplete(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype pos = 13;
    if (n < pos)
        return false;
    if (p[10] & 0x80)
        pos += 3 * (qsizetype(1) << ((p[10] & 7) + 1));
    auto skipSubBlocks = [&] {
        while (pos < n && p[pos] != 0)
            pos += p[pos] + 1;
        ++pos; // the terminating empty block
    };
    while (pos < n) {
        switch (p[pos]) {
        case 0x3B:
            return true;
        case 0x21:
            pos += 2;
            skipSubBlocks();
            break;
        case 0x2C:
            if (pos + 10 > n)
                return false;
            if (p[pos + 9] & 0x80)
                pos += 3 * (qsizetype(1) << ((p[pos + 9] & 7) + 1));
            pos += 11; // descriptor and minimum code size
            skipSubBlocks();
            break;
        default:
            return false;
        }
    }
    return false;
}

} // namespace

QString PictureErrorText(int code)
{
    switch (code) {
    case PictureOk:
        return QString();
    case PictureCannotOpen:
        return QStringLiteral("Bildfilen kan inte öppnas");
    case PictureTooShort:
        return QStringLiteral("Filen är för kort för att rymma en bild");
    case PictureUnknownFormat:
        return QStringLiteral("Okänt bildformat eller ett format som inte stöds");
    case PictureCorrupt:
        return QStringLiteral("Bildfilen är skadad");
    case PictureTruncated:
        return QStringLiteral("Bildfilen är ofullständig");
    case PictureTooLarge:
        return QStringLiteral("Bilden är för stor");
    case PictureNoSuchPage:
        return QStringLiteral("Filen har ingen sådan sida");
    }
    return QStringLiteral("Fel %1 när bilden lästes").arg(code);
}

QSize FitPictureSize(QSize size, QSize box, Qt::AspectRatioMode mode)
{
    if (size.isEmpty() || !box.isValid() || box.isEmpty())
        return size;
    if (size.width() <= box.width() && size.height() <= box.height())
        return size;
    const QSize fit =
        size.scaled(box, mode == Qt::KeepAspectRatioByExpanding ? Qt::KeepAspectRatioByExpanding
                                                                : Qt::KeepAspectRatio);
    if (fit.width() >= size.width() || fit.height() >= size.height())
        return size;
    return fit.expandedTo(QSize(1, 1));
}

PictureData DecodePcx(const QByteArray& bytes)
{
    if (bytes.size() < 128)
        return Failure(PictureTruncated, QStringLiteral("PCX-huvudet"));
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const int encoding = p[2];
    const int bpp = p[3];
    const int xmin = U16(p + 4), ymin = U16(p + 6), xmax = U16(p + 8), ymax = U16(p + 10);
    const int planes = p[65];
    const int bytesPerLine = U16(p + 66);
    if (p[0] != 0x0A || encoding > 1 || xmax < xmin || ymax < ymin)
        return Failure(PictureCorrupt, QStringLiteral("PCX-huvudet"));
    const int width = xmax - xmin + 1;
    const int height = ymax - ymin + 1;

    const bool rgb = bpp == 8 && (planes == 3 || planes == 4);
    const bool indexed = (bpp == 8 && planes == 1) || (bpp == 1 && planes >= 1 && planes <= 4) ||
                         ((bpp == 2 || bpp == 4) && planes == 1);
    if (!rgb && !indexed)
        return Failure(PictureUnknownFormat,
                       QStringLiteral("PCX med %1 bitar i %2 plan").arg(bpp).arg(planes));
    if (qint64(bytesPerLine) * 8 < qint64(width) * bpp)
        return Failure(PictureCorrupt, QStringLiteral("PCX-radlängden"));
    if (qint64(width) * height * 4 > AllocationLimitBytes())
        return Failure(PictureTooLarge, QStringLiteral("%1 x %2").arg(width).arg(height));
    // Data too short for the picture is found before room is made for it: two bytes give at
    // most a run of 63.
    const qint64 lineBytes = qint64(bytesPerLine) * planes;
    const qint64 mostRows =
        (bytes.size() - 128) * (encoding == 1 ? 63 : 2) / 2 / std::max<qint64>(lineBytes, 1);
    if (mostRows < height)
        return Failure(PictureTruncated, QStringLiteral("PCX-data slutar på rad %1").arg(mostRows));

    const QImage::Format format = rgb ? (planes == 4 ? QImage::Format_ARGB32 : QImage::Format_RGB32)
                                      : QImage::Format_Indexed8;
    QImage image(width, height, format);
    if (image.isNull())
        return Failure(PictureTooLarge, QStringLiteral("%1 x %2").arg(width).arg(height));

    // Run-length decoding of the whole stream; a run may go on across planes and lines.
    QByteArray line(lineBytes, '\0');
    auto* l = reinterpret_cast<uchar*>(line.data());
    qsizetype pos = 128;
    int runLeft = 0;
    uchar runValue = 0;
    for (int y = 0; y < height; ++y) {
        for (qsizetype i = 0; i < lineBytes; ++i) {
            if (runLeft == 0) {
                if (pos >= bytes.size())
                    return Failure(PictureTruncated,
                                   QStringLiteral("PCX-data slutar på rad %1").arg(y));
                const uchar c = p[pos++];
                if (encoding == 1 && (c & 0xC0) == 0xC0) {
                    if (pos >= bytes.size())
                        return Failure(PictureTruncated,
                                       QStringLiteral("PCX-data slutar på rad %1").arg(y));
                    runLeft = c & 0x3F;
                    runValue = p[pos++];
                    if (runLeft == 0) {
                        --i; // an empty run carries no pixel
                        continue;
                    }
                } else {
                    runLeft = 1;
                    runValue = c;
                }
            }
            l[i] = runValue;
            --runLeft;
        }
        uchar* out = image.scanLine(y);
        if (rgb) {
            auto* px = reinterpret_cast<QRgb*>(out);
            for (int x = 0; x < width; ++x) {
                const int a = planes == 4 ? l[3 * bytesPerLine + x] : 255;
                px[x] = qRgba(l[x], l[bytesPerLine + x], l[2 * bytesPerLine + x], a);
            }
        } else {
            for (int x = 0; x < width; ++x) {
                int index = 0;
                for (int plane = 0; plane < planes; ++plane) {
                    const qint64 bit = qint64(x) * bpp;
                    const uchar b = l[plane * bytesPerLine + bit / 8];
                    const int shift = 8 - bpp - int(bit % 8);
                    index |= ((b >> shift) & ((1 << bpp) - 1)) << (plane * bpp);
                }
                out[x] = uchar(index);
            }
        }
    }

    if (!rgb) {
        QList<QRgb> table;
        if (bpp == 8) {
            // 256 colours follow the data after a 0x0C marker; without them the picture is grey.
            const qsizetype at = bytes.size() - 769;
            const bool hasPalette = at >= pos && p[at] == 0x0C;
            for (int i = 0; i < 256; ++i)
                table.append(hasPalette
                                 ? qRgb(p[at + 1 + 3 * i], p[at + 2 + 3 * i], p[at + 3 + 3 * i])
                                 : qRgb(i, i, i));
        } else if (bpp == 1 && planes == 1) {
            table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        } else {
            // Up to 16 colours in the header; an empty header palette means the standard
            // 16 colours of the old display adapters.
            static const QRgb ega[16] = {
                qRgb(0, 0, 0),     qRgb(0, 0, 170),    qRgb(0, 170, 0),    qRgb(0, 170, 170),
                qRgb(170, 0, 0),   qRgb(170, 0, 170),  qRgb(170, 85, 0),   qRgb(170, 170, 170),
                qRgb(85, 85, 85),  qRgb(85, 85, 255),  qRgb(85, 255, 85),  qRgb(85, 255, 255),
                qRgb(255, 85, 85), qRgb(255, 85, 255), qRgb(255, 255, 85), qRgb(255, 255, 255)};
            const bool empty = std::all_of(p + 16, p + 64, [](uchar c) { return c == 0; });
            const int colours = 1 << (bpp * planes);
            for (int i = 0; i < colours; ++i)
                table.append(empty ? ega[i] : qRgb(p[16 + 3 * i], p[17 + 3 * i], p[18 + 3 * i]));
        }
        image.setColorTable(table);
    }

    PictureData d;
    d.OriginalSize = image.size();
    d.Image = std::move(image);
    return d;
}

PictureData DecodeTga(const QByteArray& bytes)
{
    if (bytes.size() < 18)
        return Failure(PictureTruncated, QStringLiteral("TGA-huvudet"));
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    const int idLength = p[0], mapType = p[1], type = p[2];
    const int mapFirst = U16(p + 3), mapLength = U16(p + 5), mapEntryBits = p[7];
    const int width = U16(p + 12), height = U16(p + 14), depth = p[16], descriptor = p[17];
    const int base = type & ~8;
    const bool rle = type & 8;
    const bool depthOk = base == 2 ? (depth == 15 || depth == 16 || depth == 24 || depth == 32)
                                   : (depth == 8 || (base == 1 && depth == 16));
    if ((base != 1 && base != 2 && base != 3) || type > 11 || !depthOk || mapType > 1 ||
        (base == 1 && mapType != 1) || width == 0 || height == 0)
        return Failure(PictureUnknownFormat,
                       QStringLiteral("TGA-typ %1, %2 bitar").arg(type).arg(depth));
    if (qint64(width) * height * 4 > AllocationLimitBytes())
        return Failure(PictureTooLarge, QStringLiteral("%1 x %2").arg(width).arg(height));

    auto colour = [](const uchar* q, int bits, bool alpha) -> QRgb {
        switch (bits) {
        case 15:
        case 16: {
            const int v = q[0] | (q[1] << 8);
            auto five = [](int c) { return (c << 3) | (c >> 2); };
            return qRgb(five((v >> 10) & 31), five((v >> 5) & 31), five(v & 31));
        }
        case 24:
            return qRgb(q[2], q[1], q[0]);
        case 32:
            return qRgba(q[2], q[1], q[0], alpha ? q[3] : 255);
        default:
            return qRgb(q[0], q[0], q[0]);
        }
    };

    qsizetype pos = 18 + idLength;
    QList<QRgb> map;
    if (mapType == 1) {
        const int entryBytes = (mapEntryBits + 7) / 8;
        if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
            return Failure(PictureCorrupt, QStringLiteral("TGA-färgtabellen"));
        if (pos + qsizetype(mapLength) * entryBytes > n)
            return Failure(PictureTruncated, QStringLiteral("TGA-färgtabellen"));
        for (int i = 0; i < mapLength; ++i)
            map.append(colour(p + pos + i * entryBytes, mapEntryBits, true));
        pos += qsizetype(mapLength) * entryBytes;
    }

    // Data too short for the picture is found before room is made for it: a run-length packet
    // of 1 + pixelBytes bytes gives at most 128 pixels.
    const int pixelBytes = (depth + 7) / 8;
    const qint64 mostRows =
        (n - pos) / (rle ? 1 + pixelBytes : pixelBytes) * (rle ? 128 : 1) / width;
    if (mostRows < height)
        return Failure(PictureTruncated, QStringLiteral("TGA-data slutar på rad %1").arg(mostRows));

    const bool alpha = (descriptor & 0x0F) != 0 && depth == 32;
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return Failure(PictureTooLarge, QStringLiteral("%1 x %2").arg(width).arg(height));
    auto pixel = [&](const uchar* q) -> QRgb {
        if (base == 2)
            return colour(q, depth, alpha);
        if (base == 3)
            return qRgb(q[0], q[0], q[0]);
        const int index = (depth == 16 ? (q[0] | (q[1] << 8)) : q[0]) - mapFirst;
        return index >= 0 && index < map.size() ? map[index] : qRgb(0, 0, 0);
    };

    const bool topDown = descriptor & 0x20;
    const bool rightToLeft = descriptor & 0x10;
    int runLeft = 0;
    bool repeat = false;
    for (int row = 0; row < height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(topDown ? row : height - 1 - row));
        for (int col = 0; col < width; ++col) {
            if (rle && runLeft == 0) {
                if (pos >= n)
                    return Failure(PictureTruncated,
                                   QStringLiteral("TGA-data slutar på rad %1").arg(row));
                runLeft = (p[pos] & 0x7F) + 1;
                repeat = p[pos] & 0x80;
                ++pos;
                if (repeat && pos + pixelBytes > n)
                    return Failure(PictureTruncated,
                                   QStringLiteral("TGA-data slutar på rad %1").arg(row));
            }
            if (!(rle && repeat) && pos + pixelBytes > n)
                return Failure(PictureTruncated,
                               QStringLiteral("TGA-data slutar på rad %1").arg(row));
            line[rightToLeft ? width - 1 - col : col] = pixel(p + pos);
            if (rle) {
                --runLeft;
                if (!repeat || runLeft == 0)
                    pos += pixelBytes;
            } else {
                pos += pixelBytes;
            }
        }
    }
    PictureData d;
    d.OriginalSize = image.size();
    d.Image = std::move(image);
    return d;
}

PictureData ReadPictureFile(const QString& path, QSize fitInto, int page,
                            Qt::AspectRatioMode fitMode)
{
    try {
        // Only a regular file is read: a named pipe would hold the program up for good, and a
        // device may give bytes without end.
        // (A folder is refused by the opening, which says so.)
        const QFileInfo info(path);
        if (info.exists() && !info.isFile() && !info.isDir())
            return Failure(PictureCannotOpen, QStringLiteral("inte en vanlig fil"));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return Failure(PictureCannotOpen, file.errorString());
        if (file.size() > MaxFileBytes)
            return Failure(PictureTooLarge, QStringLiteral("%1 byte").arg(file.size()));
        const QByteArray bytes = file.readAll();
        file.close();
        if (bytes.isEmpty())
            return Failure(PictureTooShort);

        PictureData d;
        const QString suffix = QFileInfo(path).suffix();
        if (bytes.at(0) == 0x0A && bytes.size() >= 4 && uchar(bytes.at(2)) <= 1 &&
            suffix.compare(QLatin1String("pcx"), Qt::CaseInsensitive) == 0) {
            d = DecodePcx(bytes);
        } else if (suffix.compare(QLatin1String("tga"), Qt::CaseInsensitive) == 0) {
            // TGA has no signature to recognise it by; Qt's reader takes only part of the
            // format, so our own reader serves all of it.
            d = DecodeTga(bytes);
        } else {
            QBuffer buffer;
            buffer.setData(bytes);
            buffer.open(QIODevice::ReadOnly);
            // The contents decide the reader, not the file name.
            QImageReader reader(&buffer);
            reader.setDecideFormatFromContent(true);
            reader.setAutoTransform(true);
            const QByteArray format = reader.format();
            if (format.isEmpty()) {
                // No Qt reader recognises it: PCX under another name, or a format we lack.
                if (bytes.at(0) == 0x0A && bytes.size() >= 128)
                    d = DecodePcx(bytes);
                else
                    return Failure(PictureUnknownFormat, QFileInfo(path).fileName());
            } else {
                if (page > 0) {
                    const int count = reader.imageCount();
                    if (page >= count && count > 0)
                        return Failure(PictureNoSuchPage,
                                       QStringLiteral("sida %1 av %2").arg(page).arg(count));
                    if (!reader.jumpToImage(page))
                        return Failure(PictureNoSuchPage, QStringLiteral("sida %1").arg(page));
                }
                const QSize own = reader.size();
                // A picture stored on its side is turned after decoding: fit it turned.
                const bool turned =
                    reader.transformation() & QImageIOHandler::TransformationRotate90;
                if (own.isValid() && fitInto.isValid()) {
                    const QSize fit =
                        FitPictureSize(own, turned ? fitInto.transposed() : fitInto, fitMode);
                    if (fit != own)
                        reader.setScaledSize(fit);
                }
                d.Image = reader.read();
                if (d.Image.isNull()) {
                    const QString detail = reader.errorString();
                    if (reader.error() == QImageReader::UnsupportedFormatError)
                        return Failure(PictureUnknownFormat, detail);
                    return Failure(own.isValid() && qint64(own.width()) * own.height() * 4 >
                                                        AllocationLimitBytes()
                                       ? PictureTooLarge
                                       : PictureCorrupt,
                                   detail);
                }
                if ((format == "jpeg" && !JpegIsComplete(bytes)) ||
                    (format == "bmp" && !BmpIsComplete(bytes)) ||
                    (format == "gif" && !GifIsComplete(bytes)))
                    return Failure(PictureTruncated, QString::fromLatin1(format).toUpper());
                d.OriginalSize = own.isValid() ? own : d.Image.size();
                if (own.isValid() && turned)
                    d.OriginalSize.transpose();
            }
        }
        if (!d.Ok())
            return d;
        if (fitInto.isValid()) {
            const QSize fit = FitPictureSize(d.Image.size(), fitInto, fitMode);
            if (fit != d.Image.size())
                d.Image = d.Image.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        if (d.Image.isNull())
            return Failure(PictureTooLarge);
        return d;
    } catch (const std::bad_alloc&) {
        return Failure(PictureTooLarge, QStringLiteral("minnet räcker inte"));
    }
}

QImage ReadPicture(const QString& path, QString* error, QSize scaledTo, int page)
{
    PictureData d = ReadPictureFile(path, scaledTo, page);
    if (!d.Ok() && error)
        *error = d.Error;
    return d.Image;
}

} // namespace Tonlyra
