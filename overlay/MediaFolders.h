#pragma once

#include "platform/ProfileFile.h"

#include <QString>
#include <QStringList>

namespace Tonlyra {

// The folders the carer has named as media folders ("Mediamappar"): where the program looks for
// the files of an overlay that are not where it says (MovedFileFinder). Kept in the settings file
// of the system folder, "tonlyran.cfg" (not an ".ini": every ".ini" there is a picture base),
// section "Mediamappar", keys "1", "2", ... in order. Read from the first system folder that has
// the file, so a site may name folders for all users; written to the user's own.
QString SystemSettingsPath();
QStringList ReadMediaFolders();
SaveResult WriteMediaFolders(const QStringList& folders);

} // namespace Tonlyra
