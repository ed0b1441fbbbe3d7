// The use log's costs.
//
//   window    the "Användning" window opening on a year of a heavy user's log (200,000 rows):
//             made, shown and painted with its plots (median of several rounds; target 300 ms),
//             against the baseline of reading the file's bytes alone
//   press     what the log adds to a press: the rows a press makes, made and written to the
//             file (a choice with its reaction time, a press not counted), against the same
//             presses with the log off, in the same run (target: under 1 ms added)
//   player    the real player window in one-switch stepping, each press of the switch a choice
//             of the next cell's sound (libmpv, null output): from the press to the cell shown
//             in the frame's place, and to the sound playing, with the log on against off,
//             alternately in the same run (target: under 1 ms added)
//
//     bench_usage [rows]

#include "bench/support/BenchEnvironment.h"
#include "bench/support/BenchPictures.h"
#include "i18n/SwedishApplication.h"
#include "media/PlaybackService.h"
#include "media/PlaybackEngine.h"
#include "platform/KeyCodes.h"
#include "platform/ProfileFile.h"
#include "player/Application.h"
#include "player/PlayerFormUnit.h"
#include "session/Session.h"
#include "tests/support/TestSupport.h"
#include "usage/UsageWindow.h"
#include "usage/UseRecorder.h"

#include <QDir>
#include <QKeyEvent>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Tonlyra;
using Tonlyra::Bench::CpuMs;
using Tonlyra::Bench::Median;

