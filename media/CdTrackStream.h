#pragma once

#include <QString>

struct mpv_handle;

namespace Tonlyra {

// The address under which a CD track is played: "cdtrack://<drive>#<track>", where drive is a
// device path or a CD image and track the track number as on the disc.
QString CdTrackUrl(const QString& drive, int track);

// Splits such an address; false when it is not one.
bool ParseCdTrackUrl(const QString& url, QString& drive, int& track);

// Teaches mpv the "cdtrack" protocol: the track is served as a WAV file (44-byte header, then
// the track's sectors read through libcdio), so that positions land on the exact sample.
// Returns mpv's error code (0 on success).
int RegisterCdTrackProtocol(mpv_handle* handle);

} // namespace Tonlyra
