#include "spardon/CdRip_dll.h"

#include "platform/CdDrives.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <QString>
#include <QStringList>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

namespace Tonlyra::Spardon {

namespace {

static_assert(std::endian::native == std::endian::little,
              "CR_RipChunk hands over the samples in host order, which must be little-endian");

constexpr std::int32_t LibraryVersion = 120;
constexpr std::int32_t DefaultChunkSectors = 32;
constexpr std::int32_t MaxChunkSectors = 128;
constexpr int FramesPerSector = 588; // stereo 16-bit frames in one 2352-byte sector

struct CdioCloser
{
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};
struct DriveCloser
{
    // The CdIo_t handle belongs to its own holder and is destroyed after the drive.
    void operator()(cdrom_drive_t* d) const { cdio_cddap_close_no_free_cdio(d); }
};
struct ParanoiaFreer
{
    void operator()(cdrom_paranoia_t* p) const { cdio_paranoia_free(p); }
};

struct Drive
{
    QString Path;
    CR_CDROMPARAMS Params;
};

struct Ripper;
// The ripper whose drive reads through CheckedRead (one copy at a time).
Ripper* CheckedRipper = nullptr;

struct Ripper
{
    ~Ripper()
    {
        if (CheckedRipper == this)
            CheckedRipper = nullptr;
    }

