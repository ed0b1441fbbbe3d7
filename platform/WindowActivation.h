#pragma once

#include <QtGlobal>
#include <qwindowdefs.h>

namespace Tonlyra {

// Makes a top-level window (its native id) the active one. On X11 it asks the window manager to
// activate it (_NET_ACTIVE_WINDOW, sent as a pager sends it, which window managers honour over
// their focus-stealing rules); where no window manager runs it raises the window and gives it
// the input focus itself. False where the desktop gives a program no such power (Wayland, the
// offscreen platform).
bool ActivateWindow(WId window);

// Brings the top-level windows of the process pid to the front, as ActivateWindow does. False
// where the desktop gives a program no such power or the process has no window that names its
// process id (_NET_WM_PID).
bool RaiseWindowsOfProcess(qint64 pid);

} // namespace Tonlyra
