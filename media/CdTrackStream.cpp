#include "media/CdTrackStream.h"

#include "platform/CdDrives.h"
#include "platform/WavHeader.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <mpv/client.h>
#include <mpv/stream_cb.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace Tonlyra {

namespace {

constexpr const char* Scheme = "cdtrack://";
constexpr int SectorsPerRead = 75; // one second of audio per read

struct CdioCloser
{
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};

struct DriveCloser
{
    // cdio_cddap_close also destroys the CdIo_t it was identified from.
    void operator()(cdrom_drive_t* d) const { cdio_cddap_close(d); }
};

// One open track: the header, then sectors FirstSector .. FirstSector + SectorCount - 1.
class TrackReader
{
public:
    std::unique_ptr<cdrom_drive_t, DriveCloser> Drive;
    lsn_t FirstSector = 0;
    std::int64_t SectorCount = 0;
    std::int64_t Offset = 0;
    QByteArray Header;
    std::vector<unsigned char> Cache; // SectorsPerRead sectors starting at CacheSector
    lsn_t CacheSector = -1;
    int CacheSectors = 0;

    std::int64_t Size() const { return Wav::HeaderBytes + SectorCount * Cd::BytesPerSector; }

    void MakeHeader() { Header = Wav::Header(2, 44100, SectorCount * Cd::BytesPerSector); }

    // Copies up to n bytes from Offset; 0 at the end, -1 on a read error.
    std::int64_t Read(char* buffer, std::uint64_t n)
    {
        if (Offset >= Size() || n == 0)
            return 0;
        if (Offset < Wav::HeaderBytes) {
            const std::int64_t count =
                std::min<std::int64_t>(Wav::HeaderBytes - Offset, static_cast<std::int64_t>(n));
            std::memcpy(buffer, Header.constData() + Offset, static_cast<size_t>(count));
            Offset += count;
            return count;
        }
        const std::int64_t dataOffset = Offset - Wav::HeaderBytes;
        const lsn_t sector = static_cast<lsn_t>(FirstSector + dataOffset / Cd::BytesPerSector);
        if (sector < CacheSector || sector >= CacheSector + CacheSectors) {
            const lsn_t end = static_cast<lsn_t>(FirstSector + SectorCount);
            const int count = std::min<int>(SectorsPerRead, end - sector);
            Cache.resize(static_cast<size_t>(SectorsPerRead) * Cd::BytesPerSector);
            const long got = cdio_cddap_read(Drive.get(), Cache.data(), sector, count);
            if (got <= 0) {
                CacheSectors = 0;
                return -1;
            }
            CacheSector = sector;
            CacheSectors = static_cast<int>(got);
        }
        const std::int64_t cacheOffset = std::int64_t(sector - CacheSector) * Cd::BytesPerSector +
                                         dataOffset % Cd::BytesPerSector;
        const std::int64_t available =
            std::int64_t(CacheSectors) * Cd::BytesPerSector - cacheOffset;
        const std::int64_t count = std::min<std::int64_t>(available, static_cast<std::int64_t>(n));
        std::memcpy(buffer, Cache.data() + cacheOffset, static_cast<size_t>(count));
        Offset += count;
        return count;
    }
};

std::int64_t ReadFn(void* cookie, char* buffer, std::uint64_t n)
{
    return static_cast<TrackReader*>(cookie)->Read(buffer, n);
}

std::int64_t SeekFn(void* cookie, std::int64_t offset)
{
    auto* reader = static_cast<TrackReader*>(cookie);
    if (offset < 0 || offset > reader->Size())
        return MPV_ERROR_GENERIC;
    reader->Offset = offset;
    return offset;
}

std::int64_t SizeFn(void* cookie)
{
    return static_cast<TrackReader*>(cookie)->Size();
}

void CloseFn(void* cookie)
{
    delete static_cast<TrackReader*>(cookie);
}

int OpenFn(void*, char* uri, mpv_stream_cb_info* info)
{
    QString drive;
    int track = 0;
    if (!ParseCdTrackUrl(QString::fromUtf8(uri), drive, track))
        return MPV_ERROR_LOADING_FAILED;
    Cd::InstallLogHandler();
    const QByteArray path = drive.toLocal8Bit();
    std::unique_ptr<CdIo_t, CdioCloser> cdio(cdio_open(path.constData(), DRIVER_UNKNOWN));
    if (!cdio)
        return MPV_ERROR_LOADING_FAILED;
    std::unique_ptr<cdrom_drive_t, DriveCloser> d(
        cdio_cddap_identify_cdio(cdio.get(), CDDA_MESSAGE_FORGETIT, nullptr));
    if (!d)
        return MPV_ERROR_LOADING_FAILED;
    cdio.release(); // now owned by the drive
    if (cdio_cddap_open(d.get()) != 0)
        return MPV_ERROR_LOADING_FAILED;
    if (track < 1 || track > cdio_cddap_tracks(d.get()) ||
        !cdio_cddap_track_audiop(d.get(), static_cast<track_t>(track)))
        return MPV_ERROR_LOADING_FAILED;
    const lsn_t first = cdio_cddap_track_firstsector(d.get(), static_cast<track_t>(track));
    const lsn_t last = cdio_cddap_track_lastsector(d.get(), static_cast<track_t>(track));
    if (first < 0 || last < first)
        return MPV_ERROR_LOADING_FAILED;
    auto reader = std::make_unique<TrackReader>();
    reader->Drive = std::move(d);
    reader->FirstSector = first;
    reader->SectorCount = std::int64_t(last) - first + 1;
    reader->MakeHeader();
    info->cookie = reader.release();
    info->read_fn = ReadFn;
    info->seek_fn = SeekFn;
    info->size_fn = SizeFn;
    info->close_fn = CloseFn;
    return 0;
}

} // namespace

QString CdTrackUrl(const QString& drive, int track)
{
    return QLatin1String(Scheme) + drive + u'#' + QString::number(track);
}

bool ParseCdTrackUrl(const QString& url, QString& drive, int& track)
{
    if (!url.startsWith(QLatin1String(Scheme)))
        return false;
    const int hash = url.lastIndexOf(u'#');
    const int from = static_cast<int>(std::strlen(Scheme));
    if (hash <= from)
        return false;
    bool ok = false;
    track = url.mid(hash + 1).toInt(&ok);
    drive = url.mid(from, hash - from);
    return ok && track > 0;
}

int RegisterCdTrackProtocol(mpv_handle* handle)
{
    return mpv_stream_cb_add_ro(handle, "cdtrack", nullptr, OpenFn);
}

} // namespace Tonlyra