    // Declared in the order of opening, so that they are released in the reverse order.
    std::unique_ptr<CdIo_t, CdioCloser> Cdio;
    std::unique_ptr<cdrom_drive_t, DriveCloser> Device;
    std::unique_ptr<cdrom_paranoia_t, ParanoiaFreer> Paranoia;
    std::int32_t First = 0;
    std::int32_t Last = 0;
    std::int32_t Next = 0;
    std::int32_t Format = CR_STEREO44100;
    std::int32_t ChunkSectors = DefaultChunkSectors;
    int Retries = 20;
    bool Reseek = false;
    // The drive's own read function, which CheckedRead wraps, and the sectors it was asked for
    // and could not deliver (not since read after all).
    long (*DriveRead)(cdrom_drive_t*, void*, lsn_t, long) = nullptr;
    std::set<lsn_t> Unread;
};

struct LibraryState
{
    bool Initialised = false;
    std::vector<Drive> Drives;
    std::int32_t Active = 0;
    std::vector<CR_TOCENTRY> Toc; // tracks, then the lead-out
    std::unique_ptr<Ripper> Open;
    // Jitter bookkeeping of the current copy.
    std::int32_t JitterErrors = 0;
    bool JitterPending = false;
    std::int32_t PendingLow = 0;
    std::int32_t PendingHigh = 0;
    std::int32_t LastJitterLow = 0;
    std::int32_t LastJitterHigh = 0;
};

LibraryState& State()
{
    static LibraryState state;
    return state;
}

Drive* ActiveDrive()
{
    LibraryState& s = State();
    if (!s.Initialised || s.Active < 0 || s.Active >= static_cast<std::int32_t>(s.Drives.size()))
        return nullptr;
    return &s.Drives[static_cast<size_t>(s.Active)];
}

CR_CDROMPARAMS DefaultParams(const QString& path, std::int32_t index)
{
    CR_CDROMPARAMS p;
    std::memset(&p, 0, sizeof p);
    const QByteArray name = path.toLocal8Bit().left(sizeof p.DriveName - 1);
    std::memcpy(p.DriveName, name.constData(), static_cast<size_t>(name.size()));
    p.DriveIndex = index;
    p.ChunkSectors = DefaultChunkSectors;
    p.Speed = 0;
    p.Retries = 20;
    p.JitterCorrection = -1;
    p.OutputFormat = CR_STEREO44100;
    return p;
}

// A sector that no disc holds: 588 frames of the same odd sample values. What the drive leaves
// of it was not read.
const std::vector<std::uint8_t>& Canary()
{
    static const std::vector<std::uint8_t> canary = [] {
        std::vector<std::uint8_t> c(Tonlyra::Cd::BytesPerSector);
        for (size_t i = 0; i < c.size(); ++i)
            c[i] = i % 2 ? 0xA5 : 0x5B;
        return c;
    }();
    return canary;
}

// Reads through the drive's own function and hands on only the sectors it really filled. A drive
// may report success for sectors it never wrote (an image whose data ends early leaves the buffer
// as it was): such sectors would reach the copy as silence or as old data. They count as a read
// error instead, which the reader retries and reports, and they are noted as unread.
long CheckedRead(cdrom_drive_t* d, void* p, lsn_t begin, long sectors)
{
    Ripper* r = CheckedRipper;
    if (!r || !r->DriveRead)
        return -1;
    if (!p) // the reader only moving the drive
        return r->DriveRead(d, p, begin, sectors);
    auto* bytes = static_cast<std::uint8_t*>(p);
    const std::vector<std::uint8_t>& canary = Canary();
    for (long i = 0; i < sectors; ++i)
        std::memcpy(bytes + i * canary.size(), canary.data(), canary.size());
    const long got = r->DriveRead(d, p, begin, sectors);
    long filled = 0;
    while (filled < std::min(got, sectors) &&
           std::memcmp(bytes + filled * canary.size(), canary.data(), canary.size()) != 0)
        ++filled;
    for (long i = 0; i < sectors; ++i) {
        if (i < filled)
            r->Unread.erase(begin + i);
        else
            r->Unread.insert(begin + i);
    }
    return filled > 0 ? filled : -1;
}

void ParanoiaCallback(long position, paranoia_cb_mode_t event)
{
    CR_NoteReadEvent(position, static_cast<int>(event));
}

int FramesOut(std::int32_t format)
{
    switch (format) {
    case CR_STEREO22050:
    case CR_MONO22050:
        return FramesPerSector / 2;
    case CR_STEREO11025:
    case CR_MONO11025:
        return FramesPerSector / 4;
    default:
        return FramesPerSector;
    }
}

bool IsMono(std::int32_t format)
{
    return format == CR_MONO44100 || format == CR_MONO22050 || format == CR_MONO11025;
}

// Converts one sector of stereo 44.1 kHz samples to the output format: mono is the mean of the
// two channels, the lower rates the mean of each group of 2 or 4 frames. Returns bytes written.
std::int32_t ConvertSector(const std::int16_t* in, std::int32_t format, std::uint8_t* out)
{
    if (format == CR_STEREO44100) {
        std::memcpy(out, in, FramesPerSector * 4);
        return FramesPerSector * 4;
    }
    const int group = FramesPerSector / FramesOut(format);
    const bool mono = IsMono(format);
    auto* o = reinterpret_cast<std::int16_t*>(out);
    int n = 0;
    for (int f = 0; f < FramesPerSector; f += group) {
        int left = 0;
        int right = 0;
        for (int g = 0; g < group; ++g) {
            left += in[(f + g) * 2];
            right += in[(f + g) * 2 + 1];
        }
        if (mono) {
            o[n++] = static_cast<std::int16_t>((left + right) / (2 * group));
        } else {
            o[n++] = static_cast<std::int16_t>(left / group);
            o[n++] = static_cast<std::int16_t>(right / group);
        }
    }
    return n * 2;
}

} // namespace

std::int32_t CR_GetCDRipVersion()
{
    return LibraryVersion;
}

CR_RESULT CR_Init()
{
    LibraryState& s = State();
    // A running copy keeps its drive: starting again under it would end it half-way.
    if (s.Open)
        return s.Initialised ? CR_OK : CR_ERROR;
    s.Toc.clear();
    s.Drives.clear();
    s.Active = 0;
    Tonlyra::Cd::InstallLogHandler();
    const QStringList drives = Tonlyra::Cd::DriveList();
    for (int i = 0; i < drives.size(); ++i)
        s.Drives.push_back({drives[i], DefaultParams(drives[i], i)});
    s.Initialised = !s.Drives.empty();
    // The active drive is the one whose disc the program shows; without one, the drive the
    // program would choose: the last holding an audio disc.
    s.Active = static_cast<std::int32_t>(drives.indexOf(Tonlyra::Cd::CurrentDrive()));
    if (s.Active < 0) {
        const std::optional<Tonlyra::Cd::AudioDisc> disc = Tonlyra::Cd::FindAudioDisc();
        s.Active = disc ? disc->Index : 0;
    }
    return s.Initialised ? CR_OK : CR_ERROR;
}

CR_RESULT CR_GetCDROMParameters(CR_CDROMPARAMS* params)
{
    Drive* d = ActiveDrive();
    if (!d || !params)
        return CR_ERROR;
    *params = d->Params;
    return CR_OK;
}

CR_RESULT CR_SetCDROMParameters(const CR_CDROMPARAMS* params)
{
    Drive* d = ActiveDrive();
    if (!d || !params)
        return CR_ERROR;
    if (params->OutputFormat < CR_STEREO44100 || params->OutputFormat > CR_MONO11025)
        return CR_ERROR;
    if (params->ChunkSectors < 1 || params->ChunkSectors > MaxChunkSectors)
        return CR_ERROR;
    CR_CDROMPARAMS copy = *params;
    // The drive's identity is the library's, not the caller's.
    std::memcpy(copy.DriveName, d->Params.DriveName, sizeof copy.DriveName);
    copy.DriveIndex = d->Params.DriveIndex;
    d->Params = copy;
    return CR_OK;
}

std::int32_t CR_GetActiveCDROM()
{
    return State().Active;
}

std::int32_t CR_GetNumCDROM()
{
    return static_cast<std::int32_t>(State().Drives.size());
}

CR_RESULT CR_SetActiveCDROM(std::int32_t drive)
{
    LibraryState& s = State();
    if (!s.Initialised || drive < 0 || drive >= static_cast<std::int32_t>(s.Drives.size()))
        return CR_ERROR;
    if (s.Open)
        return CR_ERROR; // not while a copy runs
    s.Active = drive;
    s.Toc.clear();
    return CR_OK;
}

CR_RESULT CR_ReadToc()
{
    LibraryState& s = State();
    s.Toc.clear();
    Drive* d = ActiveDrive();
    if (!d)
        return CR_ERROR;
    const std::optional<Tonlyra::Cd::CdToc> toc = Tonlyra::Cd::ReadToc(d->Path);
    if (!toc || toc->Tracks.empty())
        return CR_ERROR;
    for (const Tonlyra::Cd::CdTrack& t : toc->Tracks)
        s.Toc.push_back({t.FirstSector, static_cast<std::uint8_t>(t.Number), t.IsAudio});
    s.Toc.push_back({toc->LeadOut, 0xAA, false});
    return CR_OK;
}

std::int32_t CR_GetNumTocEntries()
{
    const LibraryState& s = State();
    return s.Toc.empty() ? 0 : static_cast<std::int32_t>(s.Toc.size()) - 1;
}

CR_TOCENTRY CR_GetTocEntry(std::int32_t index)
{
    const LibraryState& s = State();
    if (index < 0 || index >= static_cast<std::int32_t>(s.Toc.size()))
        return {};
    return s.Toc[static_cast<size_t>(index)];
}

CR_RESULT CR_OpenRipper(std::int32_t* bufferSize, std::int32_t first, std::int32_t last)
{
    LibraryState& s = State();
    Drive* d = ActiveDrive();
    if (!d || !bufferSize || first < 0 || last < first)
        return CR_ERROR;
    s.Open.reset();

    auto r = std::make_unique<Ripper>();
    const QByteArray path = d->Path.toLocal8Bit();
    r->Cdio.reset(cdio_open(path.constData(), DRIVER_UNKNOWN));
    if (!r->Cdio)
        return CR_ERROR;
    r->Device.reset(cdio_cddap_identify_cdio(r->Cdio.get(), CDDA_MESSAGE_FORGETIT, nullptr));
    if (!r->Device)
        return CR_ERROR;
    cdio_cddap_verbose_set(r->Device.get(), CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    if (cdio_cddap_open(r->Device.get()) != 0)
        return CR_ERROR;

    // Nothing tells the reader where the disc ends: it goes on delivering buffers past the
    // end, so the range is bounded by the last audio sector of the disc here.
    const lsn_t discLast = cdio_cddap_disc_lastsector(r->Device.get());
    if (discLast < 0 || first > discLast)
        return CR_ERROR;
    last = std::min<std::int32_t>(last, discLast);
    const track_t track = cdio_cddap_sector_gettrack(r->Device.get(), first);
    if (track == CDIO_INVALID_TRACK || !cdio_cddap_track_audiop(r->Device.get(), track))
        return CR_ERROR;

    if (d->Params.Speed > 0)
        cdio_cddap_speed_set(r->Device.get(), d->Params.Speed);
    r->DriveRead = r->Device->read_audio;
    r->Device->read_audio = CheckedRead;
    CheckedRipper = r.get();

    r->Paranoia.reset(cdio_paranoia_init(r->Device.get()));
    if (!r->Paranoia)
        return CR_ERROR;
    cdio_paranoia_modeset(r->Paranoia.get(), d->Params.JitterCorrection
                                                 ? PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP
                                                 : PARANOIA_MODE_DISABLE);
    cdio_paranoia_seek(r->Paranoia.get(), first, SEEK_SET);

    r->First = first;
    r->Last = last;
    r->Next = first;
    r->Format = d->Params.OutputFormat;
    r->ChunkSectors = std::clamp(d->Params.ChunkSectors, 1, MaxChunkSectors);
    r->Retries = std::clamp(d->Params.Retries, 1, 100);
    s.JitterErrors = 0;
    s.JitterPending = false;
    s.LastJitterLow = s.LastJitterHigh = 0;
    *bufferSize = r->ChunkSectors * Tonlyra::Cd::BytesPerSector;
    s.Open = std::move(r);
    return CR_OK;
}

CR_RESULT CR_RipChunk(std::uint8_t* buffer, std::int32_t* bytesRead)
{
    LibraryState& s = State();
    if (bytesRead)
        *bytesRead = 0;
    Ripper* r = s.Open.get();
    // Without an open copy there is nothing (more) to read: report the end so that a reading
    // loop always ends.
    if (!r || r->Next > r->Last)
        return CR_RIP_DONE;
    if (!buffer || !bytesRead)
        return CR_ERROR;

    const std::int32_t count = std::min(r->ChunkSectors, r->Last - r->Next + 1);
    const std::int32_t chunkFirst = r->Next;
    if (r->Reseek) {
        cdio_paranoia_seek(r->Paranoia.get(), chunkFirst, SEEK_SET);
        r->Reseek = false;
    }
    std::int32_t bytes = 0;
    bool failed = false;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int16_t* sector =
            cdio_paranoia_read_limited(r->Paranoia.get(), ParanoiaCallback, r->Retries);
        if (!sector) {
            failed = true;
            break;
        }
        bytes += ConvertSector(sector, r->Format, buffer + bytes);
    }
    r->Next = chunkFirst + count;
    const bool done = r->Next > r->Last;
    // Sectors the drive could not deliver were made up by the reader (as silence): the chunk
    // holds no data of the disc.
    const auto unread = r->Unread.lower_bound(chunkFirst);
    if (unread != r->Unread.end() && *unread < chunkFirst + count)
        failed = true;
    if (failed) {
        r->Reseek = true;
        return CR_ERROR;
    }
    *bytesRead = bytes;
    bool jitter = false;
    if (s.JitterPending) {
        s.JitterPending = false;
        ++s.JitterErrors;
        s.LastJitterLow = s.PendingLow;
        s.LastJitterHigh = s.PendingHigh;
        jitter = true;
    }
    // The end of the copy takes precedence: its status must always be seen.
    if (done)
        return CR_RIP_DONE;
    return jitter ? CR_JITTER_ERROR : CR_OK;
}

std::int32_t CR_GetPercentCompleted()
{
    const Ripper* r = State().Open.get();
    if (!r)
        return 0;
    const std::int64_t total = std::int64_t(r->Last) - r->First + 1;
    const std::int64_t done = std::int64_t(r->Next) - r->First;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(done * 100 / total, 0, 100));
}

