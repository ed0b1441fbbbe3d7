#include "platform/CdDrives.h"

#include "platform/Logging.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <memory>
#include <mutex>

namespace Tonlyra::Cd {

namespace {

void LogToCdCategory(cdio_log_level_t level, const char* message)
{
    if (level >= CDIO_LOG_WARN)
        qCWarning(Log::Cd, "libcdio: %s", message);
}

struct CdioCloser
{
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};

} // namespace

void InstallLogHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        cdio_log_set_handler(LogToCdCategory);
        // libcdio's logger guards against recursion with one unsynchronised flag and aborts the
        // process when two threads log at the same moment — and we read discs from mpv's threads
        // while the interface thread reads tables of contents. So its messages stay off (every
        // failure comes back to us as a result anyway) unless TONLYRA_CDIO_LOG asks for them
        // while tracking a problem down.
        if (!qEnvironmentVariableIsSet("TONLYRA_CDIO_LOG"))
            cdio_loglevel_default = static_cast<cdio_log_level_t>(CDIO_LOG_ASSERT + 1);
    });
}

QStringList DriveList()
{
    InstallLogHandler();
    if (qEnvironmentVariableIsSet("TONLYRA_CD_DRIVES"))
        return qEnvironmentVariable("TONLYRA_CD_DRIVES").split(u':', Qt::SkipEmptyParts);
    QStringList drives;
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    if (devices) {
        for (char** d = devices; *d; ++d)
            drives.append(QString::fromLocal8Bit(*d));
        cdio_free_device_list(devices);
    }
    return drives;
}

bool CdToc::HasAudio() const
{
    for (const CdTrack& t : Tracks)
        if (t.IsAudio)
            return true;
    return false;
}

std::optional<CdToc> ReadToc(const QString& drive)
{
    InstallLogHandler();
    const QByteArray path = drive.toLocal8Bit();
    std::unique_ptr<CdIo_t, CdioCloser> cdio(cdio_open(path.constData(), DRIVER_UNKNOWN));
    if (!cdio)
        return std::nullopt;
    const track_t first = cdio_get_first_track_num(cdio.get());
    const track_t count = cdio_get_num_tracks(cdio.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return std::nullopt;
    CdToc toc;
    toc.LeadOut = cdio_get_track_lsn(cdio.get(), CDIO_CDROM_LEADOUT_TRACK);
    if (toc.LeadOut == CDIO_INVALID_LSN)
        return std::nullopt;
    for (track_t i = 0; i < count; ++i) {
        const track_t t = static_cast<track_t>(first + i);
        CdTrack track;
        track.Number = t;
        track.FirstSector = cdio_get_track_lsn(cdio.get(), t);
        if (track.FirstSector == CDIO_INVALID_LSN)
            return std::nullopt;
        track.IsAudio = cdio_get_track_format(cdio.get(), t) == TRACK_FORMAT_AUDIO;
        toc.Tracks.push_back(track);
    }
    for (size_t i = 0; i < toc.Tracks.size(); ++i) {
        const std::int32_t next =
            i + 1 < toc.Tracks.size() ? toc.Tracks[i + 1].FirstSector : toc.LeadOut;
        toc.Tracks[i].SectorCount = std::max<std::int32_t>(0, next - toc.Tracks[i].FirstSector);
    }
    return toc;
}

std::optional<AudioDisc> FindAudioDisc()
{
    std::optional<AudioDisc> found;
    const QStringList drives = DriveList();
    for (int i = 0; i < drives.size(); ++i) {
        const std::optional<CdToc> toc = ReadToc(drives[i]);
        if (!toc)
            continue;
        AudioDisc disc{i, drives[i], {}};
        for (const CdTrack& t : toc->Tracks)
            if (t.IsAudio)
                disc.Tracks.push_back(t);
        if (!disc.Tracks.empty())
            found = std::move(disc);
    }
    return found;
}

namespace {

std::mutex CurrentDriveLock;
QString& CurrentDriveName()
{
    static QString name;
    return name;
}

} // namespace

QString CurrentDrive()
{
    const std::lock_guard lock(CurrentDriveLock);
    return CurrentDriveName();
}

void SetCurrentDrive(const QString& drive)
{
    const std::lock_guard lock(CurrentDriveLock);
    CurrentDriveName() = drive;
}

} // namespace Tonlyra::Cd
