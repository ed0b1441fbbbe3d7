// The media selection dialog opening a 3-minute MP3: from OpenMediaFile until the trackbars are
// enabled with the scale, its labels and the time displays set, and painted, against the playback
// service alone (the libmpv engine loading the same file until it reports it ready) in the same
// run. Medians; null audio output, offscreen platform.

#include "bench/support/BenchEnvironment.h"
#include "media/MediaDialogUnit.h"
#include "media/MpvEngine.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Runs = 15;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Lets events run until done() holds; false after 5 s.
bool RunUntil(const std::function<bool()>& done)
{
    QElapsedTimer guard;
    guard.start();
    while (!done()) {
        if (guard.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Tonlyra::Bench::UseSilentOffscreenEnvironment();
    QApplication app(argc, argv);

    Tonlyra::Test::TempDir dir;
    const QString wav = dir.File("song.wav");
    const QString mp3 = dir.File("song.mp3");
    Tonlyra::Test::WriteWav(wav, 180000);
    QProcess::execute("lame", {"--quiet", "-b", "128", wav, mp3});

    TMediaDialog dialog;
    dialog.SetOfferedKinds(1 << SoundFileKind);
    dialog.SelectKind(SoundFileKind);
    dialog.show();
    Tonlyra::MpvEngine engine;

    std::vector<double> dialogTimes, engineTimes;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        dialog.OpenMediaFile(mp3);
        const bool ready = RunUntil([&] {
            return !dialog.Service().Probing() && dialog.StartTrackBar->isEnabled() &&
                   dialog.ScaleLabels.size() == 3 && dialog.StopMinutePanel->text() == "03";
        });
        dialog.TrackBarPanel->repaint();
        dialogTimes.push_back(clock.nsecsElapsed() / 1e6);
        if (!ready)
            std::printf("run %d: the dialog did not get ready\n", i);

        clock.start();
        engine.Load(mp3);
        RunUntil([&] { return engine.PlayState() == Tonlyra::PlaybackEngine::Ready; });
        engineTimes.push_back(clock.nsecsElapsed() / 1e6);
        engine.Close();
    }
    std::printf("OpenMediaFile of a 3-minute MP3 to trackbars, scale and labels set and painted: "
                "%6.1f ms  (the engine alone loading it: %6.1f ms; ratio %.2f)\n",
                Median(dialogTimes), Median(engineTimes),
                Median(dialogTimes) / Median(engineTimes));
    return 0;
}
