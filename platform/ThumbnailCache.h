#pragma once

#include "platform/PictureReader.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <array>

// The desktop's shared thumbnail cache, laid out as the freedesktop.org Thumbnail Managing
// Standard says, so that file managers and this program fill and use the same cache:
// $XDG_CACHE_HOME/thumbnails (or ~/.cache/thumbnails) holds one folder per size; a thumbnail is a
// PNG named by the MD5 of its original's file URI, carries that URI in "Thumb::URI" and the
// original's modification time in "Thumb::MTime", and is no longer than the size of its folder
// on its longest side. Folders are made with the rights 700, thumbnails saved atomically with the
// rights 600.
//
// A cell picture drawn at a few hundred pixels is read from a thumbnail of a few hundred pixels
// in place of a photo of millions. What is read through the cache is the same picture as the one
// the file gives (turned upright, same colours); the cache only saves the work. A cache that is
// missing, cannot be written, is full or holds garbage only costs that saving: pictures are then
// decoded from their files as without the cache.
//
// Never cached (decoded from the file every time): pictures drawn at their own size or larger
// than the largest thumbnail size, pictures no larger than the thumbnail they would get, pages
// of multi-page files other than the first, files in the thumbnail folder itself, and formats
// whose size cannot be read from their header (PCX, TGA, formats without a Qt reader).
//
// Every function is safe to call from any thread.
namespace Tonlyra::Thumbnails {

struct SizeClass
{
    const char* Folder;
    int Pixels; // the longest side of a thumbnail of this size
};
inline constexpr std::array<SizeClass, 4> Sizes{
    {{"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}}};

// What this program writes as "Software" in its thumbnails.
inline constexpr char Software[] = "Tonlyran";

// The cache's folder: $XDG_CACHE_HOME/thumbnails when that is an absolute path, else
// ~/.cache/thumbnails. Empty when the cache is turned off (TONLYRA_NO_THUMBNAILS set and not
// empty).
QString CacheFolder();

// The file URI of a local path as the desktop names the file in its thumbnails: "file://" and
// the absolute path, its bytes percent-encoded except letters, digits and "!$&'()*+,-./:=@_~"
// (the set GLib leaves as they are, so that the names of thumbnails made by file managers match).
QByteArray FileUri(const QString& path);

// Where the thumbnail of the file with this URI is kept in a size's folder of cacheFolder.
QString ThumbnailPath(const QString& cacheFolder, const SizeClass& size, const QByteArray& uri);

// A thumbnail made while a picture was read, still to be saved. Saving (PNG encoding and a
// flushed write) is left to the caller so that the picture can be shown first (see
// SaveInBackground).
class PendingThumbnail
{
public:
    bool IsEmpty() const { return Image.isNull(); }
    // Saves it atomically with the rights 600, making the folders (700) as needed. False when
    // it could not be saved (no cache, no room, no right to write); nothing else happens then.
    bool Save() const;

private:
    friend PictureData ReadPicture(const QString&, QSize, int, Qt::AspectRatioMode,
                                   PendingThumbnail*);
    QString Path;
    QImage Image; // with its text keys
};

// Reads a picture as ReadPictureFile does (same arguments, same result and errors), through the
// cache when the picture is drawn fitted into fitInto: the smallest cached size that holds the
// picture at the size it is decoded at is read in place of the file. When there is none (or it
// is stale: the file's modification time or size differ), the file is decoded at the size of
// the thumbnail it needs, the picture made from that, and the thumbnail handed back in pending
// to be saved; with pending null it is saved at once.
PictureData ReadPicture(const QString& path, QSize fitInto, int page = 0,
                        Qt::AspectRatioMode fitMode = Qt::KeepAspectRatio,
                        PendingThumbnail* pending = nullptr);

// The cache's background thread, of low priority, does the work that can wait: saving
// thumbnails made while pictures were shown, and making thumbnails ahead of time.

// Saves the thumbnail there, before any made ahead.
void SaveInBackground(const PendingThumbnail& thumbnail);

// Makes ahead of time the thumbnails these pictures need to be read from the cache when drawn
// fitted into their boxes. Each call gives up what the previous one left to do; a thumbnail
// already made or found sound in this run is not looked at again.
struct FillRequest
{
    QString Path;
    QSize Box;
};
void FillInBackground(const QList<FillRequest>& pictures);

// Waits until the background thread has done what it was given; false when it has not within
// the time.
bool WaitForBackground(int timeoutMs);

} // namespace Tonlyra::Thumbnails
