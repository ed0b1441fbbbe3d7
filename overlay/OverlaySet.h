#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace Tonlyra {

class MovedFileFinder;

// Export and import of an overlay set: an overlay, every overlay it links to (followed through
// the whole set, cycles allowed) and every picture, sound, video and intro they use, in one
// ".tonlyran" file, a ZIP archive:
//
//   Tonlyran-export.ini   section "Export": Format (1), Start (the file name of the first overlay)
//   <name>.cdu            the overlays, their files named relative to them
//   Bilder/, Ljud/, Video/ the pictures; the sounds and intros; the videos
//
// Two different files of the same name get "<name> (2).<ext>"; a file used by many cells is
// held once. CD tracks stay references to the disc. Pictures, videos and compressed sounds are
// stored as they are, the rest deflated.

// Called with the bytes done and the bytes in all; returning false cancels.
using SetProgress = std::function<bool(qint64 done, qint64 total)>;

inline const QString SetSuffix = QStringLiteral("tonlyran");
inline const QString SetFilter = QStringLiteral("Överläggsamling|*.tonlyran");

struct SetExportResult
{
    bool Ok = false;
    bool Cancelled = false;
    QString Error;         // why it failed, in Swedish, for the carer
    int Overlays = 0;      // overlays in the file
    int Files = 0;         // pictures, sounds, videos and intros in the file
    QStringList Missing;   // "<overlay>: Ruta 3, bild: C:\Bilder\Älg.jpg", not in the file
};

// Writes the set that starts at the overlay file overlayPath to archivePath, all or nothing: a
// cancel, a full disk or any other failure leaves archivePath as it was. An existing file is
// replaced only with replace (the caller has asked). With a finder, files that are not where an
// overlay says are looked for first (MovedFileFinder::Repair); what is still missing is left out
// and listed.
SetExportResult ExportOverlaySet(const QString& overlayPath, const QString& archivePath,
                                 bool replace, const SetProgress& progress = {},
                                 MovedFileFinder* finder = nullptr);

struct SetImportOptions
{
    QString Folder = {};  // where the set lands; made when missing
    bool Replace = false; // files already in Folder with the names of the set's may be replaced
    SetProgress Progress = {};
};

struct SetImportResult
{
    bool Ok = false;
    bool Cancelled = false;
    QString Error;            // why it failed, in Swedish, for the carer
    QStringList Existing;     // without Replace: the files of Folder the set would replace
    QString Folder;           // where the set landed
    QString FirstOverlay;     // the overlay to open
    QStringList Overlays;     // every overlay of the set, where it landed
    QStringList Missing;      // files the overlays name that the set does not hold
};

// Unpacks the set in archivePath into options.Folder. The whole file is checked before anything
// is written: a damaged or hostile file (an entry outside the folder by ".." or an absolute path,
// a link, a device, a name twice, far more bytes unpacked than the file holds) is refused with a
// Swedish message, as is a set that would replace files without Replace (they are listed in
// Existing) or that does not fit on the disk. The files are unpacked into a hidden folder beside
// Folder and moved in only when all are written, so a cancel or a full disk leaves no half set;
// nothing is ever written outside Folder and that hidden folder. Every path of the overlays is
// then made to name where its file landed (relative to the overlay).
SetImportResult ImportOverlaySet(const QString& archivePath, const SetImportOptions& options);

// Where a set is imported when the carer names no folder: "Overlays/<name of the file>" in the
// user's overlays folder (OverlaysFolder()).
QString DefaultImportFolder(const QString& archivePath);

// wanted when it does not exist, else the first of "<wanted> 2", "<wanted> 3", ... that does not.
QString UnusedFolder(const QString& wanted);

} // namespace Tonlyra
