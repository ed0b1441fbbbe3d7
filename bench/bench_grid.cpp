// The player's grid rebuilt from a 10 x 10 overlay whose 100 cells each show a different
// 4000 x 3000 JPEG, in a 1280 x 800 player window: the time of the rebuild until every cell is
// painted (median of several rounds), the peak memory, and one scanning step (the frame moved
// to the next cell and the grid repainted). Two ways of giving the cells their pictures:
//   naive  the rebuild without pictures, then each picture read at full size, cell by cell,
//          and scaled to its room (what a grid that just names each cell's file would cost)
//   grid   the rebuild as it is: every picture decoded at the size of its room, in parallel
// Each way runs in a child process of its own, so that peak memory figures do not mix.
//
// The photos are made once into $TONLYRA_BENCH_CACHE (shared with bench_picture).

#include "bench/support/BenchPictures.h"
#include "overlay/SettingsFormUnit.h"
#include "picture/TMultiP.h"
#include "platform/CdDrives.h"
#include "platform/ProfileFile.h"
#include "platform/UserPrompt.h"
#include "player/ApplicationWindows.h"
#include "player/CellPanel.h"
#include "player/PlayerFormUnit.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace Tonlyra::Bench;

namespace {

constexpr int Side = 10;
const QSize WindowSize(1280, 800);

// A naive cell picture: the full decode is kept only long enough to scale it.
class NaivePicture : public QWidget
{
public:
    using QWidget::QWidget;
    void Load(const QString& path)
    {
        const QImage full(path);
        Picture = full.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Button));
        p.drawImage((width() - Picture.width()) / 2, (height() - Picture.height()) / 2, Picture);
    }

private:
    QImage Picture;
};

QString WriteOverlay(const QString& dir)
{
    Tonlyra::ProfileFile file;
    file.SetPath(QDir(dir).filePath(QStringLiteral("Photos.cdu")));
    file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Rows"), Side);
    file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Cols"), Side);
    for (int k = 1; k <= Side * Side; ++k) {
        const QString key = QString::number(k);
        file.WriteString(QStringLiteral("Media"), key, QStringLiteral("bild%1.wav").arg(k));
        file.WriteString(QStringLiteral("Pictures"), key, PhotoPath(k - 1));
        file.WriteString(QStringLiteral("Texts"), key, QStringLiteral("Bild %1").arg(k));
    }
    file.Save();
    return file.Path();
}

// Loads the pictures the naive way into the grid that was built without them.
void LoadNaively(TPlayerForm* player)
{
    for (int k = 1; k <= Side * Side; ++k) {
        Tonlyra::CellFace* face = player->CellPanelOf(k)->Face();
        face->LabelAlign = Tonlyra::CellFace::Align::Top;
        face->Realign();
        auto* picture = new NaivePicture(face);
        picture->setGeometry(face->Picture->geometry());
        picture->Load(PhotoPath(k - 1));
        picture->show();
    }
}

int RunChild(const QString& mode)
{
    QTemporaryDir start;
    QDir::setCurrent(start.path());
    Tonlyra::UserPrompt::SetResponder([](const Tonlyra::PromptRequest& request) {
        std::fprintf(stderr, "asked: %s: %s\n", qPrintable(request.Caption),
                     qPrintable(request.Text));
        Tonlyra::PromptAnswer answer;
        answer.Button = QMessageBox::Cancel;
        return answer;
    });
    const bool naive = mode == QLatin1String("naive");
    Tonlyra::ApplicationWindows windows({WriteOverlay(start.path())});
    TPlayerForm* player = windows.MainWindow();
    UserSettingsForm->UserSettings.ShowPictures = !naive;
    UserSettingsForm->UserSettings.Spacing = 3;
    player->resize(WindowSize);
    player->show();
    const QDeadlineTimer deadline(60000);
    while (player->FirstActivation && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();

    const int rounds = naive ? 1 : 5;
    std::vector<double> times, cpu;
    for (int round = 0; round < rounds; ++round) {
        // The old cells go before the clock starts.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = CpuMs();
        player->BuildGrid();
        if (naive)
            LoadNaively(player);
        player->grab(); // paints every cell
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(CpuMs() - cpuStart);
    }
    QApplication::processEvents();

    // Scanning steps: the frame moves on to the next cell and the window is repainted.
    std::vector<double> steps;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer timer;
        timer.start();
        player->MarkCell(i % (Side * Side) + 1);
        QApplication::processEvents();
        steps.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("RESULT %.1f %ld %.3f %.1f %d\n", Median(times), PeakRssKb(), Median(steps),
                Median(cpu), player->CellPanelOf(Side * Side) ? 1 : 0);
    return 0;
}

struct Figures
{
    double RebuildMs = 0;
    long PeakKb = 0;
    double StepMs = 0;
    double CpuMs = 0;
    bool Built = false;
};

Figures RunInChild(const QString& program, const QString& mode)
{
    const std::vector<double> n = Tonlyra::Bench::RunChild(program, mode);
    Figures f;
    if (n.size() >= 5) {
        f.RebuildMs = n[0];
        f.PeakKb = static_cast<long>(n[1]);
        f.StepMs = n[2];
        f.CpuMs = n[3];
        f.Built = n[4] == 1;
    }
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Tonlyra::Cd::InstallLogHandler();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("--child"))
        return RunChild(args[2]);

    const double made = MakePhotos();
    std::printf("pictures: %d x 4000x3000 JPEG (q85) in %s, ready in %.1f s\n", PhotoCount,
                qPrintable(PhotoCacheDir()), made);
    const Figures naive = RunInChild(args[0], QStringLiteral("naive"));
    const Figures grid = RunInChild(args[0], QStringLiteral("grid"));
    if (!naive.Built || !grid.Built) {
        std::printf("a child failed to build the grid\n");
        return 1;
    }
    auto row = [&](const char* name, const Figures& f) {
        std::printf("%-6s rebuild %8.1f ms (%.2fx naive), CPU %8.1f ms (%.2fx naive)   "
                    "peak RSS %6.1f MB (%.2fx naive)   scanning step %.3f ms\n",
                    name, f.RebuildMs, f.RebuildMs / naive.RebuildMs, f.CpuMs,
                    f.CpuMs / naive.CpuMs, f.PeakKb / 1024.0, double(f.PeakKb) / naive.PeakKb,
                    f.StepMs);
    };
    row("naive", naive);
    row("grid", grid);
    const bool met = grid.RebuildMs <= 1500 && grid.PeakKb <= 300 * 1024 && grid.StepMs <= 5;
    std::printf("targets (grid: rebuild <= 1500 ms, peak <= 300 MB, step <= 5 ms): %s\n",
                met ? "met" : "NOT met");
    std::printf("(wall-clock figures depend on how busy the machine is; load average now: %s)\n",
                LoadAverage().constData());
    return 0;
}
