#pragma once

// Picture files written by the tests themselves: formats Qt cannot write (GIF, TGA, PCX,
// multi-page TIFF) are put together byte by byte.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace PictureFixtures {

// A picture with some structure, so that scaling and decoding errors show.
QImage Pattern(int width, int height);

bool WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);

// Saves through Qt's writers ("jpg", "png", "bmp", "tif", "webp", "ico") into bytes.
QByteArray Encode(const QImage& image, const char* format);

// GIF with a 4-colour palette; the pixels are indexes 0..3.
QByteArray Gif(int width, int height);
// Uncompressed 24-bit TGA (version 2, with its footer) of image.
QByteArray Tga(const QImage& image);
// PCX, run-length coded: 8 bits with a 256-colour palette at the end (pixel index = x + y),
// or 24 bits in three planes of image.
QByteArray Pcx8(int width, int height, const QList<QRgb>& palette);
QByteArray Pcx24(const QImage& image);
// Uncompressed 8-bit grey TIFF, one page per entry: (width, height, grey level).
struct TiffPage
{
    int Width, Height, Grey;
};
QByteArray Tiff(const QList<TiffPage>& pages);

// One small picture in every format we read, as file bytes, with the extension to save it under.
struct Format
{
    const char* Suffix;
    QByteArray Bytes;
};
QList<Format> EveryFormat();

} // namespace PictureFixtures
