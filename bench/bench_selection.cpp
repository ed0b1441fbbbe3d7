// How long a switch user waits from pressing the switch that chooses a sound cell to hearing
// the cell's media from its start position: the key event, the checks, enlarging the cell with
// its repaint, opening the file, setting the stretch and starting playback on the real engine.
// The baseline is the playback service alone doing "open, set the stretch, play" on the same
// file, measured in the same run; the ratio is the cost the player adds.
//
// Runs without a sound device (null audio output) on the offscreen platform.

#include "media/MediaDialogUnit.h"
#include "media/PlaybackEngine.h"
#include "platform/ProfileFile.h"
#include "player/ApplicationWindows.h"
#include "player/CellPanel.h"
#include "player/PlayerFormUnit.h"
#include "tests/support/TestSupport.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 15;
constexpr int StartMs = 2000;
constexpr int StopMs = 6000;
constexpr int Cells = 9;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Times from `act` to the engine reporting that it plays; -1 when it never did.
template <typename Act> double TimeToPlaying(Act act)
{
    Tonlyra::PlaybackEngine* engine = MediaDialog->Engine();
    double playingAt = -1;
    QElapsedTimer clock;
    auto connection =
        QObject::connect(engine, &Tonlyra::PlaybackEngine::PlayStateChange, [&](int state) {
            if (state == Tonlyra::PlaybackEngine::Playing && playingAt < 0)
                playingAt = clock.nsecsElapsed() / 1e6;
        });
    clock.start();
    act();
    if (!QTest::qWaitFor([&] { return playingAt >= 0; }, 5000))
        return -1;
    QObject::disconnect(connection);
    return playingAt;
}

void StopAndSettle()
{
    MediaDialog->Stop();
    if (!QTest::qWaitFor([] { return MediaDialog->PlayState() <= 2; }, 2000))
        std::printf("playback did not stop\n");
    QTest::qWait(30);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TONLYRA_MPV_AO", "null");
    qputenv("TONLYRA_MPV_VO", "null");
    qputenv("TONLYRA_NO_MODAL", "1");
    QApplication app(argc, argv);

    Tonlyra::Test::TempDir dir;
    QDir(dir.Path()).mkpath(QStringLiteral("Overlays"));
    QDir(dir.Path()).mkpath(QStringLiteral("Users"));
    QDir::setCurrent(dir.Path());
    const QString sound = dir.File(QStringLiteral("ton.wav"));
    Tonlyra::Test::WriteWav(sound, 10000);

    Tonlyra::ProfileFile overlay;
    overlay.SetPath(dir.File(QStringLiteral("Overlays/Bank.cdu")));
    overlay.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Rows"), 3);
    overlay.WriteInteger(QStringLiteral("Overlay"), QStringLiteral("Cols"), 3);
    for (int k = 1; k <= Cells; ++k) {
        const QString key = QString::number(k);
        overlay.WriteString(QStringLiteral("Media"), key, sound);
        overlay.WriteString(QStringLiteral("MediaTypes"), key, QStringLiteral("SoundFile"));
        overlay.WriteString(QStringLiteral("Texts"), key, QStringLiteral("Ruta %1").arg(k));
        overlay.WriteInteger(QStringLiteral("StartPositions"), key, StartMs);
        overlay.WriteInteger(QStringLiteral("StopPositions"), key, StopMs);
    }
    overlay.Save();

    Tonlyra::ApplicationWindows windows({overlay.Path()});
    UserSettings settings;
    settings.ControlMode = ControlMode::TwoSwitchScanControl;
    UserSettingsForm->UserSettings = settings;
    PlayerForm->setGeometry(0, 0, 800, 600);
    PlayerForm->show();
    if (!QTest::qWaitForWindowExposed(PlayerForm) ||
        !QTest::qWaitFor([] { return !PlayerForm->FirstActivation; }, 2000)) {
        std::printf("the player window did not come up\n");
        return 2;
    }

    // Warm-up: the engine's first load is slower than any later one.
    MediaDialog->OpenMediaFile(sound);
    MediaDialog->Play();
    if (!QTest::qWaitFor([] { return MediaDialog->PlayState() == 3; }, 3000)) {
        std::printf("the engine does not play: %s\n", qPrintable(MediaDialog->LastError()));
        return 2;
    }
    StopAndSettle();

    std::vector<double> baseline, selection;
    for (int i = 0; i < Runs; ++i) {
        baseline.push_back(TimeToPlaying([&] {
            MediaDialog->SelectKind(SoundFileKind);
            MediaDialog->OpenMediaFile(sound);
            MediaDialog->SetStartPosition(StartMs);
            MediaDialog->SetStopPosition(StopMs);
            MediaDialog->Play();
        }));
        StopAndSettle();

        // The frame stands on a cell; Enter chooses it.
        PlayerForm->CurrentCell = i % Cells + 1;
        PlayerForm->MarkCell(PlayerForm->CurrentCell);
        const double ms = TimeToPlaying([] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(PlayerForm, &press);
        });
        const bool enlarged = PlayerForm->CellPanelOf(PlayerForm->CurrentCell)->size() ==
                              PlayerForm->KnappYta->size();
        const int position = MediaDialog->GetPlayPosition();
        if (!enlarged || position < StartMs || position > StartMs + 500)
            std::printf("run %d: enlarged %d, position %d ms\n", i, enlarged, position);
        selection.push_back(ms);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(PlayerForm, &release);
        StopAndSettle();
    }

    const double base = Median(baseline);
    const double chosen = Median(selection);
    std::printf("median of %d runs, sound cell with start %d ms\n", Runs, StartMs);
    std::printf("switch press to playing %6.1f ms (service alone %6.1f ms, ratio %.2f); "
                "target <= 150 ms: %s\n",
                chosen, base, base > 0 ? chosen / base : 0.0, chosen <= 150 ? "met" : "MISSED");
    return chosen <= 150 ? 0 : 1;
}
