#pragma once

#include <QString>

namespace Tonlyra {

// The folder part of path, absolute and ending in "/": the form in which the program keeps the
// folders its file dialogs start in.
QString FolderOf(const QString& path);

// The user's own data folder: "tonlyran" under $XDG_DATA_HOME (~/.local/share when unset), no
// trailing slash. It holds the user's Overlays/ and Users/ when the start folder has none, the
// copy of the demo, and what the program remembers between runs. $TONLYRA_SYSTEM_DIR does not
// move it (that names the system folder alone). Not created here.
QString UserDataFolder();

// The folders overlays (".cdu") and user settings (".usr") are kept in, absolute and ending in
// "/": the start folder's (the current directory's) own "Overlays/" and "Users/" when it has
// them, so that a set-up kept in one folder works as it always did; else "Overlays/" and
// "Users/" in UserDataFolder(), made here when missing so that the file dialogs can start there.
QString OverlaysFolder();
QString UsersFolder();

// Where a file an overlay names is: an absolute path as it stands; a relative one against the
// folder of the overlay file (overlayFolder), so that an overlay travels with its pictures and
// sounds; when it is not there but is in the start folder, there, as older overlays meant it.
// When neither holds it, the path in overlayFolder (it is said missing there). Empty stays empty.
QString ResolveOverlayPath(const QString& stored, const QString& overlayFolder);

// The overlay last put in force while the user settings file settingsFile was applied, as
// remembered in UserDataFolder(); empty when none is remembered or the file has gone.
QString RememberedOverlay(const QString& settingsFile);
// Remembers overlay as the last one of settingsFile. A file that cannot be written costs only
// the remembering (a line to the log).
void RememberOverlay(const QString& settingsFile, const QString& overlay);

} // namespace Tonlyra
