#pragma once

namespace Tonlyra {

// Whether the desktop's seat has a keyboard now.
//
// On Wayland a window is active only while the seat's keyboard is focused on it: with no
// keyboard left (a switch interface that is the machine's only keyboard, pulled out) no window
// is active, although the user may go on with the mouse or other switches. The seat is watched
// over a connection of our own to the compositor, named by WAYLAND_DISPLAY, opened at the
// first call. Elsewhere (X11, where pulling out a keyboard changes no window's activation; the
// offscreen platform; a compositor that cannot be reached) the answer is always true.
bool SeatHasKeyboard();

} // namespace Tonlyra
