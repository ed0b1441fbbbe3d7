#pragma once

#include <QString>
#include <QStringList>

namespace Tonlyra {

// The system folders hold data of the program and its libraries shared by the overlays:
// picture bases, the annotation library's text table and stamp library.
//
// SystemFolder() is the user's own: $TONLYRA_SYSTEM_DIR when set (tests point it at a
// temporary folder), else the user's data folder (UserDataFolder(), platform/Paths.h). The
// program writes there. The path has no trailing slash; the folder is not created.
QString SystemFolder();

// The data folder installed with the program (<prefix>/share/tonlyran, found from the program's
// own folder; in the build tree <build>/share/tonlyran), which also holds the demo ("demo/").
// Empty without an application object.
QString InstalledDataFolder();

// The folders searched for system data, in order: SystemFolder(), then the data folder
// installed with the program (<prefix>/share/tonlyran, found from the program's own folder),
// where a site can put picture bases for all users. With $TONLYRA_SYSTEM_DIR set, that folder
// alone.
QStringList SystemFolders();

// The path of the system file name in the first of SystemFolders() that holds it; when none
// does, its path in SystemFolder(), where it would be made.
QString SystemFilePath(const QString& name);

// The paths of the files matching the wildcard nameFilter ("*.ini") in SystemFolders(),
// sorted by file name without regard to case; a file hides one of the same name in a later
// folder.
QStringList SystemFiles(const QString& nameFilter);

} // namespace Tonlyra
