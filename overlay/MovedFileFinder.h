#pragma once

#include "overlay/OverlayFiles.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace Tonlyra {

// A file an overlay names that is not where it says and was not found elsewhere.
struct MissingFile
{
    int Cell = 0;
    OverlayFileKind Kind = OverlayFileKind::Picture;
    QString Stored; // the path as the overlay holds it
    // Two or more different files of its name, found in the same place of the search: none of
    // them was taken, as the finder never guesses between them.
    QStringList Candidates;

    // One line for the carer: "Ruta 3, bild: C:\Bilder\Älg.jpg", with the candidates when there
    // are some.
    QString Describe() const;
};

// What a search for one file gave: the file found, or, when none was taken, the different files
// of its name that stood in the same place of the search (empty when none was found at all).
struct FoundFile
{
    QString Path;
    QStringList Candidates;
};

// Finds the files of overlays whose pictures, sounds, videos, intros and linked overlays were
// moved: copied from the old Windows program (paths like "C:\Bilder\Älg.jpg"), carried to
// another computer, or a folder renamed. A file that is not where the overlay says is looked for,
// first match wins, in this order:
//
//   1. the stored path read as a Windows path as well (drive letter dropped, backslashes as
//      folder separators), its last folders and its name below the overlay's folder, then below
//      the folder that holds that (longest tail first: "Bilder/Djur/Älg.jpg", then "Djur/Älg.jpg");
//   2. beside the overlay file;
//   3. anywhere in the folders under the overlay's folder, then under the folder that holds it
//      (so a set copied as a whole, "Overlays/" beside "Bilder/" and "Ljud/", finds its files);
//   4. anywhere under each of the media folders, in their order.
//
// Names compare without regard to case (and to how accented letters are composed). When a step
// finds two different files of the name (not copies with the same bytes), it takes neither and
// the search ends there: the file is reported missing with both. What was found is remembered
// for the finder's life, as are the names in the folders it looked through (Forget drops both).
// Hidden folders and links to folders are not entered, and a folder tree is looked through only
// so far (MaxDepth, MaxFilesPerTree), so an overlay in a home folder stays quick to open; the
// trees of the file system's root and of the temporary folder are not looked through at all.
class MovedFileFinder
{
public:
    static constexpr int MaxDepth = 8;
    static constexpr int MaxFilesPerTree = 50000;

    void SetMediaFolders(const QStringList& folders);
    const QStringList& MediaFolders() const { return Media; }

    // Where the file that an overlay in overlayFolder names as stored is now.
    FoundFile Find(const QString& stored, const QString& overlayFolder);

    struct Outcome
    {
        int Found = 0;                    // fields given the path of a file found
        std::vector<MissingFile> Missing; // fields whose file is still missing, by cell
    };
    // Looks for every file of overlay that is not where it says (in overlay.Folder) and writes
    // the path of each one found into its cell, in the form StoredPathFor gives. The caller marks
    // the overlay changed when Found > 0, so that the next save keeps the found paths.
    Outcome Repair(MediaOverlay& overlay);
    // "Leta i mapp": every missing file of overlay that is in folder or below it, by name and
    // without a second file of that name there, is taken at once.
    static Outcome RepairFrom(MediaOverlay& overlay, const QString& folder);
    // The missing files of overlay as it stands, without looking for them.
    static std::vector<MissingFile> MissingFiles(MediaOverlay& overlay);

    // Drops what was found and the names read from folders (after files were moved again).
    void Forget();

private:
    // The candidates for a name below root (a path ending without "/"), from the names read.
    QStringList Below(const QString& root, const QString& nameKey);
    // Reads the names below root once, unless a folder above it was read.
    void Cover(const QString& root);
    FoundFile Search(const QString& stored, const QString& overlayFolder);

    QStringList Media;
    QStringList Covered;                   // the folders whose trees were read
    QHash<QString, QStringList> Names;     // folded file name -> files of that name read
    QHash<QString, FoundFile> Remembered;  // stored path + "\n" + overlay folder -> result
};

// The key under which names compare: composed, then folded case.
QString FoldedName(const QString& name);

} // namespace Tonlyra
