#pragma once

#include <QString>

namespace Tonlyra {

// The folder that holds system-wide data of the program and its libraries: picture bases,
// the annotation library's text table and stamp library. It is $TONLYRA_SYSTEM_DIR when set
// (tests point it at a temporary folder), else "tonlyran" under the user's XDG data folder.
// The path has no trailing slash; the folder is not created.
QString SystemFolder();

} // namespace Tonlyra