namespace {

constexpr double WindowTargetMs = 300;
constexpr double PressTargetMs = 1;

// A year of use: each day the same share of choices, rows and presses not counted, in
// one-switch row-column scanning on seven overlays of 12 cells, the overlay changing every 40
// rows (the user opens another one).
QByteArray YearOfRows(int count)
{
    QByteArray bytes = UseLogHeader();
    bytes.reserve(qsizetype(count) * 100);
    const QDate first = QDate::currentDate().addDays(-364);
    const int perDay = std::max(1, count / 365);
    for (int k = 0; k < count; ++k) {
        UseLogRow row;
        row.Day = first.addDays(std::min(k / perDay, 364));
        row.MsOfDay = 8 * 3600000 + (k % perDay) * 60000 % (12 * 3600000);
        row.Overlay = QStringLiteral("Överlägg %1.cdu").arg(k / 40 % 7);
        row.Mode = ControlMode::OneSwitchScanXYControl;
        row.Source = PressSource::Switch2;
        row.HoldMs = 80 + k % 200;
        if (k % 10 == 9) {
            row.Event = UseEvent::NotCounted;
            row.Reason = IgnoredPress(k % 3);
        } else if (k % 2) {
            row.Event = UseEvent::Row;
            row.Cell = 1 + k % 3;
            row.ReactionMs = 300 + (k * 37) % 900;
        } else {
            row.Cell = 1 + k % 12;
            row.CellText = QStringLiteral("Ruta %1, med en text").arg(row.Cell);
            row.ReactionMs = 300 + (k * 53) % 900;
        }
        bytes += FormatUseLogRow(row);
    }
    return bytes;
}

// A clock the presses move by hand (the recorder takes its times from it).
class StepClock final : public SwitchClock
{
public:
    qint64 Now() const override { return Time; }
    void After(int, QObject*, std::function<void()>) override {}
    qint64 Time = 0;
};

// Milliseconds per press of presses presses: a choice with its frame and, every fifth press, a
// press not counted.
double PressCost(UseRecorder& recorder, StepClock& clock, int presses)
{
    const QString overlay = QStringLiteral("Djur.cdu");
    const QString text = QStringLiteral("Katten");
    QElapsedTimer timer;
    timer.start();
    for (int k = 0; k < presses; ++k) {
        clock.Time += 700;
        recorder.FrameAt(1 + k % 12, 1);
        clock.Time += 400;
        recorder.SwitchDown(KeyCode::Enter, PressSource::Switch2, overlay,
                            ControlMode::OneSwitchScanControl);
        if (k % 5 == 4) {
            recorder.PressIgnored(KeyCode::Enter, IgnoredPress::Repeat);
        } else {
            auto acting = recorder.Acting(KeyCode::Enter);
            recorder.CellChosen(1 + k % 12, text);
        }
        clock.Time += 120;
        recorder.SwitchUp(KeyCode::Enter);
    }
    return timer.nsecsElapsed() / 1e6 / presses;
}

// Lets events run until done() holds; false after 5 s.
bool RunUntil(const std::function<bool()>& done)
{
    QElapsedTimer guard;
    guard.start();
    while (!done()) {
        if (guard.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

void SendKey(QWidget* player, QEvent::Type type, int key)
{
    QKeyEvent event(type, key, Qt::NoModifier);
    QApplication::sendEvent(player, &event);
}

// The player's presses with the log on and off; prints the medians.
void PlayerPresses(const QString& folder)
{
    const QString start = folder + QStringLiteral("/start");
    QDir().mkpath(start + QStringLiteral("/Users"));
    QDir().mkpath(start + QStringLiteral("/Overlays"));
    const QString old = QDir::currentPath();
    QDir::setCurrent(start);
    ProfileFile overlay;
    overlay.SetPath(start + QStringLiteral("/Overlays/Ljud.cdu"));
    overlay.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Rows"), 2);
    overlay.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Cols"), 2);
    for (int k = 1; k <= 4; ++k) {
        const QString key = QString::number(k);
        const QString sound = start + QStringLiteral("/ljud%1.wav").arg(k);
        Test::WriteWav(sound, 2000, 300.0 + 100 * k);
        overlay.WriteString(QStringLiteral("Media"), key, sound);
        overlay.WriteString(QStringLiteral("MediaTypes"), key, QStringLiteral("SoundFile"));
        overlay.WriteString(QStringLiteral("Texts"), key, QStringLiteral("Ljud %1").arg(k));
    }
    overlay.Save();
    {
        Tonlyra::Application windows({overlay.Path()});
        TPlayerForm* player = windows.PlayerForm();
        UserSettings settings;
        settings.ControlMode = ControlMode::OneSwitchControl;
        windows.Session().SetSettings(settings, windows.Session().SettingsFile());
        player->resize(800, 600);
        player->show();
        RunUntil([player] { return !player->FirstActivation; });
        const QString log = folder + QStringLiteral("/logg/Bench.csv");
        std::vector<double> frameOff, frameOn, soundOff, soundOn;
        for (int press = 0; press < 60; ++press) {
            const bool on = press % 2;
            player->UseLog.LogTo(on ? log : QString());
            QElapsedTimer timer;
            timer.start();
            SendKey(player, QEvent::KeyPress, Qt::Key_Space);
            player->KnappYta->repaint(); // the chosen cell on screen
            const double frame = timer.nsecsElapsed() / 1e6;
            RunUntil([&windows] {
                return windows.Playback().PlayState() == PlaybackEngine::Playing;
            });
            const double sound = timer.nsecsElapsed() / 1e6;
            SendKey(player, QEvent::KeyRelease, Qt::Key_Space);
            if (press < 4)
                continue; // the output settling
            (on ? frameOn : frameOff).push_back(frame);
            (on ? soundOn : soundOff).push_back(sound);
        }
        const double addedFrame = Median(frameOn) - Median(frameOff);
        const double addedSound = Median(soundOn) - Median(soundOff);
        std::printf("player press to the cell shown: log off %.2f ms, on %.2f ms (%+.2f ms); to "
                    "the sound playing: off %.2f ms, on %.2f ms (%+.2f ms); target < %.0f ms "
                    "added: %s\n",
                    Median(frameOff), Median(frameOn), addedFrame, Median(soundOff),
                    Median(soundOn), addedSound, PressTargetMs,
                    addedFrame < PressTargetMs && addedSound < PressTargetMs ? "met" : "MISSED");
        windows.Playback().Stop();
    }
    QDir::setCurrent(old);
}

} // namespace

int main(int argc, char** argv)
{
    Bench::UseSilentOffscreenEnvironment();
    SwedishApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 200000;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("logg"));
    const QString log = folder + QStringLiteral("/Anna.csv");
    {
        UseLogFile make(log); // the folder and the header
    }
    QFile file(log);
    if (!file.open(QIODevice::WriteOnly) || file.write(YearOfRows(rows)) < 0)
        return 1;
    file.close();

    std::vector<double> reads, parses, summaries, opens, openCpu;
    int shownChoices = 0;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        {
            QFile bytes(log);
            bytes.open(QIODevice::ReadOnly);
            volatile qsizetype size = bytes.readAll().size();
            (void)size;
        }
        reads.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        const UseLogContents contents = ReadUseLog(log);
        parses.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        SummarizeUse(contents.Rows, contents.Rows.front().Day, contents.Rows.back().Day);
        summaries.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        const double cpuStart = CpuMs();
        {
            UsageWindow window(folder, log, [](int) {});
            window.show();
            window.grab(); // every plot painted
            shownChoices = window.Summary().Choices;
            opens.push_back(timer.nsecsElapsed() / 1e6);
            openCpu.push_back(CpuMs() - cpuStart);
        }
        QCoreApplication::processEvents();
    }
    const double read = Median(reads), open = Median(opens);
    std::printf("window on %d rows (%d choices shown): %.1f ms (target <= %.0f ms: %s); "
                "reading the file alone %.1f ms; ratio %.1f\n",
                rows, shownChoices, open, WindowTargetMs, open <= WindowTargetMs ? "met" : "MISSED",
                read, open / std::max(read, 0.001));
    std::printf("  processor time %.1f ms; of which reading the log %.1f ms, its summary %.1f ms\n",
                Median(openCpu), Median(parses), Median(summaries));

    // Presses with the log off, then on, alternately, so that both see the same machine.
    constexpr int Presses = 5000;
    std::vector<double> off, on;
    const QString pressLog = dir.filePath(QStringLiteral("presses/Bertil.csv"));
    for (int round = 0; round < 5; ++round) {
        StepClock clock;
        SwitchPressFilter presses(nullptr);
        presses.SetClock(&clock);
        UseRecorder without(presses);
        off.push_back(PressCost(without, clock, Presses));
        UseRecorder with(presses);
        with.LogTo(pressLog);
        on.push_back(PressCost(with, clock, Presses));
    }
    const double offMs = Median(off), onMs = Median(on);
    std::printf("press with the log off %.4f ms, on %.4f ms: %.4f ms added (target < %.0f ms: "
                "%s)\n",
                offMs, onMs, onMs - offMs, PressTargetMs,
                onMs - offMs < PressTargetMs ? "met" : "MISSED");
    PlayerPresses(dir.path());
    return 0;
}
