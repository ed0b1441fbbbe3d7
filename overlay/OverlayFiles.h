#pragma once

#include "overlay/MediaOverlay.h"

#include <QString>

#include <vector>

namespace Tonlyra {

// The kinds of file a cell of an overlay names.
enum class OverlayFileKind { Picture, Sound, Video, Intro, Overlay };

// The kind as the carer reads it in a list of files ("bild", "ljud", ...).
QString FileKindCaption(OverlayFileKind kind);

// One field of a cell that names a file: its cell (1..N), its kind and the field itself, as the
// overlay keeps it (relative or absolute, perhaps a path from the old Windows program).
struct OverlayFileField
{
    int Cell = 0;
    OverlayFileKind Kind = OverlayFileKind::Picture;
    QString* Stored = nullptr;
};

// Every non-empty field of overlay's cells that names a file, cell by cell: the picture, the
// media of a sound, video or overlay cell, and an intro sound that is not a stretch of the
// cell's own media. CD tracks, IR commands and texts name no file. The pointers live as long as
// the overlay keeps its cells.
std::vector<OverlayFileField> FileFields(MediaOverlay& overlay);

// Takes the file of the kind out of cell k: a picture or an intro leaves its field empty (an
// intro its stretch unset too); a sound, video or overlay leaves the cell without media.
void ClearFileField(MediaOverlay& overlay, int k, OverlayFileKind kind);

// True when stored, as an overlay in overlayFolder names it (ResolveOverlayPath), is an
// existing file.
bool FieldFileExists(const QString& stored, const QString& overlayFolder);

// How an overlay in overlayFolder names the file at path: relative to overlayFolder when the
// file lies in that folder or below the folder that holds it (a set copied as a whole keeps
// working wherever it lands), else absolute.
QString StoredPathFor(const QString& path, const QString& overlayFolder);

} // namespace Tonlyra
