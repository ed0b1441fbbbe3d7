#include "tests/picture/PictureFixtures.h"

#include <QBuffer>
#include <QFile>

namespace PictureFixtures {

namespace {

void Put16(QByteArray& b, int v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}

void Put32(QByteArray& b, quint32 v)
{
    Put16(b, int(v & 0xFFFF));
    Put16(b, int(v >> 16));
}

// Run-length codes one plane line of PCX.
void PcxLine(QByteArray& out, const QByteArray& line)
{
    for (qsizetype i = 0; i < line.size();) {
        qsizetype run = 1;
        while (i + run < line.size() && run < 63 && line[i + run] == line[i])
            ++run;
        const auto v = uchar(line[i]);
        if (run > 1 || (v & 0xC0) == 0xC0)
            out.append(char(0xC0 | run));
        out.append(char(v));
        i += run;
    }
}

QByteArray PcxHeader(int width, int height, int planes, int bytesPerLine)
{
    QByteArray h(128, '\0');
    h[0] = 0x0A;
    h[1] = 5;
    h[2] = 1;
    h[3] = 8;
    auto put16 = [&](int at, int v) {
        h[at] = char(v & 0xFF);
        h[at + 1] = char((v >> 8) & 0xFF);
    };
    put16(8, width - 1);
    put16(10, height - 1);
    h[65] = char(planes);
    put16(66, bytesPerLine);
    put16(68, 1);
    return h;
}

} // namespace

QImage Pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb(x * 255 / width, y * 255 / height, (x / 8 + y / 8) % 2 * 255));
    return image;
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray Gif(int width, int height)
{
    QByteArray b("GIF89a");
    Put16(b, width);
    Put16(b, height);
    b.append(char(0x81)); // global table of 4 colours
    b.append('\0');
    b.append('\0');
    const char table[] = {0, 0, 0, char(255), 0, 0, 0, char(255), 0, 0, 0, char(255)};
    b.append(table, sizeof table);
    b.append(',');
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, width);
    Put16(b, height);
    b.append('\0');
    b.append(char(2)); // minimum code size
    // 3-bit codes throughout: a clear code before every two pixels keeps the table small.
    QByteArray data;
    quint32 acc = 0;
    int bits = 0;
    auto code = [&](int c) {
        acc |= quint32(c) << bits;
        bits += 3;
        while (bits >= 8) {
            data.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    };
    int n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (n++ % 2 == 0)
                code(4);
            code((x + y) % 4);
        }
    code(5);
    if (bits > 0)
        data.append(char(acc & 0xFF));
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const QByteArray block = data.mid(i, 255);
        b.append(char(block.size()));
        b.append(block);
    }
    b.append('\0');
    b.append(';');
    return b;
}

QByteArray Tga(const QImage& image)
{
    QByteArray b(18, '\0');
    b[2] = 2; // uncompressed true colour
    b[12] = char(image.width() & 0xFF);
    b[13] = char(image.width() >> 8);
    b[14] = char(image.height() & 0xFF);
    b[15] = char(image.height() >> 8);
    b[16] = 24;
    b[17] = 0x20; // top-left origin
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            b.append(char(qBlue(p)));
            b.append(char(qGreen(p)));
            b.append(char(qRed(p)));
        }
    // The version 2 footer: no extension or developer area.
    b.append(QByteArray(8, '\0'));
    b.append(QByteArray("TRUEVISION-XFILE.", 17));
    b.append('\0');
    return b;
}

QByteArray Pcx8(int width, int height, const QList<QRgb>& palette)
{
    const int bytesPerLine = (width + 1) / 2 * 2;
    QByteArray b = PcxHeader(width, height, 1, bytesPerLine);
    for (int y = 0; y < height; ++y) {
        QByteArray line(bytesPerLine, '\0');
        for (int x = 0; x < width; ++x)
            line[x] = char((x + y) % 256);
        PcxLine(b, line);
    }
    b.append(char(0x0C));
    for (int i = 0; i < 256; ++i) {
        const QRgb c = palette.value(i);
        b.append(char(qRed(c)));
        b.append(char(qGreen(c)));
        b.append(char(qBlue(c)));
    }
    return b;
}

QByteArray Pcx24(const QImage& image)
{
    const int bytesPerLine = (image.width() + 1) / 2 * 2;
    QByteArray b = PcxHeader(image.width(), image.height(), 3, bytesPerLine);
    for (int y = 0; y < image.height(); ++y)
        for (int plane = 0; plane < 3; ++plane) {
            QByteArray line(bytesPerLine, '\0');
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                line[x] = char(plane == 0 ? qRed(p) : plane == 1 ? qGreen(p) : qBlue(p));
            }
            PcxLine(b, line);
        }
    return b;
}

QByteArray Tiff(const QList<TiffPage>& pages)
{
    QByteArray b("II*\0", 4);
    Put32(b, 8);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const TiffPage& p = pages[i];
        const int entries = 9;
        const quint32 ifdSize = 2 + entries * 12 + 4;
        const quint32 dataAt = quint32(b.size()) + ifdSize;
        const quint32 dataSize = quint32(p.Width * p.Height);
        const quint32 next = i + 1 < pages.size() ? dataAt + dataSize + (dataSize % 2) : 0;
        Put16(b, entries);
        auto entry = [&](int tag, int type, quint32 value) {
            Put16(b, tag);
            Put16(b, type);
            Put32(b, 1);
            if (type == 3) {
                Put16(b, int(value));
                Put16(b, 0);
            } else {
                Put32(b, value);
            }
        };
        entry(256, 4, quint32(p.Width));
        entry(257, 4, quint32(p.Height));
        entry(258, 3, 8);
        entry(259, 3, 1);
        entry(262, 3, 1);
        entry(273, 4, dataAt);
        entry(277, 3, 1);
        entry(278, 4, quint32(p.Height));
        entry(279, 4, dataSize);
        Put32(b, next);
        b.append(QByteArray(int(dataSize), char(p.Grey)));
        if (dataSize % 2)
            b.append('\0');
    }
    return b;
}

QList<Format> EveryFormat()
{
    const QImage pattern = Pattern(64, 48);
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(i, 255 - i, i / 2));
    return {{"jpg", Encode(pattern, "jpg")},
            {"png", Encode(pattern, "png")},
            {"bmp", Encode(pattern, "bmp")},
            {"tif", Encode(pattern, "tif")},
            {"webp", Encode(pattern, "webp")},
            {"ico", Encode(Pattern(32, 32), "ico")},
            {"gif", Gif(64, 48)},
            {"tga", Tga(pattern)},
            {"pcx", Pcx8(64, 48, palette)},
            {"pcx", Pcx24(pattern)}};
}

} // namespace PictureFixtures
