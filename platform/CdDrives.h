#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace Tonlyra::Cd {

// libcdio's default log handler ends the process on errors (a folder given as an image, a
// drive that vanished), and its logger aborts when two threads log at once. Every user of
// libcdio calls this first: it installs a handler that writes to stderr and returns, and turns
// libcdio's own messages off unless the environment variable TONLYRA_CDIO_LOG is set. Safe to
// call any number of times from any thread.
void InstallLogHandler();

// The CD drives the program works with, in order. When the environment variable
// TONLYRA_CD_DRIVES is set, it lists them itself, separated by ":" — device paths or CD images
// (".cue" with its ".bin", or a cdrdao ".toc"); an image stands in for a drive holding that
// disc, and an empty value means there are no drives. Otherwise the system's CD drives.
QStringList DriveList();

struct CdTrack
{
    int Number = 0;              // 1-based track number as on the disc
    std::int32_t FirstSector = 0; // logical sector number of the track's first sector
    std::int32_t SectorCount = 0; // sectors up to the next track's start (or the lead-out)
    bool IsAudio = false;
    // Length in milliseconds (75 sectors a second).
    std::int32_t Milliseconds() const
    {
        return static_cast<std::int32_t>(std::int64_t(SectorCount) * 1000 / 75);
    }
};

struct CdToc
{
    std::vector<CdTrack> Tracks;
    std::int32_t LeadOut = 0; // first sector after the last track
    bool HasAudio() const;
};

// Reads the table of contents of the disc in drive (a device or an image). nullopt when the
// drive cannot be opened or holds no readable disc.
std::optional<CdToc> ReadToc(const QString& drive);

// A drive holding a disc with audio tracks: its place in DriveList(), its path and the audio
// tracks of the disc in table-of-contents order.
struct AudioDisc
{
    int Index = -1;
    QString Drive;
    std::vector<CdTrack> Tracks;
};

// Looks at every drive of DriveList() in order; the last one holding a disc with audio tracks
// wins. nullopt when no drive holds one.
std::optional<AudioDisc> FindAudioDisc();

// The drive whose disc the program is working with: the media dialog lists its tracks, and the
// copy library copies from it, so that the disc copied is the disc shown. Empty when none.
QString CurrentDrive();
void SetCurrentDrive(const QString& drive);

constexpr int BytesPerSector = 2352; // 588 stereo 16-bit samples at 44.1 kHz
constexpr int SectorsPerSecond = 75;

} // namespace Tonlyra::Cd
