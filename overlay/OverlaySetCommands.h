#pragma once

#include <QString>

class QWidget;

namespace Tonlyra {

class MovedFileFinder;

// The overlay editor's commands for overlay sets and media folders, each asking the carer what
// it needs through UserPrompt and showing progress for large sets (a cancel leaves nothing).

// "Exportera...": asks where to write the set that starts at the overlay file overlayPath (the
// save dialog asks before replacing a file) and writes it; says what was written and which
// files were missing. True when a set was written.
bool ExportSetCommand(QWidget* parent, const QString& overlayPath, MovedFileFinder* finder);

// "Importera...": archive, or when empty the file the carer picks, into a new folder among the
// user's overlays; when that folder exists already, asks whether to replace files of the same
// names (Ja), to use a folder of its own (Nej), or not to import (Avbryt). Returns the first
// overlay of the set imported, or empty.
QString ImportSetCommand(QWidget* parent, const QString& archive = QString());

// "Mediamappar...": the carer's media folders, kept in the system folder's settings. True when
// they were changed.
bool MediaFoldersCommand(QWidget* parent);

} // namespace Tonlyra
