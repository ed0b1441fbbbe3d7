#include "platform/PictureReader.h"
#include "tests/picture/PictureFixtures.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace PictureFixtures;
using Tonlyra::ReadPictureFile;

TEST(PictureReader, ReadsEveryFormatAndItsDamagedForms)
{
    Tonlyra::Test::TempDir dir;
    int n = 0;
    for (const Format& f : EveryFormat()) {
        SCOPED_TRACE(f.Suffix);
        ASSERT_GT(f.Bytes.size(), 100);
        const QString good = dir.File(QStringLiteral("good%1.%2").arg(n).arg(f.Suffix));
        const QString cut = dir.File(QStringLiteral("cut%1.%2").arg(n).arg(f.Suffix));
        const QString garbled = dir.File(QStringLiteral("garbled%1.%2").arg(n).arg(f.Suffix));
        ++n;
        ASSERT_TRUE(WriteBytes(good, f.Bytes));
        ASSERT_TRUE(WriteBytes(cut, f.Bytes.left(f.Bytes.size() * 2 / 3)));
        QByteArray bad = f.Bytes;
        for (int i = 0; i < 24; ++i)
            bad[i] = char(bad[i] ^ 0xA5);
        ASSERT_TRUE(WriteBytes(garbled, bad));

        const Tonlyra::PictureData ok = ReadPictureFile(good);
        EXPECT_TRUE(ok.Ok()) << qPrintable(ok.Error);
        EXPECT_FALSE(ok.Image.isNull());
        EXPECT_EQ(ok.OriginalSize, ok.Image.size());

        for (const QString& broken : {cut, garbled}) {
            const Tonlyra::PictureData d = ReadPictureFile(broken);
            EXPECT_FALSE(d.Ok()) << qPrintable(broken);
            EXPECT_TRUE(d.Image.isNull());
            EXPECT_LT(d.Code, 0);
            EXPECT_FALSE(d.Error.isEmpty());
        }
    }
}

TEST(PictureReader, FormatComesFromTheContentsAndUnknownContentsFailClearly)
{
    Tonlyra::Test::TempDir dir;
    const QString pngAsJpg = dir.File("really-png.jpg");
    ASSERT_TRUE(WriteBytes(pngAsJpg, Encode(Pattern(20, 10), "png")));
    EXPECT_EQ(ReadPictureFile(pngAsJpg).Image.size(), QSize(20, 10));

    const QString text = dir.File("notes.rtf");
    ASSERT_TRUE(
        WriteBytes(text, QByteArray("{\\rtf1\\ansi Hej hej, det här är ingen bild alls.}")));
    const Tonlyra::PictureData d = ReadPictureFile(text);
    EXPECT_EQ(d.Code, Tonlyra::PictureUnknownFormat);
    EXPECT_TRUE(d.Error.startsWith(Tonlyra::PictureErrorText(Tonlyra::PictureUnknownFormat)));

    EXPECT_EQ(ReadPictureFile(dir.File("missing.png")).Code, Tonlyra::PictureCannotOpen);
}

// A picture named by a damaged or hostile overlay or annotation file: a named pipe, a device
// without end, or a header that promises a picture far larger than the data. Each is refused
// at once, without waiting and without making room for the picture first.
TEST(PictureReader, FilesThatAreNoPicturesAreRefusedAtOnce)
{
    Tonlyra::Test::TempDir dir;
    const QString pipe = dir.File("pipe.png");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString& path : {pipe, QStringLiteral("/dev/zero"), dir.Path()})
        EXPECT_EQ(ReadPictureFile(path).Code, Tonlyra::PictureCannotOpen) << qPrintable(path);

    QByteArray tga = Tga(Pattern(2, 2));
    tga[12] = tga[14] = char(0xA0); // 4,000 x 4,000 pixels
    tga[13] = tga[15] = char(0x0F);
    QByteArray rleTga = tga;
    rleTga[2] = 10;
    QByteArray pcx = Pcx24(Pattern(2, 2));
    pcx[8] = pcx[10] = char(0x9F); // 4,000 x 4,000 pixels
    pcx[9] = pcx[11] = char(0x0F);
    pcx[66] = char(0xA0);
    pcx[67] = char(0x0F);
    for (const Tonlyra::PictureData& d :
         {Tonlyra::DecodeTga(tga), Tonlyra::DecodeTga(rleTga), Tonlyra::DecodePcx(pcx)}) {
        EXPECT_EQ(d.Code, Tonlyra::PictureTruncated) << qPrintable(d.Error);
        EXPECT_TRUE(d.Error.contains(QStringLiteral("slutar på rad 0"))) << qPrintable(d.Error);
    }
}

