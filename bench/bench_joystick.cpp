// A joystick button press to the scanning frame moving on screen, against a key press to the
// frame moving, in the same run: the real player window (offscreen) in two-switch stepping,
// switch 1 = the space bar and joystick button 1. A key press is posted to the window as the
// window system would; a joystick press is a button of SDL's virtual gamepad set from this
// thread, after which the joystick thread is woken as a device's event file wakes it, pumps
// SDL's events and hands the button to the Qt thread. Each figure runs from the press to the
// paint of the newly marked cell. Presses of the two kinds alternate; the medians, the 95th
// percentiles and what the joystick adds are printed (target: at most 5 ms added).
//
//     bench_joystick [presses]           (default 200 of each kind)

#include "bench/support/BenchEnvironment.h"
#include "input/Joysticks.h"
#include "platform/ProfileFile.h"
#include "player/Application.h"
#include "player/CellPanel.h"
#include "player/PlayerFormUnit.h"
#include "session/Session.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Side = 3;
constexpr double TargetAddedMs = 5;

QString WriteOverlay(const QString& dir)
{
    Tonlyra::ProfileFile file;
    file.SetPath(QDir(dir).filePath(QStringLiteral("Nio.cdu")));
    file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Rows"), Side);
    file.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Cols"), Side);
    for (int k = 1; k <= Side * Side; ++k) {
        const QString key = QString::number(k);
        const QString media = QDir(dir).filePath(QStringLiteral("ruta%1.wav").arg(k));
        // A file that looks like a sound at a glance; the bench never chooses a cell.
        QFile sound(media);
        if (sound.open(QIODevice::WriteOnly))
            sound.write(QByteArray("RIFF") + QByteArray(124, '\0'));
        file.WriteString(QStringLiteral("Media"), key, media);
        file.WriteString(QStringLiteral("MediaTypes"), key, QStringLiteral("SoundFile"));
        file.WriteString(QStringLiteral("Texts"), key, QStringLiteral("Ruta %1").arg(k));
    }
    file.Save();
    return file.Path();
}

// Waits for the paint of the cell the frame moves to.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(TPlayerForm& player) : Player(player) {}
    // Runs press, then the event loop until the cell after the current one is painted; the
    // milliseconds between, or -1 after two seconds.
    double Measure(const std::function<void()>& press)
    {
        const int next = Player.CurrentCell % (Side * Side) + 1;
        Target = Player.CellPanelOf(next);
        Target->installEventFilter(this);
        QEventLoop loop;
        Done = [&loop] { loop.quit(); };
        Painted = false;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        press();
        if (!Painted)
            loop.exec();
        const double ms = clock.nsecsElapsed() / 1e6;
        Target->removeEventFilter(this);
        return Painted && Player.CurrentCell == next ? ms : -1;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == Target && event->type() == QEvent::Paint && !Painted &&
            Target->Color() == Tonlyra::ColorFromBgr(Player.Session.Settings().ScanColor)) {
            Painted = true;
            Done();
        }
        return false;
    }

private:
    TPlayerForm& Player;
    Tonlyra::CellPanel* Target = nullptr;
    std::function<void()> Done;
    bool Painted = false;
};

double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * (values.size() - 1) + 0.5))];
}

void Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    Tonlyra::Bench::UseSilentOffscreenEnvironment();
    QApplication app(argc, argv);
    const int presses = argc > 1 ? std::max(10, atoi(argv[1])) : 200;
    QTemporaryDir dir;
    const QString overlay = WriteOverlay(dir.path());

    Tonlyra::Application program(QStringList{overlay});
    TPlayerForm& player = *program.PlayerForm();
    UserSettings settings;
    settings.ControlMode = ControlMode::TwoSwitchScanControl;
    settings.Switch1 = Tonlyra::ParseSwitchInputs(QStringLiteral("key:Space;joystick:1"));
    program.Session().SetSettings(settings, program.Session().SettingsFile());
    player.setGeometry(0, 0, 1280, 800);
    player.show();
    player.activateWindow();
    Settle(500);
    player.BuildGrid();
    Settle(200);

    Tonlyra::Joysticks& joysticks = *program.Joysticks();
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 0, 4, 0);
    SDL_Joystick* pad = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
    if (!joysticks.Running() || !pad) {
        std::printf("no virtual gamepad: %s\n", SDL_GetError());
        return 1;
    }
    joysticks.Wake();
    Settle(200);

    PaintWatch watch(player);
    const auto key = [&player](QEvent::Type type) {
        QApplication::postEvent(&player, new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier));
    };
    const auto button = [&](bool down) {
        SDL_JoystickSetVirtualButton(pad, 0, down ? SDL_PRESSED : SDL_RELEASED);
        joysticks.Wake();
    };
    std::vector<double> keys, buttons;
    int lost = 0;
    for (int k = 0; k < presses; ++k) {
        const double byKey = watch.Measure([&] { key(QEvent::KeyPress); });
        key(QEvent::KeyRelease);
        Settle(15);
        const double byButton = watch.Measure([&] { button(true); });
        button(false);
        Settle(15);
        if (byKey < 0 || byButton < 0) {
            ++lost;
            continue;
        }
        keys.push_back(byKey);
        buttons.push_back(byButton);
    }
    if (keys.empty()) {
        std::printf("no press moved the frame\n");
        return 1;
    }
    const double keyMedian = Percentile(keys, 0.5);
    const double buttonMedian = Percentile(buttons, 0.5);
    std::printf("press to the frame painted on the next cell, %zu presses of each kind "
                "(%d lost), platform %s:\n",
                keys.size(), lost, qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("  key press        median %6.2f ms   p95 %6.2f ms\n", keyMedian,
                Percentile(keys, 0.95));
    std::printf("  joystick button  median %6.2f ms   p95 %6.2f ms\n", buttonMedian,
                Percentile(buttons, 0.95));
    const double added = buttonMedian - keyMedian;
    std::printf("  the joystick adds %.2f ms (median; p95 %.2f ms); ratio %.2f; target <= %.0f ms: "
                "%s\n",
                added, Percentile(buttons, 0.95) - Percentile(keys, 0.95),
                buttonMedian / std::max(0.001, keyMedian), TargetAddedMs,
                added <= TargetAddedMs ? "met" : "NOT met");
    SDL_JoystickClose(pad);
    SDL_JoystickDetachVirtual(index);
    return 0;
}
