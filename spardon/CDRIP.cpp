#include "spardon/CDRIP.h"

#include "spardon/LameCoder.h"

#include "platform/AtomicFile.h"
#include "platform/CdDrives.h"
#include "platform/WavHeader.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>
#include <cstring>

using namespace Tonlyra::Spardon;

namespace {

const QString InitializationFailure = QStringLiteral("Initialization failure");

// Runs a function when the scope is left, however it is left.
template <typename F> class ScopeExit
{
public:
    explicit ScopeExit(F f) : Action(std::move(f)) {}
    ~ScopeExit() { Action(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F Action;
};

// A failed write of the copy: the component's short message, and why on the line below it.
[[noreturn]] void ThrowWriteError(const QString& message, int error)
{
    throw ECDRIPError(message + u'\n' + Tonlyra::SaveFailureReason(error));
}

void WriteAll(Tonlyra::AtomicFile& file, const void* data, qint64 size)
{
    if (size > 0 && !file.Write(data, size))
        ThrowWriteError(QStringLiteral("Write error"), file.ErrorNumber());
}

} // namespace

ECDRIPError::ECDRIPError(const QString& message)
    : std::runtime_error(message.toStdString()), Text(message)
{}

TCDRIP::TCDRIP(QObject* owner) : QObject(owner)
{
    try {
        Initialise();
    } catch (...) {
        throw ECDRIPError(InitializationFailure);
    }
}

TCDRIP::~TCDRIP()
{
    if (Copying)
        CR_CloseRipper();
}

void TCDRIP::Initialise()
{
    TrackList.clear();
    JitterLines.clear();
    VersionText = QString::number(CR_GetCDRipVersion());
    if (CR_Init() == CR_OK && CR_GetCDROMParameters(&Params) == CR_OK) {
        DriveIndex = CR_GetActiveCDROM();
        TakeParameters();
        SetJitterCorrect(true);
        ReadTracks();
    }
    JitterErrors = 0;
}

void TCDRIP::TakeParameters()
{
    Drive.DriveType = Params.DriveType;
    Drive.ReadMethod = Params.ReadMethod;
    Drive.SetSpeed = Params.SetSpeedMethod;
    Drive.Endian = Params.Endian;
    Drive.EnableMode = Params.EnableMode;
    Drive.Density = Params.Density;
    Drive.Atapi = Params.Atapi != 0;
    Format = static_cast<TOutputFormat>(Params.OutputFormat);
    Speed = Params.Speed;
    Jitter = Params.JitterCorrection != 0;
}

void TCDRIP::ReadTracks()
{
    if (CR_ReadToc() != CR_OK)
        return; // the old list stays
    const std::int32_t count = CR_GetNumTocEntries();
    std::vector<TTrack> tracks;
    tracks.reserve(static_cast<size_t>(std::max(count, 0)));
    for (std::int32_t i = 0; i < count; ++i) {
        TTrack t;
        t.Name = QStringLiteral("Track%1").arg(i + 1, 2, 10, QChar(u'0'));
        t.TrackNumber = i + 1;
        t.StartSector = CR_GetTocEntry(i).StartSector;
        t.EndSector = CR_GetTocEntry(i + 1).StartSector - 1;
        tracks.push_back(t);
    }
    TrackList = std::move(tracks);
}

void TCDRIP::SetCoder(TLameCoder* coder)
{
    CoderRef = coder;
    ApplyOutputFormat();
}

void TCDRIP::SetCDRomNum(std::int32_t drive)
{
    if (drive == DriveIndex)
        return;
    try {
        CR_CDROMPARAMS params;
        if (CR_SetActiveCDROM(drive) == CR_OK && CR_GetCDROMParameters(&params) == CR_OK) {
            Params = params;
            TakeParameters();
            DriveIndex = drive;
        }
        ReadTracks();
    } catch (...) {
        throw ECDRIPError(InitializationFailure);
    }
}

void TCDRIP::SetOutputFormat(TOutputFormat format)
{
    Format = format;
    Params.OutputFormat = static_cast<std::int32_t>(format);
    ApplyOutputFormat();
}

void TCDRIP::SetJitterCorrect(bool on)
{
    Jitter = on;
    Params.JitterCorrection = on ? -1 : 0;
}

int TCDRIP::Channels() const
{
    switch (Format) {
    case TOutputFormat::MONO44100:
    case TOutputFormat::MONO22050:
    case TOutputFormat::MONO11025:
        return 1;
    default:
        return 2;
    }
}

int TCDRIP::Rate() const
{
    switch (Format) {
    case TOutputFormat::STEREO22050:
    case TOutputFormat::MONO22050:
        return 22050;
    case TOutputFormat::STEREO11025:
    case TOutputFormat::MONO11025:
        return 11025;
    default:
        return 44100;
    }
}

void TCDRIP::ApplyOutputFormat()
{
    if (!CoderRef)
        return;
    CoderRef->SetMode(Channels() == 1 ? TLameMode::MONO : TLameMode::STEREO);
    CoderRef->SetSampleRate(Rate());
}

const TTrack& TCDRIP::TrackAt(int track) const
{
    if (track < 1 || track > static_cast<int>(TrackList.size()))
        throw ECDRIPError(QStringLiteral("Spår %1 finns inte på skivan").arg(track));
    return TrackList[static_cast<size_t>(track - 1)];
}

void TCDRIP::RipTrack(int track, const QString& fileName)
{
    const TTrack& t = TrackAt(track);
    if (OnBeginTrack)
        OnBeginTrack(this, static_cast<std::int16_t>(track));
    // The end event comes also when the copy fails, so that listeners always see a pair.
    ScopeExit end([&] {
        if (OnEndTrack)
            OnEndTrack(this, static_cast<std::int16_t>(track));
    });
    RipSectors(t.StartSector, t.EndSector, fileName);
}

void TCDRIP::RipTrackRange(int track, std::int32_t start, std::int32_t length,
                           const QString& fileName)
{
    const TTrack& t = TrackAt(track);
    // The track's length counts its last sector too, so that a stretch that ends where the track
    // ends ("from here to the end") fits.
    const std::int64_t trackMs = (std::int64_t(t.EndSector) - t.StartSector + 1) * 40 / 3;
    if (start < 0 || length < 0 || trackMs < std::int64_t(start) + length)
        throw ECDRIPError(QStringLiteral("Invalid length"));
    // 75 sectors a second: a millisecond is 3/40 of a sector. The sector the stretch ends in is
    // copied too, but never one beyond the track.
    const auto first = static_cast<std::int32_t>(std::int64_t(start) * 3 / 40 + t.StartSector);
    const auto last = static_cast<std::int32_t>(
        std::min<std::int64_t>(first + std::int64_t(length) * 3 / 40, t.EndSector));
    if (OnBeginTrack)
        OnBeginTrack(this, static_cast<std::int16_t>(track));
    ScopeExit end([&] {
        if (OnEndTrack)
            OnEndTrack(this, static_cast<std::int16_t>(track));
    });
    RipSectors(first, last, fileName);
}

QString TCDRIP::ChangeFileExt(const QString& fileName, const QString& extension)
{
    const qsizetype slash = fileName.lastIndexOf(u'/');
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot > slash)
        return fileName.left(dot) + extension;
    return fileName + extension;
}

QString TCDRIP::OutputFileNameFor(const QString& fileName) const
{
    return Encode && CoderRef ? ChangeFileExt(fileName, QStringLiteral(".mp3")) : fileName;
}

void TCDRIP::RipSectors(std::int32_t first, std::int32_t last, const QString& fileName)
{
    if (Copying)
        throw ECDRIPError(QStringLiteral("En kopiering pågår redan"));

    CR_RESULT set = CR_ERROR;
    try {
        set = CR_SetCDROMParameters(&Params);
    } catch (...) {
        throw ECDRIPError(QStringLiteral("Error setting parameters"));
    }
    if (set != CR_OK)
        throw ECDRIPError(QStringLiteral("Invalid CD-ROM parameters"));

    Cancelled = false;
    Written = false;
    std::int32_t libraryChunk = 0;
    if (CR_OpenRipper(&libraryChunk, first, last) != CR_OK)
        return;
    Copying = true;
    ScopeExit closeRipper([&] {
        JitterErrors = CR_GetNumberOfJitterErrors();
        CR_CloseRipper();
        Copying = false;
    });

    const int channels = Channels();
    const int rate = Rate();
    // Without a coder there is nothing to encode with: the copy is then a wave copy.
    TLameCoder* coder = Encode ? CoderRef.data() : nullptr;
    const bool encoding = coder != nullptr;
    const QString outName = OutputFileNameFor(fileName);
    LastOutput = outName;

    std::size_t chunkBytes = 0;
    std::uint32_t chunkSamples = 0;
    if (encoding) {
        // The coder must take the samples in the form the reader delivers them.
        const bool coderMono = coder->Mode() == TLameMode::MONO;
        if (coderMono != (channels == 1) || coder->SampleRate() != rate)
            ApplyOutputFormat();
        if (coder->InitEncoder() != 0)
            throw ECDRIPError(QStringLiteral("MP3-kodaren kunde inte startas"));
        chunkSamples = coder->SamplesPerChunk();
        chunkBytes = std::size_t(chunkSamples) * 2;
    }
    ScopeExit closeEncoder([&] {
        if (coder)
            coder->CloseEncoder();
    });

    // Room for the carried-over remainder (less than one encoder chunk) and one reader chunk.
    std::vector<std::uint8_t> buffer(chunkBytes + static_cast<std::size_t>(libraryChunk));

    Tonlyra::AtomicFile file(outName);
    if (!file.Open())
        ThrowWriteError(QStringLiteral("Cannot create file %1").arg(outName), file.ErrorNumber());

    const bool waveHeader = WriteWAV && !encoding;
    if (waveHeader) {
        const double expected = std::round(double(last - first) / 75.0 * channels * rate * 2.0);
        WriteAll(file, Tonlyra::Wav::Header(channels, rate, expected).constData(),
                 Tonlyra::Wav::HeaderBytes);
    }

    const qsizetype firstJitterLine = JitterLines.size();
    std::size_t carry = 0;
    qint64 dataBytes = 0;
    // Every sector of the range must arrive: a chunk that cannot be read (a damaged disc, one
    // taken out, an image whose data ends early) ends the copy as an error.
    const qint64 sectorBytes =
        qint64(Tonlyra::Cd::BytesPerSector / 4) * rate / 44100 * channels * 2;
    const qint64 expectedBytes = (qint64(last) - first + 1) * sectorBytes;
    qint64 readBytes = 0;
    bool readFailed = false;
    for (;;) {
        if (Cancelled)
            break;
        std::int32_t got = 0;
        const CR_RESULT status = CR_RipChunk(buffer.data() + carry, &got);
        if (status == CR_ERROR) {
            readFailed = true;
            break;
        }
        if (got > 0) {
            got = std::min(got, libraryChunk);
            readBytes += got;
            if (encoding) {
                const std::size_t available = carry + static_cast<std::size_t>(got);
                std::size_t pos = 0;
                for (; available - pos >= chunkBytes; pos += chunkBytes) {
                    const std::uint32_t n = coder->EncodeChunk(
                        reinterpret_cast<const std::int16_t*>(buffer.data() + pos), chunkSamples);
                    WriteAll(file, coder->OutputBuffer(), n);
                }
                carry = available - pos;
                if (carry > 0 && pos > 0)
                    std::memmove(buffer.data(), buffer.data() + pos, carry);
            } else {
                WriteAll(file, buffer.data(), got);
                dataBytes += got;
            }
        }
        if (status == CR_JITTER_ERROR) {
            std::int32_t a = 0;
            std::int32_t b = 0;
            CR_GetLastJitterErrorPosition(&a, &b);
            JitterLines.append(QStringLiteral("%1 %2").arg(a).arg(b));
        }
        if (OnProgress)
            OnProgress(this, static_cast<std::int16_t>(CR_GetPercentCompleted()));
        // Lets the interface run (and its cancel button reach CancelRip).
        QCoreApplication::processEvents();
        if (status == CR_RIP_DONE)
            break;
    }

    if (!Cancelled && (readFailed || readBytes != expectedBytes)) {
        file.Discard();
        throw ECDRIPError(
            QStringLiteral("CD-skivan kunde inte läsas till slut. Ingen fil har sparats."));
    }

    if (encoding) {
        // The remainder, less than one chunk, ends the sound and is encoded too.
        if (carry > 0 && !Cancelled) {
            const std::uint32_t n =
                coder->EncodeChunk(reinterpret_cast<const std::int16_t*>(buffer.data()),
                                   static_cast<std::uint32_t>(carry / 2));
            WriteAll(file, coder->OutputBuffer(), n);
        }
        WriteAll(file, coder->OutputBuffer(), coder->FinishEncoder());
        const QByteArray tag = coder->TagFrame();
        if (!tag.isEmpty() && !Cancelled) {
            if (!file.Seek(0))
                ThrowWriteError(QStringLiteral("Write error"), file.ErrorNumber());
            WriteAll(file, tag.constData(), tag.size());
        }
        coder->CloseEncoder();
    }
    if (waveHeader && !Cancelled) {
        // The header states the length of the data that was really written.
        if (!file.Seek(0))
            ThrowWriteError(QStringLiteral("Write error"), file.ErrorNumber());
        WriteAll(file, Tonlyra::Wav::Header(channels, rate, dataBytes).constData(),
                 Tonlyra::Wav::HeaderBytes);
    }

    if (Cancelled) {
        file.Discard();
        return;
    }
    // The log beside the file holds the errors of this copy; the component's own log keeps
    // those of every copy. It is written first: a copy whose log could not be written is not
    // put in place, so the files never disagree with each other.
    const QStringList copyLines = JitterLines.mid(firstJitterLine);
    int logError = 0;
    if (!copyLines.isEmpty() &&
        !Tonlyra::SaveFileAtomically(ChangeFileExt(outName, QStringLiteral(".jitt")),
                                     copyLines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n",
                                     &logError))
        ThrowWriteError(QStringLiteral("Write error"), logError);
    if (!file.Commit())
        ThrowWriteError(QStringLiteral("Write error"), file.ErrorNumber());
    Written = true;
}
