#pragma once

#include <QString>

namespace Tonlyra {

// A quick look at a sound or video file, cheap enough to make for every cell of a grid while it
// is built: whether the file is there, holds anything, and begins as a kind of media file the
// playback engine knows. Returns why the file cannot be played, in Swedish and in lower case to
// follow a colon ("" when it looks playable). Only the engine's own try tells for certain that a
// file plays.
QString MediaFileProblem(const QString& path);

} // namespace Tonlyra
