// The player's grid rebuilt from a 10 x 10 overlay whose 100 cells each show a different
// 4000 x 3000 JPEG, in a 1280 x 800 player window: the time of the rebuild until every cell is
// painted with its picture (median of several rounds), the time until the grid shows with its
// texts, the peak memory, and one scanning step (the frame moved to the next cell and the grid
// repainted). Ways of giving the cells their pictures:
//   naive    the rebuild without pictures, then each picture read at full size, cell by cell,
//            and scaled to its room (what a grid that just names each cell's file would cost)
//   nocache  the rebuild with the thumbnail cache turned off: every picture decoded in the
//            background at the size of its room (the baseline of the cache's ratios)
//   cold     the rebuild with the cache emptied before each round: pictures decoded, their
//            thumbnails made and saved
//   warm     the rebuild with the thumbnails there (made by a child run before)
// Each way runs in a child process of its own, with a cache folder of its own, so that peak
// memory figures do not mix.
//
// The photos are made once into $TONLYRA_BENCH_CACHE (shared with bench_picture).

#include "bench/support/BenchPictures.h"
#include "overlay/SettingsFormUnit.h"
#include "picture/PictureLoader.h"
#include "picture/TMultiP.h"
#include "platform/CdDrives.h"
#include "platform/ProfileFile.h"
#include "platform/ThumbnailCache.h"
#include "player/Application.h"
#include "session/Session.h"
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
#include <QThreadPool>

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
    // The warm child uses the cache its parent had filled by a child of its own, so that its
    // peak memory is that of rebuilds with the thumbnails there.
    QTemporaryDir ownCache;
    const QString cacheHome = mode == QLatin1String("warm") || mode == QLatin1String("fill")
                                  ? qEnvironmentVariable("XDG_CACHE_HOME")
                                  : ownCache.path();
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome));
    if (mode == QLatin1String("nocache"))
        qputenv("TONLYRA_NO_THUMBNAILS", "1");
    QDir::setCurrent(start.path());
    AnswerQuestionsWithCancel();
    const bool naive = mode == QLatin1String("naive");
    const bool cold = mode == QLatin1String("cold");
    Tonlyra::Application windows({WriteOverlay(start.path())});
    TPlayerForm* player = windows.PlayerForm();
    UserSettings settings = windows.Session().Settings();
    settings.ShowPictures = !naive;
    settings.Spacing = 3;
    windows.Session().SetSettings(settings, windows.Session().SettingsFile());
    player->resize(WindowSize);
    player->show();
    const QDeadlineTimer deadline(60000);
    while ((player->FirstActivation || player->CellPictures->IsLoading()) && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();

    const int rounds = naive || mode == QLatin1String("fill") ? 1 : cold ? 3 : 5;
    std::vector<double> times, cpu, texts;
    for (int round = 0; round < rounds; ++round) {
        // The old cells go before the clock starts; the cache is emptied for a cold round.
        Tonlyra::Thumbnails::WaitForBackground(60000);
        if (cold)
            QDir(QDir(cacheHome).filePath(QStringLiteral("thumbnails"))).removeRecursively();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = CpuMs();
        player->BuildGrid();
        player->grab(); // the grid with its texts
        texts.push_back(timer.nsecsElapsed() / 1e6);
        if (naive)
            LoadNaively(player);
        while (player->CellPictures->IsLoading())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        player->grab(); // paints every cell with its picture
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(CpuMs() - cpuStart);
    }
    QApplication::processEvents();
    const bool pictures = naive || player->CellPanelOf(Side * Side)->Face()->Picture->HasPicture();

    // Scanning steps: the frame moves on to the next cell and the window is repainted.
    std::vector<double> steps;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer timer;
        timer.start();
        player->MarkCell(i % (Side * Side) + 1);
        QApplication::processEvents();
        steps.push_back(timer.nsecsElapsed() / 1e6);
    }
    Tonlyra::Thumbnails::WaitForBackground(60000); // before the cache folder goes
    std::printf("RESULT %.1f %ld %.3f %.1f %d %.1f\n", Median(times), PeakRssKb(), Median(steps),
                Median(cpu), player->CellPanelOf(Side * Side) && pictures ? 1 : 0, Median(texts));
    return 0;
}

struct Figures
{
    double RebuildMs = 0;
    long PeakKb = 0;
    double StepMs = 0;
    double CpuMs = 0;
    bool Built = false;
    double TextsMs = 0;
};

Figures RunInChild(const QString& program, const QString& mode)
{
    const std::vector<double> n = Tonlyra::Bench::RunChild(program, mode);
    Figures f;
    if (n.size() >= 6) {
        f.RebuildMs = n[0];
        f.PeakKb = static_cast<long>(n[1]);
        f.StepMs = n[2];
        f.CpuMs = n[3];
        f.Built = n[4] == 1;
        f.TextsMs = n[5];
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
    const char* modes[] = {"naive", "nocache", "cold", "warm"};
    Figures figures[4];
    QTemporaryDir warmCache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(warmCache.path()));
    RunInChild(args[0], QStringLiteral("fill"));
    for (int i = 0; i < 4; ++i) {
        figures[i] = RunInChild(args[0], QString::fromLatin1(modes[i]));
        if (!figures[i].Built) {
            std::printf("the %s child failed to build the grid\n", modes[i]);
            return 1;
        }
    }
    const Figures& base = figures[1];
    for (int i = 0; i < 4; ++i) {
        const Figures& f = figures[i];
        std::printf("%-8s rebuild %8.1f ms (%.2fx nocache), CPU %8.1f ms (%.2fx nocache), "
                    "texts shown %6.1f ms   peak RSS %6.1f MB (%.2fx nocache)   "
                    "scanning step %.3f ms\n",
                    modes[i], f.RebuildMs, f.RebuildMs / base.RebuildMs, f.CpuMs,
                    f.CpuMs / base.CpuMs, f.TextsMs, f.PeakKb / 1024.0,
                    double(f.PeakKb) / base.PeakKb, f.StepMs);
    }
    const Figures& warm = figures[3];
    const bool met = warm.RebuildMs <= 150 && warm.PeakKb <= base.PeakKb && warm.StepMs <= 5;
    std::printf("targets (warm: rebuild <= 150 ms, peak no higher than nocache, step <= 5 ms): "
                "%s\n",
                met ? "met" : "NOT met");
    std::printf("(wall-clock figures depend on how busy the machine is; load average now: %s)\n",
                LoadAverage().constData());
    return 0;
}
