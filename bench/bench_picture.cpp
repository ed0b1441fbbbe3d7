// A 10 x 10 grid of cells in a 1280 x 800 window, each showing a different 4000 x 3000 JPEG.
// Measures the time until every cell is painted (median of several rounds) and the peak
// memory, for three ways of loading:
//   naive   each picture decoded at full size, then smoothly scaled to its cell
//   serial  TPMultiImage::SetImageName cell by cell, after layout (decoded at cell size)
//   batch   TPMultiImage::LoadImages after layout (decoded at cell size, in parallel)
// Each way runs in a child process of its own, so that peak memory figures do not mix.
// Also measures one repaint of one cell whose frame colour changed.
//
// The pictures are made once into $TONLYRA_BENCH_CACHE (default: a folder in the temp dir).

#include "picture/TMultiP.h"

#include <QApplication>
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

namespace {

constexpr int PictureCount = 100;
constexpr int Columns = 10, Rows = 10;
const QSize WindowSize(1280, 800);
const QSize PictureArea(124, 76); // the room for the picture inside one 128 x 80 cell

QString CacheDir()
{
    const QString env = qEnvironmentVariable("TONLYRA_BENCH_CACHE");
    return env.isEmpty() ? QDir::temp().filePath(QStringLiteral("tonlyra-bench-pictures")) : env;
}

QString PicturePath(int i)
{
    return QDir(CacheDir()).filePath(QStringLiteral("photo%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
}

// Gradients, a few shapes and noise: roughly the cost of a real photo to encode and decode.
void MakePicture(int i)
{
    if (QFile::exists(PicturePath(i)))
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
    const QString tmp = PicturePath(i) + QStringLiteral(".part");
    image.save(tmp, "jpg", 85);
    QFile::rename(tmp, PicturePath(i));
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

// CPU time of the process so far (all threads), in milliseconds: a figure that a machine busy
// with other work disturbs less than the wall-clock time.
double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The naive cell: a full decode kept only long enough to scale it.
class NaiveCell : public QWidget
{
public:
    using QWidget::QWidget;
    void Load(const QString& path)
    {
        const QImage full(path);
        Picture = full.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    QImage Picture;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::lightGray);
        p.drawImage((width() - Picture.width()) / 2, (height() - Picture.height()) / 2, Picture);
    }
};

// The cell's picture placed as the grid fits it: the largest size of its proportions that
// fits the area, centred.
void FitPicture(TPMultiImage* image)
{
    if (image->PictureWidth() < 1 || image->PictureHeight() < 1)
        return;
    const QSize fit = QSize(image->PictureWidth(), image->PictureHeight())
                          .scaled(PictureArea, Qt::KeepAspectRatio);
    image->setGeometry(2 + (PictureArea.width() - fit.width()) / 2,
                       2 + (PictureArea.height() - fit.height()) / 2, fit.width(), fit.height());
}

int RunChild(const QString& mode)
{
    QWidget window;
    window.resize(WindowSize);
    const QSize cellSize(WindowSize.width() / Columns, WindowSize.height() / Rows);
    QList<QWidget*> panels;
    QList<TPMultiImage*> images;
    QList<NaiveCell*> naive;
    for (int i = 0; i < PictureCount; ++i) {
        auto* panel = new QWidget(&window);
        panel->setGeometry((i % Columns) * cellSize.width(), (i / Columns) * cellSize.height(),
                           cellSize.width(), cellSize.height());
        panel->setAutoFillBackground(true);
        panels.append(panel);
        if (mode == QLatin1String("naive")) {
            auto* cell = new NaiveCell(panel);
            cell->setGeometry(QRect(QPoint(2, 2), PictureArea));
            naive.append(cell);
        } else {
            auto* image = new TPMultiImage(panel);
            image->setGeometry(QRect(QPoint(2, 2), PictureArea));
            image->SetStretch(true);
            image->SetCenter(true);
            image->SetColor(Qt::lightGray);
            images.append(image);
        }
    }
    window.show();
    QApplication::processEvents();

    const int rounds = mode == QLatin1String("naive") ? 1 : mode == QLatin1String("serial") ? 3 : 5;
    std::vector<double> times, cpu;
    for (int round = 0; round < rounds; ++round) {
        for (TPMultiImage* image : images) {
            image->SetImageName(QString());
            image->setGeometry(QRect(QPoint(2, 2), PictureArea));
        }
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = CpuMs();
        if (mode == QLatin1String("naive")) {
            for (int i = 0; i < PictureCount; ++i)
                naive[i]->Load(PicturePath(i));
        } else if (mode == QLatin1String("serial")) {
            for (int i = 0; i < PictureCount; ++i) {
                images[i]->SetImageName(PicturePath(i));
                FitPicture(images[i]);
            }
        } else {
            QList<TPMultiImage::ImageLoad> loads;
            for (int i = 0; i < PictureCount; ++i)
                loads.append({images[i], PicturePath(i), PictureArea});
            TPMultiImage::LoadImages(loads);
            for (TPMultiImage* image : images)
                FitPicture(image);
        }
        window.grab(); // paints every cell
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(CpuMs() - cpuStart);
    }

    // One cell's frame changes colour and the cell is repainted.
    std::vector<double> repaints;
    QWidget* panel = panels[55];
    QWidget* face = mode == QLatin1String("naive") ? static_cast<QWidget*>(naive[55])
                                                   : static_cast<QWidget*>(images[55]);
    for (int i = 0; i < 200; ++i) {
        QPalette palette = panel->palette();
        palette.setColor(QPalette::Window, i % 2 ? Qt::red : Qt::darkGray);
        QElapsedTimer timer;
        timer.start();
        panel->setPalette(palette);
        panel->repaint();
        face->repaint();
        repaints.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("RESULT %.1f %ld %.3f %.1f\n", Median(times), PeakRssKb(), Median(repaints),
                Median(cpu));
    return 0;
}

struct Figures
{
    double ShowMs = 0;
    long PeakKb = 0;
    double RepaintMs = 0;
    double CpuMs = 0;
};

Figures RunInChild(const QString& program, const QString& mode)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QStringLiteral("--child"), mode});
    child.waitForFinished(-1);
    Figures f;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith("RESULT ")) {
            const QList<QByteArray> parts = line.split(' ');
            f.ShowMs = parts.value(1).toDouble();
            f.PeakKb = parts.value(2).toLong();
            f.RepaintMs = parts.value(3).toDouble();
            f.CpuMs = parts.value(4).toDouble();
        }
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("--child"))
        return RunChild(args[2]);

    QDir().mkpath(CacheDir());
    QElapsedTimer made;
    made.start();
    QList<int> indexes;
    for (int i = 0; i < PictureCount; ++i)
        indexes.append(i);
    QtConcurrent::blockingMap(indexes, MakePicture);
    std::printf("pictures: %d x 4000x3000 JPEG (q85) in %s, ready in %.1f s\n", PictureCount,
                qPrintable(CacheDir()), made.elapsed() / 1000.0);

    const Figures naive = RunInChild(args[0], QStringLiteral("naive"));
    const Figures serial = RunInChild(args[0], QStringLiteral("serial"));
    const Figures batch = RunInChild(args[0], QStringLiteral("batch"));
    auto row = [&](const char* name, const Figures& f) {
        std::printf("%-8s show all %8.1f ms (%.2fx naive), CPU %8.1f ms (%.2fx naive)   "
                    "peak RSS %6.1f MB (%.2fx naive)   repaint one cell %.3f ms\n",
                    name, f.ShowMs, f.ShowMs / naive.ShowMs, f.CpuMs, f.CpuMs / naive.CpuMs,
                    f.PeakKb / 1024.0, double(f.PeakKb) / naive.PeakKb, f.RepaintMs);
    };
    row("naive", naive);
    row("serial", serial);
    row("batch", batch);
    const bool met = batch.ShowMs <= 1500 && batch.PeakKb <= 300 * 1024 && batch.RepaintMs <= 5;
    std::printf("targets (batch: show <= 1500 ms, peak <= 300 MB, repaint <= 5 ms): %s\n",
                met ? "met" : "NOT met");
    std::printf("(wall-clock figures depend on how busy the machine is; load average now: %s)\n",
                [] {
                    QFile f(QStringLiteral("/proc/loadavg"));
                    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("?");
                }()
                    .constData());
    return 0;
}
