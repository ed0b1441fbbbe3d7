#include "tests/support/TestSupport.h"

#include "platform/WavHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>

namespace Tonlyra::Test {

ScriptedPrompts::ScriptedPrompts()
{
    Previous = UserPrompt::SetResponder([this](const PromptRequest& r) { return Answer(r); });
}

ScriptedPrompts::~ScriptedPrompts()
{
    UserPrompt::SetResponder(Previous);
}

ScriptedPrompts& ScriptedPrompts::Add(PromptAnswer answer, std::function<bool(QDialog&)> act)
{
    Answers.push_back({std::move(answer), std::move(act)});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::Button(QMessageBox::StandardButton button)
{
    PromptAnswer a;
    a.Button = button;
    a.Accepted = true;
    return Add(a);
}

ScriptedPrompts& ScriptedPrompts::File(const QString& path)
{
    PromptAnswer a;
    a.Accepted = true;
    a.Path = path;
    return Add(a);
}

ScriptedPrompts& ScriptedPrompts::Color(const QColor& color)
{
    PromptAnswer a;
    a.Accepted = true;
    a.Color = color;
    return Add(a);
}

ScriptedPrompts& ScriptedPrompts::Font(const QFont& font, const QColor& color)
{
    PromptAnswer a;
    a.Accepted = true;
    a.Font = font;
    a.Color = color;
    return Add(a);
}

ScriptedPrompts& ScriptedPrompts::Cancel()
{
    PromptAnswer a;
    a.Button = QMessageBox::Cancel;
    a.Accepted = false;
    return Add(a);
}

ScriptedPrompts& ScriptedPrompts::Dialog(std::function<bool(QDialog& dialog)> act)
{
    return Add(PromptAnswer(), std::move(act));
}

PromptAnswer ScriptedPrompts::Answer(const PromptRequest& request)
{
    Requests.push_back(request);
    if (Answers.empty()) {
        if (!Lenient)
            ADD_FAILURE() << "unexpected question: caption \"" << request.Caption.toStdString()
                          << "\", text \"" << request.Text.toStdString() << "\"";
        PromptAnswer a;
        a.Button = (request.Buttons & QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
        return a;
    }
    Prepared next = std::move(Answers.front());
    Answers.pop_front();
    if (next.Act) {
        if (request.What != PromptRequest::Kind::Dialog || !request.Dialog) {
            ADD_FAILURE() << "a dialog answer for another question: \""
                          << request.Caption.toStdString() << "\"";
            return PromptAnswer();
        }
        next.Answer.Accepted = next.Act(*request.Dialog);
    }
    return next.Answer;
}

TempDir::TempDir()
{
    Dir.setAutoRemove(true);
}

QByteArray ToneSamples(int sectors, double frequency)
{
    const int samples = sectors * 588;
    QByteArray out(samples * 4, Qt::Uninitialized);
    auto* d = reinterpret_cast<uchar*>(out.data());
    for (int i = 0; i < samples; ++i) {
        const double v = frequency > 0 ? std::sin(2 * M_PI * frequency * i / 44100.0) : 0.0;
        const auto s = static_cast<qint16>(std::lround(v * 12000));
        qToLittleEndian<qint16>(s, d + i * 4);
        qToLittleEndian<qint16>(s, d + i * 4 + 2);
    }
    return out;
}

bool WriteWav(const QString& path, int milliseconds, double frequency, int sampleRate, int channels)
{
    const qint64 frames = qint64(sampleRate) * milliseconds / 1000;
    const qint64 dataBytes = frames * channels * 2;
    QByteArray data(dataBytes, Qt::Uninitialized);
    auto* d = reinterpret_cast<uchar*>(data.data());
    for (qint64 i = 0; i < frames; ++i) {
        const double v =
            frequency > 0 ? std::sin(2 * M_PI * frequency * double(i) / sampleRate) : 0.0;
        const auto s = static_cast<qint16>(std::lround(v * 12000));
        for (int c = 0; c < channels; ++c)
            qToLittleEndian<qint16>(s, d + (i * channels + c) * 2);
    }
    const QByteArray header = Tonlyra::Wav::Header(channels, sampleRate, dataBytes);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(header) == header.size() && f.write(data) == dataBytes;
}

QString WriteCdImage(const QString& dir, const QString& baseName,
                     const std::vector<TrackSpec>& tracks)
{
    const QString binPath = QDir(dir).filePath(baseName + QStringLiteral(".bin"));
    const QString cuePath = QDir(dir).filePath(baseName + QStringLiteral(".cue"));
    QFile bin(binPath);
    if (!bin.open(QIODevice::WriteOnly))
        return QString();
    QString cue = QStringLiteral("FILE \"%1.bin\" BINARY\n").arg(baseName);
    int sector = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        bin.write(ToneSamples(tracks[i].Sectors, tracks[i].Frequency));
        cue += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2:%3:%4\n")
                   .arg(int(i + 1), 2, 10, QChar(u'0'))
                   .arg(sector / (75 * 60), 2, 10, QChar(u'0'))
                   .arg((sector / 75) % 60, 2, 10, QChar(u'0'))
                   .arg(sector % 75, 2, 10, QChar(u'0'));
        sector += tracks[i].Sectors;
    }
    QFile cueFile(cuePath);
    if (!cueFile.open(QIODevice::WriteOnly))
        return QString();
    cueFile.write(cue.toUtf8());
    return cuePath;
}

CdDriveOverride::CdDriveOverride(const QStringList& drives)
    : Old(qgetenv("TONLYRA_CD_DRIVES")), HadOld(qEnvironmentVariableIsSet("TONLYRA_CD_DRIVES"))
{
    qputenv("TONLYRA_CD_DRIVES", drives.join(u':').toLocal8Bit());
}

CdDriveOverride::~CdDriveOverride()
{
    if (HadOld)
        qputenv("TONLYRA_CD_DRIVES", Old);
    else
        qunsetenv("TONLYRA_CD_DRIVES");
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size()) << path.toStdString();
}

QString SourceDir()
{
    return qEnvironmentVariable("TONLYRA_TEST_SOURCE_DIR");
}

} // namespace Tonlyra::Test
