// A 10 x 10 grid of cells in a 1280 x 800 window, each showing a different 4000 x 3000 JPEG.
// Measures the time until every cell is painted (median of several rounds) and the peak
// memory, for three ways of loading:
//   naive   each picture decoded at full size, then smoothly scaled to its cell
//   serial  TPMultiImage::SetImageName cell by cell, after layout (decoded at cell size)
//   batch   a PictureLoader after layout (decoded at cell size, in the background, in parallel)
// The thumbnail cache is off here: this measures decoding (bench_grid measures the cache).
// Each way runs in a child process of its own, so that peak memory figures do not mix.
// Also measures one repaint of one cell whose frame colour changed.
//
// The pictures are made once into $TONLYRA_BENCH_CACHE (default: a folder in the temp dir).

#include "bench/support/BenchPictures.h"
#include "picture/PictureLoader.h"
#include "picture/TMultiP.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QProcess>

#include <algorithm>
#include <cstdio>

namespace {

using namespace Tonlyra::Bench;

constexpr int PictureCount = PhotoCount;
constexpr int Columns = 10, Rows = 10;
const QSize WindowSize(1280, 800);
const QSize PictureArea(124, 76); // the room for the picture inside one 128 x 80 cell

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

    Tonlyra::PictureLoader loader;
    loader.OnPictureLoaded = FitPicture;
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
                naive[i]->Load(PhotoPath(i));
        } else if (mode == QLatin1String("serial")) {
            for (int i = 0; i < PictureCount; ++i) {
                images[i]->SetImageName(PhotoPath(i));
                FitPicture(images[i]);
            }
        } else {
            QList<Tonlyra::PictureLoader::Load> loads;
            for (int i = 0; i < PictureCount; ++i)
                loads.append({images[i], PhotoPath(i), PictureArea});
            loader.Start(loads);
            while (loader.IsLoading())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
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
    const std::vector<double> n = Tonlyra::Bench::RunChild(program, mode);
    Figures f;
    if (n.size() >= 4) {
        f.ShowMs = n[0];
        f.PeakKb = static_cast<long>(n[1]);
        f.RepaintMs = n[2];
        f.CpuMs = n[3];
    }
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TONLYRA_NO_THUMBNAILS", "1");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("--child"))
        return RunChild(args[2]);

    const double madeSeconds = MakePhotos();
    std::printf("pictures: %d x 4000x3000 JPEG (q85) in %s, ready in %.1f s\n", PictureCount,
                qPrintable(PhotoCacheDir()), madeSeconds);

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
                LoadAverage().constData());
    return 0;
}
