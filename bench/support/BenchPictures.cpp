#include "bench/support/BenchPictures.h"

#include "platform/UserPrompt.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

namespace Tonlyra::Bench {

QString PhotoCacheDir()
{
    const QString env = qEnvironmentVariable("TONLYRA_BENCH_CACHE");
    return env.isEmpty() ? QDir::temp().filePath(QStringLiteral("tonlyra-bench-pictures")) : env;
}

QString PhotoPath(int i)
{
    return QDir(PhotoCacheDir())
        .filePath(QStringLiteral("photo%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
}

namespace {

// Gradients, a few shapes and noise: roughly the cost of a real photo to encode and decode.
void MakePhoto(int i)
{
    if (QFile::exists(PhotoPath(i)))
        return;
    QImage image(4000, 3000, QImage::Format_RGB32);
    quint32 seed = 2654435761u * quint32(i + 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 27) - 16;
            const int r = (x * 255 / 4000 + i * 37) % 256;
            const int g = (y * 255 / 3000 + i * 71) % 256;
            const int b = ((x + y) * 255 / 7000 + i * 13) % 256;
            line[x] = qRgb(std::clamp(r + noise, 0, 255), std::clamp(g + noise, 0, 255),
                           std::clamp(b + noise, 0, 255));
        }
    }
    QPainter painter(&image);
    QRandomGenerator random{quint32(i)};
    for (int s = 0; s < 12; ++s) {
        painter.setBrush(QColor::fromRgb(random.generate()));
        painter.drawEllipse(random.bounded(3600), random.bounded(2600), 100 + random.bounded(900),
                            100 + random.bounded(900));
    }
    painter.end();
    const QString tmp = PhotoPath(i) + QStringLiteral(".part");
    image.save(tmp, "jpg", 85);
    QFile::rename(tmp, PhotoPath(i));
}

} // namespace

double MakePhotos()
{
    QDir().mkpath(PhotoCacheDir());
    QElapsedTimer made;
    made.start();
    QList<int> indexes;
    for (int i = 0; i < PhotoCount; ++i)
        indexes.append(i);
    QtConcurrent::blockingMap(indexes, MakePhoto);
    return made.elapsed() / 1000.0;
}

long PeakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

QByteArray LoadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("?");
}

void AnswerQuestionsWithCancel()
{
    Tonlyra::UserPrompt::SetResponder([](const Tonlyra::PromptRequest& request) {
        std::fprintf(stderr, "asked: %s: %s\n", qPrintable(request.Caption),
                     qPrintable(request.Text));
        Tonlyra::PromptAnswer answer;
        answer.Button = QMessageBox::Cancel;
        return answer;
    });
}

std::vector<double> RunChild(const QString& program, const QString& mode)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QStringLiteral("--child"), mode});
    child.waitForFinished(-1);
    std::vector<double> numbers;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith("RESULT ")) {
            const QList<QByteArray> parts = line.split(' ');
            for (qsizetype i = 1; i < parts.size(); ++i)
                numbers.push_back(parts[i].toDouble());
        }
    return numbers;
}

} // namespace Tonlyra::Bench
