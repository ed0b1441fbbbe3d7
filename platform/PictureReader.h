#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace Tonlyra {

// Why a picture could not be read. The values are negative so that they can travel as the
// reader result code that the picture component reports to its error event.
enum PictureError : int
{
    PictureOk = 0,
    PictureCannotOpen = -1,    // the file is missing or cannot be read
    PictureTooShort = -2,      // the file is too short to hold a picture
    PictureUnknownFormat = -3, // no reader recognises the contents
    PictureCorrupt = -4,       // a reader recognised the format but the data is damaged
    PictureTruncated = -5,     // the file ends before the picture data does
    PictureTooLarge = -6,      // the file or the picture exceeds what we allow in memory
    PictureNoSuchPage = -7,    // a page beyond the last page of a multi-page file
};

// The Swedish text of an error code, as the reader reports it to the user.
QString PictureErrorText(int code);

struct PictureData
{
    QImage Image;         // the decoded bitmap, possibly reduced (see ReadPictureFile)
    QSize OriginalSize;   // the picture's own size in pixels, whatever size was decoded
    int Code = PictureOk; // PictureOk or a PictureError
    QString Error;        // empty on success; else the error text with the reader's details
                          // (Swedish, like PictureErrorText)

    bool Ok() const { return Code == PictureOk; }
};

// Decodes a picture file. The format is recognised from the contents (the file name's
// extension is only a hint), so that a picture saved under the wrong extension still shows.
// Qt's image readers serve JPEG, PNG, BMP, GIF, TIFF, ICO, WEBP and the other formats of the
// installed image plugins; our own readers serve PCX and TGA (by the extension ".tga", as TGA
// has no signature). Truncated JPEG, BMP, GIF and PCX files,
// which decoders would otherwise show with a grey or black remainder, are reported as
// PictureTruncated.
//
// fitInto, when valid, is the largest size the caller will draw the picture at: the picture
// is then decoded at the largest size of its own proportions that fits in it (never larger
// than the picture itself). For JPEG this decodes at a fraction of the cost of a full decode.
// page selects the page (image) of a multi-page file such as TIFF; 0 is the first.
//
// Thread-safe: may be called from worker threads. Never throws; allocation is bounded by
// QImageReader::allocationLimit().
// With fitMode Qt::KeepAspectRatioByExpanding the picture is decoded at the smallest size of its
// own proportions that covers fitInto instead (for drawing stretched to fitInto).
PictureData ReadPictureFile(const QString& path, QSize fitInto = QSize(), int page = 0,
                            Qt::AspectRatioMode fitMode = Qt::KeepAspectRatio);

// The short form: the decoded picture, or a null image with error set to the message.
// scaledTo has the meaning of fitInto above.
QImage ReadPicture(const QString& path, QString* error = nullptr, QSize scaledTo = QSize(),
                   int page = 0);

// The largest size with the proportions of size that fits in box (or, by expanding, the
// smallest that covers it); size itself when that would be larger or box is not valid.
// Never smaller than 1 x 1 for a non-empty size.
QSize FitPictureSize(QSize size, QSize box, Qt::AspectRatioMode mode = Qt::KeepAspectRatio);

// Our PCX reader on bytes in memory (8-bit palette, 24/32-bit, 1-, 2- and 4-bit planar).
PictureData DecodePcx(const QByteArray& bytes);
// Our TGA reader: true colour, grey and colour-mapped, plain and run-length coded.
PictureData DecodeTga(const QByteArray& bytes);

} // namespace Tonlyra
