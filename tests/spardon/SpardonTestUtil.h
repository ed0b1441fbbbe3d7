#pragma once

// Small helpers for the copy tests: reading back what was written and decoding MP3 files.

#include "tests/support/TestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QtEndian>

#include <cstdint>

namespace Tonlyra::Test {


// Bytes of sectors first..last (both included) of a CD image's ".bin".
inline QByteArray ImageSectors(const QString& binPath, int first, int last)
{
    QFile f(binPath);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(qint64(first) * 2352))
        return {};
    return f.read(qint64(last - first + 1) * 2352);
}

inline quint32 Le32(const QByteArray& data, int offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

inline quint16 Le16(const QByteArray& data, int offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

struct Decoded
{
    bool Ok = false;
    int Channels = 0;
    int Rate = 0;
    qint64 Frames = 0; // samples per channel
};

// Decodes an MP3 file with ffmpeg (which honours the encoder-delay information) and counts the
// decoded samples.
inline Decoded DecodeMp3(const QString& path)
{
    Decoded d;
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                 QStringLiteral("stream=channels,sample_rate"), QStringLiteral("-of"),
                 QStringLiteral("csv=p=0"), path});
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
        return d;
    const QList<QByteArray> fields = probe.readAllStandardOutput().trimmed().split(',');
    if (fields.size() < 2)
        return d;
    d.Rate = fields[0].toInt();
    d.Channels = fields[1].toInt();
    QProcess decode;
    decode.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                  QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")});
    if (!decode.waitForFinished(60000) || decode.exitCode() != 0 || d.Channels == 0)
        return d;
    d.Frames = decode.readAllStandardOutput().size() / (2 * d.Channels);
    d.Ok = true;
    return d;
}

} // namespace Tonlyra::Test