// The texts reach a carer in the program's language, with the reason from the system where
// there is one.
TEST(PictureReader, ErrorsAreSwedish)
{
    Tonlyra::Test::TempDir dir;
    const QByteArray jpeg = Encode(Pattern(400, 300), "jpg");
    ASSERT_TRUE(WriteBytes(dir.File("cut.jpg"), jpeg.left(jpeg.size() * 2 / 3)));
    ASSERT_TRUE(WriteBytes(dir.File("head.jpg"), jpeg.left(120)));
    ASSERT_TRUE(WriteBytes(dir.File("empty.png"), QByteArray()));
    ASSERT_TRUE(WriteBytes(dir.File("notes.rtf"), QByteArray(200, 'x')));
    const struct
    {
        QString Name;
        QString Error;
    } cases[] = {
        {"cut.jpg", "Bildfilen är ofullständig: JPEG"},
        {"head.jpg", "Bildfilen är skadad: Bilddata kan inte läsas"},
        {"empty.png", "Filen är för kort för att rymma en bild"},
        {"notes.rtf", "Okänt bildformat eller ett format som inte stöds: notes.rtf"},
        {"missing.png", "Bildfilen kan inte öppnas: Filen eller mappen finns inte"},
        {".", "Bildfilen kan inte öppnas: filen som ska öppnas är en mapp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadPictureFile(dir.File(c.Name)).Error, c.Error);
}

TEST(PictureReader, ScaledDecodingKeepsProportionsAndReportsTheOwnSize)
{
    Tonlyra::Test::TempDir dir;
    const QString jpg = dir.File("big.jpg");
    ASSERT_TRUE(WriteBytes(jpg, Encode(Pattern(800, 600), "jpg")));
    const QString pcx = dir.File("big.pcx");
    ASSERT_TRUE(WriteBytes(pcx, Pcx24(Pattern(800, 600))));

    struct Case
    {
        QSize Box;
        Qt::AspectRatioMode Mode;
        QSize Decoded;
    };
    const Case cases[] = {
        {QSize(120, 120), Qt::KeepAspectRatio, QSize(120, 90)},
        {QSize(120, 120), Qt::KeepAspectRatioByExpanding, QSize(160, 120)},
        {QSize(2000, 2000), Qt::KeepAspectRatio, QSize(800, 600)}, // never enlarged
        {QSize(), Qt::KeepAspectRatio, QSize(800, 600)},
    };
    for (const QString& path : {jpg, pcx})
        for (const Case& c : cases) {
            SCOPED_TRACE(qPrintable(path));
            const Tonlyra::PictureData d = ReadPictureFile(path, c.Box, 0, c.Mode);
            ASSERT_TRUE(d.Ok()) << qPrintable(d.Error);
            EXPECT_EQ(d.Image.size(), c.Decoded);
            EXPECT_EQ(d.OriginalSize, QSize(800, 600));
        }
}

TEST(PictureReader, PcxPixelsAndPalettes)
{
    Tonlyra::Test::TempDir dir;
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(i, (i * 7) % 256, 255 - i));
    const QString eight = dir.File("eight.pcx");
    ASSERT_TRUE(WriteBytes(eight, Pcx8(37, 5, palette))); // odd width: padded lines
    const QImage p8 = Tonlyra::ReadPicture(eight);
    ASSERT_EQ(p8.size(), QSize(37, 5));
    for (const QPoint pt : {QPoint(0, 0), QPoint(36, 0), QPoint(5, 4), QPoint(36, 4)})
        EXPECT_EQ(p8.pixel(pt), palette[(pt.x() + pt.y()) % 256]) << pt.x() << "," << pt.y();

    const QImage source = Pattern(33, 17);
    const QString rgb = dir.File("rgb.pcx");
    ASSERT_TRUE(WriteBytes(rgb, Pcx24(source)));
    const QImage p24 = Tonlyra::ReadPicture(rgb);
    ASSERT_EQ(p24.size(), source.size());
    EXPECT_EQ(p24.convertToFormat(QImage::Format_RGB32), source);

    // Headers that would make a reader run off its buffers.
    QByteArray header = Pcx8(4, 4, palette);
    QByteArray shortLines = header;
    shortLines[66] = 1; // bytes per line below the width
    shortLines[67] = 0;
    QByteArray huge = header;
    huge[8] = char(0xFF);
    huge[9] = char(0xFF);
    huge[10] = char(0xFF);
    huge[11] = char(0xFF);
    QByteArray planes = header;
    planes[65] = 7;
    for (const QByteArray& bytes : {shortLines, huge, planes, header.left(100)}) {
        const Tonlyra::PictureData d = Tonlyra::DecodePcx(bytes);
        EXPECT_FALSE(d.Ok());
        EXPECT_TRUE(d.Image.isNull());
    }
}

TEST(PictureReader, TiffPagesAreSelectable)
{
    Tonlyra::Test::TempDir dir;
    const QString tif = dir.File("pages.tif");
    ASSERT_TRUE(WriteBytes(tif, Tiff({{8, 4, 40}, {6, 10, 200}})));
    const QImage first = Tonlyra::ReadPicture(tif);
    ASSERT_EQ(first.size(), QSize(8, 4));
    EXPECT_EQ(qGray(first.pixel(0, 0)), 40);
    const QImage second = Tonlyra::ReadPicture(tif, nullptr, QSize(), 1);
    ASSERT_EQ(second.size(), QSize(6, 10));
    EXPECT_EQ(qGray(second.pixel(5, 9)), 200);
    EXPECT_EQ(ReadPictureFile(tif, QSize(), 2).Code, Tonlyra::PictureNoSuchPage);
}