std::int32_t CR_GetNumberOfJitterErrors()
{
    return State().JitterErrors;
}

void CR_GetLastJitterErrorPosition(std::int32_t* first, std::int32_t* last)
{
    if (first)
        *first = State().LastJitterLow;
    if (last)
        *last = State().LastJitterHigh;
}

CR_RESULT CR_CloseRipper()
{
    LibraryState& s = State();
    if (!s.Open)
        return CR_ERROR;
    s.Open.reset();
    return CR_OK;
}

void CR_NoteReadEvent(long samplePosition, int paranoiaEvent)
{
    switch (paranoiaEvent) {
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED:
    case PARANOIA_CB_SKIP:
    case PARANOIA_CB_DRIFT:
    case PARANOIA_CB_READERR:
        break;
    default:
        return; // ordinary reading and verification
    }
    LibraryState& s = State();
    const auto sector = static_cast<std::int32_t>(samplePosition / CD_FRAMEWORDS);
    // The reader reads ahead: trouble beyond the copied range is not this copy's.
    if (s.Open && (sector < s.Open->First || sector > s.Open->Last))
        return;
    if (!s.JitterPending) {
        s.JitterPending = true;
        s.PendingLow = s.PendingHigh = sector;
    } else {
        s.PendingLow = std::min(s.PendingLow, sector);
        s.PendingHigh = std::max(s.PendingHigh, sector);
    }
}

} // namespace Tonlyra::Spardon
