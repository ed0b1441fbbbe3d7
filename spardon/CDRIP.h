#pragma once

// Copying audio CD sectors to a wave or MP3 file.

#include "spardon/CdRip_dll.h"
#include "spardon/LameCoder.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

// The error the copy component raises; the message is short English text.
class ECDRIPError : public std::runtime_error
{
public:
    explicit ECDRIPError(const QString& message);
    QString Message() const { return Text; }

private:
    QString Text;
};

enum class TOutputFormat : std::int32_t
{
    STEREO44100 = 0,
    MONO44100 = 1,
    STEREO22050 = 2,
    MONO22050 = 3,
    STEREO11025 = 4,
    MONO11025 = 5,
};

// What the reading library says about the drive; informational only.
class TDriveTableClass
{
public:
    std::int32_t DriveType = 0;
    std::int32_t ReadMethod = 0;
    std::int32_t SetSpeed = 0;
    std::int32_t Endian = 0;
    std::int32_t EnableMode = 0;
    std::int32_t Density = 0;
    bool Atapi = false;
};

class TTrack
{
public:
    QString Name;        // "Track01" ...
    int TrackNumber = 0; // 1-based
    std::int32_t StartSector = 0;
    std::int32_t EndSector = 0; // last sector of the track
};

class TCDRIP : public QObject
{
    Q_OBJECT
public:
    using TrackEvent = std::function<void(TCDRIP* sender, std::int16_t track)>;
    using ProgressEvent = std::function<void(TCDRIP* sender, std::int16_t percent)>;

    // Initialises the reading library and reads the disc in the active drive. Raises
    // ECDRIPError "Initialization failure" when anything goes wrong on the way; no drive or no
    // readable disc is not an error (the track list is then empty).
    explicit TCDRIP(QObject* owner = nullptr);
    ~TCDRIP() override;

    TLameCoder* Coder() const { return CoderRef.data(); }
    void SetCoder(TLameCoder* coder);
    std::int32_t CDRomNum() const { return DriveIndex; }
    void SetCDRomNum(std::int32_t drive);
    TOutputFormat OutputFormat() const { return Format; }
    void SetOutputFormat(TOutputFormat format);
    bool Encode = false;
    bool WriteWAV = false;
    bool JitterCorrect() const { return Jitter; }
    void SetJitterCorrect(bool on);
    std::int32_t Speed = 0;
    QString Version() const { return VersionText; }
    const TDriveTableClass& DriveTable() const { return Drive; }
    const std::vector<TTrack>& Tracks() const { return TrackList; }
    const QStringList& JitterLog() const { return JitterLines; }
    std::int32_t JitterErrorCount() const { return JitterErrors; }
    // The parameter record as it will be handed to the reading library.
    const Tonlyra::Spardon::CR_CDROMPARAMS& Parameters() const { return Params; }

    TrackEvent OnBeginTrack;
    TrackEvent OnEndTrack;
    ProgressEvent OnProgress;

    // Copies a whole track (1-based number).
    void RipTrack(int track, const QString& fileName);
    // Copies `length` milliseconds of a track from `start` milliseconds after its beginning.
    void RipTrackRange(int track, std::int32_t start, std::int32_t length, const QString& fileName);
    // Copies sectors first to last (both included). An MP3 copy replaces the name's extension by
    // ".mp3". The file appears under its name only when the copy is complete: a cancelled or
    // failed copy leaves any earlier file of that name as it was.
    void RipSectors(std::int32_t first, std::int32_t last, const QString& fileName);
    // Stops a running copy before its next chunk.
    void CancelRip() { Cancelled = true; }

    bool IsCopying() const { return Copying; }
    // The file the last copy wrote (or would have written).
    QString OutputFileName() const { return LastOutput; }
    // Whether the last copy ran to its end and its file is in place.
    bool OutputWritten() const { return Written; }

    // The file a copy to fileName writes: an MP3 copy replaces the extension by ".mp3".
    QString OutputFileNameFor(const QString& fileName) const;

    // Replaces the extension of the file name part (or appends one when there is none).
    static QString ChangeFileExt(const QString& fileName, const QString& extension);

private:
    void Initialise();
    void TakeParameters();
    void ReadTracks();
    void ApplyOutputFormat();
    int Channels() const;
    int Rate() const;
    const TTrack& TrackAt(int track) const;

    QPointer<TLameCoder> CoderRef;
    std::int32_t DriveIndex = 0;
    TOutputFormat Format = TOutputFormat::STEREO44100;
    bool Jitter = false;
    QString VersionText;
    TDriveTableClass Drive;
    std::vector<TTrack> TrackList;
    QStringList JitterLines;
    std::int32_t JitterErrors = 0;
    Tonlyra::Spardon::CR_CDROMPARAMS Params{};
    bool Cancelled = false;
    bool Copying = false;
    QString LastOutput;
    bool Written = false;
};
