#pragma once

// Small helpers for the copy tests: reading back what was written, decoding MP3 files, working
// the copy dialog.

#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QDialog>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

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

// Clicks a button of the copy dialog by its object name.
inline void ClickButton(QDialog& dialog, const char* name)
{
    auto* button = dialog.findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

// Works the copy dialog as a carer making a wave copy (the file is asked for next).
inline bool CopyAsWave(QDialog& dialog)
{
    ClickButton(dialog, "WaveRadioButton");
    ClickButton(dialog, "CopyButton");
    return false;
}

// The message of the copy error copy raises; empty when it raises none.
template <typename Error> QString ErrorOf(const std::function<void()>& copy)
{
    try {
        copy();
    } catch (const Error& e) {
        return e.Message();
    }
    return QString();
}

} // namespace Tonlyra::Test
