#include "media/MediaFileCheck.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

namespace Tonlyra {

namespace {

// Fewer bytes than this hold no sound or picture worth playing (a bare header at most).
constexpr qint64 SmallestMediaFile = 64;
// How far into the file an MPEG audio frame is looked for (leading tags or padding).
constexpr qint64 LookAhead = 4096;

bool StartsWith(const QByteArray& head, int at, const char* magic, int length)
{
    return head.size() >= at + length && head.mid(at, length) == QByteArray(magic, length);
}

// An MPEG audio frame header (MP1/2/3, and ADTS AAC): eleven set sync bits, a valid version,
// layer, bit rate and sampling rate.
bool HasMpegAudioFrame(const QByteArray& head)
{
    for (int i = 0; i + 3 < head.size(); ++i) {
        const auto b0 = static_cast<quint8>(head[i]), b1 = static_cast<quint8>(head[i + 1]),
                   b2 = static_cast<quint8>(head[i + 2]);
        if (b0 != 0xFF || (b1 & 0xE0) != 0xE0)
            continue;
        const bool adts = (b1 & 0xF6) == 0xF0; // AAC: layer bits 00
        const bool mpeg =
            (b1 & 0x18) != 0x08 && (b1 & 0x06) != 0 && (b2 & 0xF0) != 0xF0 && (b2 & 0x0C) != 0x0C;
        if (adts || mpeg)
            return true;
    }
    return false;
}

bool KnownMediaHead(const QByteArray& head)
{
    static const struct
    {
        int At;
        const char* Magic;
        int Length;
    } signatures[] = {
        {0, "RIFF", 4},
        {0, "RIFX", 4},
        {0, "RF64", 4}, // WAV, AVI
        {0, "ID3", 3},
        {0, "OggS", 4},
        {0, "fLaC", 4},                             // tagged MP3, Ogg, FLAC
        {0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11", 8}, // WMA, WMV (ASF)
        {4, "ftyp", 4},
        {0, "\x1A\x45\xDF\xA3", 4}, // MP4/M4A/MOV, Matroska/WebM
        {0, "FORM", 4},
        {0, "\x00\x00\x01\xBA", 4}, // AIFF, MPEG program stream
        {0, "\x00\x00\x01\xB3", 4},
        {0, "FLV", 3},
        {0, ".snd", 4}, // MPEG video, FLV, AU
        {0, "#!AMR", 5},
        {0, "MAC ", 4},
        {0, "wvpk", 4}, // AMR, APE, WavPack
        {0, "caff", 4},
        {0, "MThd", 4},
        {4, "moov", 4}, // CAF, MIDI, old QuickTime
        {4, "mdat", 4},
        {4, "free", 4},
        {4, "wide", 4},
    };
    for (const auto& s : signatures)
        if (StartsWith(head, s.At, s.Magic, s.Length))
            return true;
    // An MPEG transport stream: sync bytes every 188 bytes.
    if (head.size() > 188 && head[0] == 0x47 && head[188] == 0x47)
        return true;
    return HasMpegAudioFrame(head);
}

} // namespace

QString MediaFileProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("filen finns inte");
    if (!info.isFile())
        return QStringLiteral("det är ingen fil");
    if (info.size() == 0)
        return QStringLiteral("filen är tom");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("filen kan inte läsas (%1)").arg(file.errorString());
    if (info.size() < SmallestMediaFile)
        return QStringLiteral("filen är för kort för att rymma ljud eller video (%1 byte)")
            .arg(info.size());
    if (!KnownMediaHead(file.read(LookAhead)))
        return QStringLiteral("filens innehåll är inte ljud eller video av något känt slag");
    return QString();
}

} // namespace Tonlyra
