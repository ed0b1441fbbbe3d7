// How fast the playback service gets from "open, set the stretch, play" to sound at the start
// position, and how closely it stops at the stop position; for a WAV file, an MP3 file and a
// track of a CD image. The baseline is libmpv alone, loading the same file with the start
// position and playing at once, measured in the same run.
//
// Runs without a sound device (null audio output) on the offscreen platform.

#include "bench/support/BenchEnvironment.h"
#include "media/CdTrackStream.h"
#include "media/MediaDialogUnit.h"
#include "media/MpvEngine.h"
#include "platform/CdDrives.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <mpv/client.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 9;
constexpr int StartMs = 3000;
constexpr int StopMs = 3400;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// libmpv alone: loadfile with the start position, unpaused, until playback has begun there.
double BaselineMs(const QString& url)
{
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* h = mpv_create();
    for (const char* o : {"config=no", "idle=yes", "keep-open=yes", "gapless-audio=no", "ao=null",
                          "vo=null", "audio-fallback-to-null=yes"}) {
        const QByteArray kv(o);
        const int eq = kv.indexOf('=');
        mpv_set_option_string(h, kv.left(eq).constData(), kv.mid(eq + 1).constData());
    }
    mpv_initialize(h);
    Tonlyra::RegisterCdTrackProtocol(h);
    std::vector<double> times;
    const QByteArray path = url.toUtf8();
    const QByteArray options = "start=" + QByteArray::number(StartMs / 1000.0) + ",pause=no";
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        const char* argv[] = {"loadfile", path.constData(), "replace", options.constData(),
                              nullptr};
        mpv_command(h, argv);
        while (true) {
            mpv_event* e = mpv_wait_event(h, 1.0);
            if (e->event_id == MPV_EVENT_PLAYBACK_RESTART)
                break;
            if (e->event_id == MPV_EVENT_END_FILE &&
                static_cast<mpv_event_end_file*>(e->data)->reason == MPV_END_FILE_REASON_ERROR)
                break;
        }
        times.push_back(clock.nsecsElapsed() / 1e6);
        const char* stop[] = {"stop", nullptr};
        mpv_command(h, stop);
    }
    mpv_terminate_destroy(h);
    return Median(times);
}

struct Figures
{
    double StartMs = 0;    // from OpenMediaFile to playing at the start position
    double StopLateMs = 0; // |time the stop is reported - time the stop position is reached|
};

// The service: open (or select the track), set start and stop, play; wait for the stop.
Figures Measure(TMediaDialog& dialog, const std::function<void()>& open)
{
    auto* engine = static_cast<Tonlyra::MpvEngine*>(dialog.Engine());
    std::vector<double> starts, lates;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer clock;
        double playingAt = -1, stoppedAt = -1;
        // Playing from the start: the first time mpv settles (after the seek to the start)
        // while the engine plays.
        auto c1 = QObject::connect(engine, &Tonlyra::MpvEngine::Restarted, [&] {
            if (engine->PlayState() == Tonlyra::PlaybackEngine::Playing && playingAt < 0)
                playingAt = clock.nsecsElapsed() / 1e6;
        });
        auto c2 = QObject::connect(engine, &Tonlyra::PlaybackEngine::PlayStateChange, [&](int s) {
            if (s == Tonlyra::PlaybackEngine::Stopped && playingAt >= 0 && stoppedAt < 0) {
                stoppedAt = clock.nsecsElapsed() / 1e6;
            }
        });
        clock.start();
        open();
        dialog.SetStartPosition(StartMs);
        dialog.SetStopPosition(StopMs);
        dialog.Play();
        if (!QTest::qWaitFor([&] { return stoppedAt >= 0; }, 5000))
            std::printf("run %d did not stop\n", i);
        QObject::disconnect(c1);
        QObject::disconnect(c2);
        starts.push_back(playingAt);
        lates.push_back(std::abs(stoppedAt - playingAt - (StopMs - StartMs)));
    }
    return {Median(starts), Median(lates)};
}

void Report(const char* name, const Figures& f, double baseline)
{
    std::printf("%-10s start %6.1f ms (baseline libmpv alone %6.1f ms, ratio %.2f)  "
                "stop reported %5.1f ms from the stop time\n",
                name, f.StartMs, baseline, baseline > 0 ? f.StartMs / baseline : 0.0, f.StopLateMs);
}

} // namespace

int main(int argc, char** argv)
{
    Tonlyra::Bench::UseSilentOffscreenEnvironment();
    Tonlyra::Cd::InstallLogHandler();
    QApplication app(argc, argv);

    Tonlyra::Test::TempDir dir;
    const QString wav = dir.File("tone.wav");
    const QString mp3 = dir.File("tone.mp3");
    Tonlyra::Test::WriteWav(wav, 6000);
    QProcess::execute("lame", {"--quiet", wav, mp3});
    const QString cue =
        Tonlyra::Test::WriteCdImage(dir.Path(), "disc", {{75 * 2, 440}, {75 * 6, 880}, {75, 660}});
    Tonlyra::Test::CdDriveOverride drives({cue});

    TMediaDialog dialog;
    std::printf("median of %d runs; start %d ms, stop %d ms\n", Runs, StartMs, StopMs);
    Report("WAV", Measure(dialog, [&] { dialog.OpenMediaFile(wav); }), BaselineMs(wav));
    Report("MP3", Measure(dialog, [&] { dialog.OpenMediaFile(mp3); }), BaselineMs(mp3));
    dialog.SelectKind(CDKind);
    Report("CD track", Measure(dialog, [&] { dialog.SelectTrack(2); }),
           BaselineMs(Tonlyra::CdTrackUrl(cue, 2)));
    return 0;
}
