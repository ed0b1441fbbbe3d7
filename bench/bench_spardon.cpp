// Copy throughput on a three-minute track of a CD image:
//  - MP3 copy at "Normal" (128 kbit/s) against the command-line encoder on the same PCM with the
//    same bit rate, both timed in this run (target: at least 0.9 times its speed);
//  - wave copy against real time (target: at least 100 times real time).

#include "spardon/CDRIP.h"
#include "spardon/LameCoder.h"

#include "platform/CdDrives.h"
#include "platform/WavHeader.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr int Sectors = 180 * 75;

QByteArray Tone()
{
    const int frames = Sectors * 588;
    QByteArray pcm(frames * 4, Qt::Uninitialized);
    auto* d = reinterpret_cast<uchar*>(pcm.data());
    for (int i = 0; i < frames; ++i) {
        // A chord that changes over time, so that the encoder has real work.
        const double t = i / 44100.0;
        const double v = 0.4 * std::sin(2 * M_PI * 440 * t) + 0.3 * std::sin(2 * M_PI * 660 * t) +
                         0.2 * std::sin(2 * M_PI * (200 + 50 * std::sin(t)) * t);
        qToLittleEndian<qint16>(qint16(std::lround(v * 20000)), d + i * 4);
        qToLittleEndian<qint16>(qint16(std::lround(v * 18000)), d + i * 4 + 2);
    }
    return pcm;
}

bool WriteFile(const QString& path, const QByteArray& a, const QByteArray& b = {})
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(a) == a.size() && f.write(b) == b.size();
}

template <typename F> double BestSeconds(int runs, F f)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!f())
            return -1;
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        best = std::min(best, d.count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Tonlyra::Cd::InstallLogHandler();
    QTemporaryDir dir;
    const QByteArray pcm = Tone();
    const QString cue = dir.filePath(QStringLiteral("bench.cue"));
    const QString wav = dir.filePath(QStringLiteral("source.wav"));
    if (!WriteFile(dir.filePath(QStringLiteral("bench.bin")), pcm) ||
        !WriteFile(cue, "FILE \"bench.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n") ||
        !WriteFile(wav, Tonlyra::Wav::Header(2, 44100, pcm.size()), pcm)) {
        std::fprintf(stderr, "cannot write the fixture\n");
        return 1;
    }
    qputenv("TONLYRA_CD_DRIVES", cue.toLocal8Bit());

    TLameCoder coder;
    TCDRIP rip;
    if (rip.Tracks().size() != 1) {
        std::fprintf(stderr, "the image was not read\n");
        return 1;
    }
    rip.SetCoder(&coder);
    rip.WriteWAV = true;
    const int runs = 3;

    rip.Encode = false;
    const double waveSeconds = BestSeconds(runs, [&] {
        rip.RipTrack(1, dir.filePath(QStringLiteral("copy.wav")));
        return QFile(dir.filePath(QStringLiteral("copy.wav"))).size() > pcm.size();
    });

    rip.Encode = true;
    coder.SetBitrate(128);
    coder.SetQuality(NORMAL_QUALITY);
    const double mp3Seconds = BestSeconds(runs, [&] {
        rip.RipTrack(1, dir.filePath(QStringLiteral("copy.mp3")));
        return QFile(dir.filePath(QStringLiteral("copy.mp3"))).size() > 0;
    });

    const double lameSeconds = BestSeconds(runs, [&] {
        QProcess lame;
        lame.start(QStringLiteral("lame"),
                   {QStringLiteral("--quiet"), QStringLiteral("--noreplaygain"),
                    QStringLiteral("-b"), QStringLiteral("128"), wav,
                    dir.filePath(QStringLiteral("cli.mp3"))});
        return lame.waitForFinished(120000) && lame.exitCode() == 0;
    });

    const double trackSeconds = Sectors / 75.0;
    std::printf("track: %.0f s of CD audio (best of %d runs)\n", trackSeconds, runs);
    std::printf("wave copy:            %.3f s = %.0fx real time (target >= 100x)\n", waveSeconds,
                trackSeconds / waveSeconds);
    std::printf("mp3 copy (128 kbit/s): %.3f s = %.0fx real time\n", mp3Seconds,
                trackSeconds / mp3Seconds);
    if (lameSeconds > 0) {
        std::printf("command-line encoder:  %.3f s = %.0fx real time\n", lameSeconds,
                    trackSeconds / lameSeconds);
        std::printf("mp3 copy speed / command-line speed: %.2f (target >= 0.90)\n",
                    lameSeconds / mp3Seconds);
    } else {
        std::printf("command-line encoder: not available (install lame)\n");
    }
    return 0;
}
