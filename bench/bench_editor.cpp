// The overlay editor with a 10 x 10 overlay, on the offscreen platform with the program's real
// windows:
//   opening  from "&Inställningar för media" to the editor on screen (grid filled, columns laid
//            out, window exposed and painted), against a plain dialog holding a table of the same
//            700 texts shown the same way;
//   closing  from "Stäng och &ladda inställningarna" to the player's grid rebuilt and painted (no
//            pictures), against the player's rebuild alone.
// Medians of many runs; each figure is printed with its ratio to the baseline of the same run.

#include "bench/support/BenchEnvironment.h"
#include "media/MediaDialogUnit.h"
#include "overlay/MediaOverlay.h"
#include "overlay/SettingsFormUnit.h"
#include "platform/UserPrompt.h"
#include "player/Application.h"
#include "player/PlayerFormUnit.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 21;

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double Ms(const QElapsedTimer& clock)
{
    return clock.nsecsElapsed() / 1e6;
}

// Waits until the window is on screen and has painted what is pending.
void Settle(QWidget* window)
{
    if (!QTest::qWaitForWindowExposed(window, 5000))
        std::printf("window not exposed\n");
    QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    Tonlyra::Bench::UseSilentOffscreenEnvironment();
    qputenv("TONLYRA_NO_MODAL", "1");
    QApplication app(argc, argv);

    Tonlyra::Test::TempDir dir;
    QDir(dir.Path()).mkpath(QStringLiteral("Overlays"));
    QDir(dir.Path()).mkpath(QStringLiteral("Users"));
    QDir::setCurrent(dir.Path());
    const QString sound = dir.File(QStringLiteral("ljud.wav"));
    Tonlyra::Test::WriteWav(sound, 1000);
    MediaOverlay overlay;
    overlay.LayoutCells(10, 10, true);
    for (int k = 1; k <= overlay.N(); ++k)
        *overlay.Cell(k) = {sound,
                            QStringLiteral("SoundFile"),
                            QString(),
                            QStringLiteral("Låt nummer %1").arg(k),
                            IntroFromMediaMarker,
                            k * 10,
                            k * 10 + 500,
                            0,
                            200,
                            QString()};
    const QString path = dir.File(QStringLiteral("Overlays/Bench.cdu"));
    if (!overlay.Save(path)) {
        std::printf("cannot write %s\n", qPrintable(path));
        return 1;
    }

    Tonlyra::Application windows({path});
    TPlayerForm* PlayerForm = windows.PlayerForm();
    TSettingsForm* SettingsForm = windows.SettingsForm();
    PlayerForm->setGeometry(0, 0, 1280, 800);
    PlayerForm->show();
    Settle(PlayerForm);
    if (!QTest::qWaitFor([&] { return !PlayerForm->FirstActivation; }, 5000)) {
        std::printf("the grid was not built\n");
        return 1;
    }

    // Opening, and closing with the edits loaded into the player.
    std::vector<double> opening, closing, open, rebuild;
    QElapsedTimer clock;
    bool accept = false;
    Tonlyra::UserPrompt::SetResponder([&](const Tonlyra::PromptRequest& request) {
        Tonlyra::PromptAnswer answer;
        if (request.Dialog != SettingsForm)
            return answer;
        Settle(SettingsForm);
        opening.push_back(Ms(clock));
        if (accept) {
            clock.start();
            SettingsForm->CloseAndLoadMenu->trigger();
        } else {
            SettingsForm->CloseMenu->trigger();
        }
        return answer;
    });
    for (int i = 0; i < Runs; ++i) {
        accept = false;
        clock.start();
        PlayerForm->ChangeMenu->trigger();
        QApplication::processEvents();

        accept = true;
        clock.start();
        PlayerForm->ChangeMenu->trigger(); // its opening is measured too
        Settle(PlayerForm);
        closing.push_back(Ms(clock));
    }
    Tonlyra::UserPrompt::SetResponder({});
    if (SettingsForm->CellCount() != 100 || !PlayerForm->CellPanelOf(100))
        std::printf("the grid was not rebuilt with 100 cells\n");

    // Baselines: a plain window with a table of the same texts; the player's rebuild alone.
    for (int i = 0; i < Runs; ++i) {
        clock.start();
        QDialog plain(PlayerForm);
        auto* table = new QTableWidget(overlay.N(), 7, &plain);
        auto* layout = new QVBoxLayout(&plain);
        layout->addWidget(table);
        for (int k = 1; k <= overlay.N(); ++k) {
            const OverlayCell& c = *overlay.Cell(k);
            const QString texts[7] = {QString::number(k),
                                      MediaTypeCaption(c.MediaType),
                                      QString(),
                                      c.Media,
                                      c.Picture,
                                      c.Text,
                                      c.Intro};
            for (int column = 0; column < 7; ++column)
                table->setItem(k - 1, column, new QTableWidgetItem(texts[column]));
        }
        plain.setGeometry(50, 50, 700, 700);
        plain.show();
        Settle(&plain);
        open.push_back(Ms(clock));

        clock.start();
        PlayerForm->BuildGrid();
        Settle(PlayerForm);
        rebuild.push_back(Ms(clock));
    }

    const double opened = Median(opening);
    std::printf("editor on a 10 x 10 overlay, medians of %d runs\n", Runs);
    std::printf("  opening                      %7.1f ms (target <= 100 ms)\n", opened);
    std::printf("    plain table window         %7.1f ms  ratio %.2f\n", Median(open),
                opened / Median(open));
    std::printf("  closing to the grid rebuilt  %7.1f ms (target <= 150 ms)\n", Median(closing));
    std::printf("    player's rebuild alone     %7.1f ms  ratio %.2f\n", Median(rebuild),
                Median(closing) / Median(rebuild));
    return 0;
}
