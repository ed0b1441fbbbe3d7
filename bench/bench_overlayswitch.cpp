// How long a switch user waits from pressing the switch on a cell that opens another overlay to
// that overlay's grid painted on the screen with all its pictures: a 3 x 3 grid of different
// 4000 x 3000 JPEGs in a 1280 x 800 player window, two-switch scanning, Enter on the framed
// cell. "Painted" is read back from the screen: every cell's picture shows in the window's
// pixels (on the offscreen platform its backing store, on X the server's framebuffer).
//
// Three ways, each in a child process of its own, with medians of several presses:
//   nocache  the thumbnail cache turned off: every photo decoded from its file (the baseline)
//   cold     the cache emptied before each press: photos decoded, thumbnails made
//   warm     the thumbnails there, as after the first use or after they were made ahead
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise (QT_QPA_PLATFORM=xcb
// with DISPLAY set measures on a real X server).

#include "bench/support/BenchEnvironment.h"
#include "bench/support/BenchPictures.h"
#include "overlay/SettingsFormUnit.h"
#include "picture/PictureLoader.h"
#include "picture/TMultiP.h"
#include "platform/ProfileFile.h"
#include "platform/ThumbnailCache.h"
#include "player/Application.h"
#include "session/Session.h"
#include "player/CellPanel.h"
#include "player/PlayerFormUnit.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Tonlyra::Bench;

namespace {

constexpr int Side = 3;
constexpr int Presses = 7;
const QSize WindowSize(1280, 800);
const QColor FaceColour(240, 240, 240);

QString WriteOverlay(const QString& path, int side,
                     const std::function<void(int, Tonlyra::ProfileFile&)>& cell)
{
    Tonlyra::ProfileFile file;
    file.SetPath(path);
    file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Rows"), side);
    file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Cols"), side);
    for (int k = 1; k <= side * side; ++k)
        cell(k, file);
    file.Save();
    return file.Path();
}

// The program's player window, once the program is up.
TPlayerForm* PlayerForm = nullptr;

// Whether the grid on the screen shows every cell's picture (three points of each picture
// away from the face colour).
bool PicturesOnScreen()
{
    QList<TPMultiImage*> pictures;
    for (int k = 1; k <= Side * Side; ++k) {
        Tonlyra::CellPanel* panel = PlayerForm->CellPanelOf(k);
        if (!panel || !panel->Face()->Picture->HasPicture())
            return false;
        pictures.append(panel->Face()->Picture);
    }
    if (PlayerForm->CellPictures->IsLoading())
        return false;
    const QPoint origin = PlayerForm->KnappYta->mapTo(PlayerForm, QPoint(0, 0));
    const QImage shot =
        PlayerForm->screen()
            ->grabWindow(PlayerForm->winId(), origin.x(), origin.y(), PlayerForm->KnappYta->width(),
                         PlayerForm->KnappYta->height())
            .toImage();
    for (TPMultiImage* picture : pictures) {
        const QRect r(picture->mapTo(PlayerForm->KnappYta, QPoint(0, 0)), picture->size());
        int shown = 0;
        for (const QPoint& p : {r.center(), r.topLeft() + QPoint(r.width() / 4, r.height() / 4),
                                r.bottomRight() - QPoint(r.width() / 4, r.height() / 4)})
            shown += shot.valid(p) && QColor(shot.pixel(p)) != FaceColour;
        if (shown < 2)
            return false;
    }
    return true;
}

int RunChild(const QString& mode)
{
    QTemporaryDir start;
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    if (mode == QLatin1String("nocache"))
        qputenv("TONLYRA_NO_THUMBNAILS", "1");
    QDir::setCurrent(start.path());
    QDir().mkpath(QStringLiteral("Overlays"));
    QDir().mkpath(QStringLiteral("Users"));
    AnswerQuestionsWithCancel();

    const QString photos = WriteOverlay(
        QDir(start.path()).filePath(QStringLiteral("Overlays/Foton.cdu")), Side,
        [](int k, Tonlyra::ProfileFile& file) {
            const QString key = QString::number(k);
            file.WriteString(QStringLiteral("Media"), key, QStringLiteral("bild%1.wav").arg(k));
            file.WriteString(QStringLiteral("Pictures"), key, PhotoPath(k - 1));
            file.WriteString(QStringLiteral("Texts"), key, QStringLiteral("Bild %1").arg(k));
        });
    const QString home = WriteOverlay(
        QDir(start.path()).filePath(QStringLiteral("Overlays/Hem.cdu")), 1,
        [&](int k, Tonlyra::ProfileFile& file) {
            const QString key = QString::number(k);
            file.WriteString(QStringLiteral("Media"), key, photos);
            file.WriteString(QStringLiteral("MediaTypes"), key, QStringLiteral("OverlayFile"));
            file.WriteString(QStringLiteral("Texts"), key, QStringLiteral("Foton"));
        });

    Tonlyra::Application windows({home});
    PlayerForm = windows.PlayerForm();
    UserSettings settings;
    settings.ControlMode = ControlMode::TwoSwitchScanControl;
    settings.ButtonColor = 15790320; // FaceColour
    settings.Spacing = 3;
    windows.Session().SetSettings(settings, windows.Session().SettingsFile());
    PlayerForm->resize(WindowSize);
    PlayerForm->show();
    if (!QTest::qWaitForWindowExposed(PlayerForm) ||
        !QTest::qWaitFor([] { return !PlayerForm->FirstActivation; }, 10000)) {
        std::printf("the player window did not come up\n");
        return 2;
    }

    std::vector<double> times;
    for (int press = 0; press < Presses + 1; ++press) {
        // Back on the first overlay, everything settled.
        windows.Session().LoadOverlay(home);
        if (!QTest::qWaitFor([] { return !PlayerForm->CellPictures->IsLoading(); }, 30000) ||
            !Tonlyra::Thumbnails::WaitForBackground(60000)) {
            std::printf("the first overlay did not settle\n");
            return 2;
        }
        QThreadPool::globalInstance()->waitForDone();
        if (mode == QLatin1String("cold"))
            QDir(cache.path()).removeRecursively();
        QTest::qWait(100);
        PlayerForm->CurrentCell = 1;
        PlayerForm->MarkCell(1);
        QApplication::processEvents();

        QElapsedTimer clock;
        clock.start();
        QTest::keyPress(PlayerForm->windowHandle(), Qt::Key_Return);
        while (!PicturesOnScreen() && clock.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double ms = clock.nsecsElapsed() / 1e6;
        QTest::keyRelease(PlayerForm->windowHandle(), Qt::Key_Return);
        if (windows.Session().OverlayFile() != photos || !PicturesOnScreen()) {
            std::printf("press %d did not open the photos\n", press);
            return 2;
        }
        if (press > 0 || mode != QLatin1String("warm")) // the first warm press makes the cache
            times.push_back(ms);
    }
    Tonlyra::Thumbnails::WaitForBackground(60000); // before the cache folder goes
    std::printf("RESULT %.1f %.1f %.1f %ld\n", Median(times),
                *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), PeakRssKb());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Tonlyra::Bench::UseSilentOffscreenEnvironment();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("--child"))
        return RunChild(args[2]);

    const double made = MakePhotos();
    std::printf("pictures: 4000x3000 JPEG (q85) in %s, ready in %.1f s; platform %s\n",
                qPrintable(PhotoCacheDir()), made, qgetenv("QT_QPA_PLATFORM").constData());
    struct Row
    {
        const char* Mode;
        std::vector<double> Figures;
    };
    Row rows[] = {{"nocache", {}}, {"cold", {}}, {"warm", {}}};
    for (Row& row : rows) {
        row.Figures = RunChild(args[0], QString::fromLatin1(row.Mode));
        if (row.Figures.size() < 4) {
            std::printf("the %s child failed\n", row.Mode);
            return 1;
        }
    }
    const double base = rows[0].Figures[0];
    std::printf("overlay cell press to the 3 x 3 grid of photos painted, median of %d presses:\n",
                Presses);
    for (const Row& row : rows)
        std::printf("  %-8s %7.1f ms (%.2fx nocache; min %.1f, max %.1f)   peak RSS %6.1f MB\n",
                    row.Mode, row.Figures[0], row.Figures[0] / base, row.Figures[1], row.Figures[2],
                    row.Figures[3] / 1024.0);
    const bool met = rows[1].Figures[0] <= 400 && rows[2].Figures[0] <= 80;
    std::printf("targets (cold <= 400 ms, warm <= 80 ms): %s\n", met ? "met" : "NOT met");
    std::printf("(wall-clock figures depend on how busy the machine is; load average now: %s)\n",
                LoadAverage().constData());
    return 0;
}
