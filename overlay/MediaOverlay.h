#pragma once

#include "platform/ProfileFile.h"

#include <QString>

#include <vector>

// One cell of a media overlay. Every text may be empty; positions are milliseconds, -1 meaning
// "not set" (a start of -1 plays from the beginning, a stop of -1 to the end).
struct OverlayCell
{
    QString Media;     // track number, file path, IR command or "Exit", by MediaType
    QString MediaType; // one of the MediaType keywords below, or empty
    QString Picture;   // path of the cell's picture (see MediaOverlay::Folder)
    QString Text;      // the text shown on the cell
    QString Intro;     // path of an intro sound, or IntroFromMediaMarker
    qint32 MediaStart = -1;
    qint32 MediaStop = -1;
    qint32 IntroStart = -1;
    qint32 IntroStop = -1;
    QString CommPort; // serial port of the IR transmitter ("COM1".."COM6"), IR cells only

    bool operator==(const OverlayCell&) const = default;
};

// The media type keywords, compared exactly and with case.
namespace OverlayMediaType {
inline const QString ArbitraryCD = QStringLiteral("ArbitraryCD");
inline const QString FixedCD = QStringLiteral("FixedCD");
inline const QString SoundFile = QStringLiteral("SoundFile");
inline const QString VideoFile = QStringLiteral("VideoFile");
inline const QString OverlayFile = QStringLiteral("OverlayFile");
inline const QString IRString = QStringLiteral("IRString");
inline const QString Exit = QStringLiteral("Exit");
} // namespace OverlayMediaType

// The value of Intro that means: the intro is the stretch IntroStart..IntroStop of the cell's
// own media.
inline const QString IntroFromMediaMarker = QStringLiteral("Ur vald media");

// The caption the editor shows for a media type keyword; empty for an unknown one.
QString MediaTypeCaption(const QString& mediaType);

// A media overlay: Rows x Cols cells, numbered from 1 row by row from the top left; cell k
// stands in row (k - 1) / Cols and column (k - 1) % Cols, both counted from 0.
//
// Stored in ".cdu" profile files. Sections in the order a fresh file holds them: "Overlay"
// (CD-Identity, Rows, Cols), then one section per cell field, each keyed "1".."N": "Media",
// "Pictures", "Texts", "Sounds", "MediaTypes", "StartPositions", "StopPositions",
// "IntroStartPositions", "IntroStopPositions", "CommPorts".
class MediaOverlay
{
public:
    // Rows and Cols read from a file are kept within 0..MaxRowsOrCols (a negative value gives
    // 0, an overlay without cells), so that a damaged file cannot ask for millions of cells.
    static constexpr int MaxRowsOrCols = 100;

    MediaOverlay() { LayoutCells(2, 2, true); }

    QString CDIdentity;
    int Rows = 2;
    int Cols = 2;
    // The folder of the file the overlay was loaded from ("" when from memory). The cells keep
    // their paths as the file holds them; the accessors below give a relative path of a picture,
    // sound, video or overlay resolved against this folder (Tonlyra::ResolveOverlayPath), so an
    // overlay kept with its media works wherever the folder is copied. Not part of equality.
    QString Folder;

    // N = Rows x Cols.
    int N() const { return static_cast<int>(Cells.size()); }
    const std::vector<OverlayCell>& AllCells() const { return Cells; }

    // Cell k (1..N), or nullptr outside that range.
    const OverlayCell* Cell(int k) const;
    OverlayCell* Cell(int k);

    // Gives the overlay rows x cols cells (negative counts count as 0). Without empty, cells
    // 1..min(N, old N) keep their fields by number and added cells are empty; with empty, every
    // cell is empty.
    void LayoutCells(int rows, int cols, bool empty);

    // N, or 0 when no cell has a non-empty Media.
    int CellCount() const;

    // Accessors for cell k: the empty text, -1 or false for k outside 1..N. The tests that name
    // a file look at the file system on every call, so a file that has gone makes its cell inert.
    // File paths come resolved (see Folder); GetCellMedia resolves only the file media types.
    QString GetCellMedia(int k) const;
    QString GetCellPicture(int k) const;
    QString GetCellText(int k) const;
    QString GetCellIntroSound(int k) const; // Intro when it names an existing file, else empty
    bool IsIntroFromMedia(int k) const;
    qint32 GetCellStart(int k) const;
    qint32 GetCellStop(int k) const;
    qint32 GetCellIntroStart(int k) const;
    qint32 GetCellIntroStop(int k) const;
    QString GetCellCommPort(int k) const;
    QString GetCellMediaType(int k) const;
    bool IsCDTrackCell(int k) const;     // "FixedCD" or "ArbitraryCD"
    bool IsArbitraryCDCell(int k) const; // "ArbitraryCD"
    bool IsSoundFileCell(int k) const;   // "SoundFile" and the file exists
    bool IsVideoFileCell(int k) const;   // "VideoFile" and the file exists
    bool IsOverlayFileCell(int k) const; // "OverlayFile" and the file exists
    bool IsIRCell(int k) const;
    bool IsExitCell(int k) const;

    // Replaces the overlay by the contents of the ".cdu" file at path. A missing
    // or unreadable file gives the defaults: a 2 x 2 overlay of empty cells. Folder := path's.
    void Load(const QString& path);
    // The same from a profile file already in memory; Folder := the folder of its path, if any.
    void Load(const Tonlyra::ProfileFile& file);

    // Writes the overlay into the file at path in one atomic save: sections and keys the overlay
    // does not own stay as they were; cell keys above N left from a larger overlay are removed,
    // and a "Media" section whose keys are not "1".."N" in order is written afresh, so the file
    // always reads back as the overlay written. Sections "Bilder", "Texter" and "Ljud" of an
    // older layout are removed. On failure the file is untouched and the result carries
    // "Unable to write to <path>" with the reason on the line below it; a path that exists but
    // cannot be read fails the same way.
    Tonlyra::SaveResult Save(const QString& path) const;
    // Writes the overlay's keys into file (in memory).
    void WriteTo(Tonlyra::ProfileFile& file) const;

    bool operator==(const MediaOverlay& other) const
    {
        return CDIdentity == other.CDIdentity && Rows == other.Rows && Cols == other.Cols &&
               Cells == other.Cells;
    }

private:
    std::vector<OverlayCell> Cells;
};
