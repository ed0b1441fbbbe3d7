// The libmpv engine on generated media, with no sound device and no video output.

#include "media/CdTrackStream.h"
#include "media/MpvEngine.h"
#include "media/SoundOutputWatch.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Tonlyra;
using Tonlyra::Test::TempDir;

namespace {

struct EngineEnv
{
    EngineEnv()
    {
        qputenv("TONLYRA_MPV_AO", "null");
        qputenv("TONLYRA_MPV_VO", "null");
    }
};

bool WaitForState(PlaybackEngine& engine, int state, int ms = 3000)
{
    return QTest::qWaitFor([&] { return engine.PlayState() == state; }, ms);
}

} // namespace

TEST(MpvEngine, LoadsPausedWithDurationThenPlaysToTheEndPosition)
{
    EngineEnv env;
    TempDir dir;
    const QString wav = dir.File("tone.wav");
    ASSERT_TRUE(Tonlyra::Test::WriteWav(wav, 2000));
    MpvEngine engine;
    ASSERT_TRUE(engine.IsValid()) << engine.ErrorText().toStdString();
    QSignalSpy states(&engine, &PlaybackEngine::PlayStateChange);

    engine.Load(wav);
    EXPECT_EQ(engine.PlayState(), PlaybackEngine::Transitioning);
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Ready));
    EXPECT_NEAR(engine.Duration(), 2.0, 0.01);
    EXPECT_FALSE(engine.Failed());

    engine.SetPosition(1.0);
    engine.SetEndPosition(1.3);
    QElapsedTimer clock;
    clock.start();
    engine.Play();
    EXPECT_EQ(engine.PlayState(), PlaybackEngine::Playing);
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Stopped));
    // Played in real time and stopped by the end position, not the file's end (1 s on); a busy
    // machine only makes the report come later.
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 800);
    EXPECT_NEAR(engine.Position(), 1.3, 0.05);

    // Stopped at the end position; rewound to where it started, it plays that stretch again
    // (a seek there is skipped only while nothing has played since the last one).
    engine.SetPosition(1.0);
    clock.restart();
    engine.Play();
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Stopped));
    EXPECT_GE(clock.elapsed(), 250);
    QList<int> seen;
    for (const QList<QVariant>& s : states)
        seen.append(s.at(0).toInt());
    EXPECT_EQ(seen, (QList<int>{9, 10, 3, 1, 3, 1}));
}

TEST(MpvEngine, TheEndIsReportedOnceTheLastAudioHasPlayed)
{
    // mpv tells of the end when it has handed the last audio to the output; the output still
    // holds a fraction of a second of it, which is heard before the end may be reported.
    EngineEnv env;
    TempDir dir;
    const QString wav = dir.File("tone.wav");
    ASSERT_TRUE(Tonlyra::Test::WriteWav(wav, 1000));
    MpvEngine engine;
    engine.Load(wav);
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Ready));
    QElapsedTimer clock;
    clock.start();
    engine.Play();
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Stopped));
    EXPECT_GE(clock.elapsed(), 950);
    EXPECT_NEAR(engine.Position(), 1.0, 0.01);
}

TEST(MpvEngine, PauseKeepsThePositionAndStopOnlyActsWhilePlayingOrPaused)
{
    EngineEnv env;
    TempDir dir;
    const QString wav = dir.File("tone.wav");
    ASSERT_TRUE(Tonlyra::Test::WriteWav(wav, 2000));
    MpvEngine engine;
    engine.Load(wav);
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Ready));
    QSignalSpy states(&engine, &PlaybackEngine::PlayStateChange);
    engine.Pause();
    EXPECT_EQ(states.count(), 0);
    engine.Stop();
    engine.Stop();
    EXPECT_EQ(states.count(), 1); // Ready to Stopped, once

    // Positions are mpv's own reports, which a busy machine delays: times are measured, not
    // assumed, and the paused position is the one that stays.
    QElapsedTimer clock;
    clock.start();
    engine.Play();
    QTest::qWait(300);
    engine.Pause();
    const double playedFor = clock.elapsed() / 1000.0;
    double paused = -1;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const double before = engine.Position();
            QTest::qWait(300);
            paused = engine.Position();
            return paused == before;
        },
        5000));
    EXPECT_NEAR(paused, playedFor, 0.1);
    engine.Play();
    clock.restart();
    EXPECT_TRUE(QTest::qWaitFor([&] { return engine.Position() >= paused + 0.2; }, 3000));
    EXPECT_LE(engine.Position(), paused + clock.elapsed() / 1000.0 + 0.05); // from where it was
    engine.Stop();
    EXPECT_EQ(engine.PlayState(), PlaybackEngine::Stopped);
}

TEST(MpvEngine, UnplayableMediaFailWithTheLibraryMessage)
{
    EngineEnv env;
    TempDir dir;
    QFile corrupt(dir.File("corrupt.mp3"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(QByteArray(4096, '\x5a'));
    corrupt.close();
    MpvEngine engine;
    for (const QString& url :
         {corrupt.fileName(), dir.File("missing.wav"), CdTrackUrl(dir.File("nodisc.cue"), 1)}) {
        SCOPED_TRACE(url.toStdString());
        engine.Load(url);
        ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Stopped));
        EXPECT_TRUE(engine.Failed());
        EXPECT_FALSE(engine.ErrorText().isEmpty());
        EXPECT_EQ(engine.Duration(), 0);
        engine.Play(); // a failed medium plays nothing and reports nothing new
        QTest::qWait(50);
        EXPECT_NE(engine.PlayState(), PlaybackEngine::Playing);
    }
}

TEST(MpvEngine, CdTrackIsServedWithItsExactLength)
{
    EngineEnv env;
    TempDir dir;
    const QString cue =
        Tonlyra::Test::WriteCdImage(dir.Path(), "disc", {{75, 440}, {75 * 2 + 30, 880}, {75, 660}});
    MpvEngine engine;
    engine.Load(CdTrackUrl(cue, 2));
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Ready)) << engine.ErrorText().toStdString();
    EXPECT_NEAR(engine.Duration(), 2.4, 1e-6);

    engine.Load(CdTrackUrl(cue, 4));
    ASSERT_TRUE(WaitForState(engine, PlaybackEngine::Stopped));
    EXPECT_TRUE(engine.Failed());
}

TEST(CdTrackUrl, RoundTripsDrivesWithHashes)
{
    QString drive;
    int track = 0;
    ASSERT_TRUE(ParseCdTrackUrl(CdTrackUrl("/tmp/a#b/disc.cue", 12), drive, track));
    EXPECT_EQ(drive, "/tmp/a#b/disc.cue");
    EXPECT_EQ(track, 12);
    for (const char* bad :
         {"cdda://1", "cdtrack://disc.cue", "cdtrack://#2", "cdtrack://x#0", "cdtrack://x#two"})
        EXPECT_FALSE(ParseCdTrackUrl(bad, drive, track)) << bad;
}

namespace {

// Environment variables set for one test and put back after it.
class ScopedEnv
{
public:
    void Set(const char* name, const QByteArray& value)
    {
        Remember(name);
        qputenv(name, value);
    }
    void Unset(const char* name)
    {
        Remember(name);
        qunsetenv(name);
    }
    ~ScopedEnv()
    {
        for (const auto& [name, value] : Saved)
            value ? qputenv(name.c_str(), *value) : qunsetenv(name.c_str());
    }

private:
    void Remember(const char* name)
    {
        if (Saved.count(name) == 0)
            Saved[name] = qEnvironmentVariableIsSet(name)
                              ? std::optional<QByteArray>(qgetenv(name))
                              : std::nullopt;
    }
    std::map<std::string, std::optional<QByteArray>> Saved;
};

// A socket listening where a sound server would, taking no part in its protocol.
class ServerSocket
{
public:
    explicit ServerSocket(const QString& path) : Path(path.toLocal8Bit())
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, Path.constData(), size_t(Path.size()));
        Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (::bind(Fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(Fd, 16) != 0)
            ADD_FAILURE() << "cannot listen on " << Path.constData();
    }
    ~ServerSocket() { Die(); }
    // Ends without removing the socket file, as a killed server does.
    void Die()
    {
        if (Fd >= 0)
            ::close(Fd);
        Fd = -1;
    }
    // Whether a client has connected since the last look.
    bool Connected()
    {
        const int client = ::accept(Fd, nullptr, nullptr);
        if (client < 0)
            return false;
        ::close(client);
        return true;
    }

private:
    QByteArray Path;
    int Fd = -1;
};

// A desktop with no sound server at all: its sockets are to be made in dir.
void NoSoundServer(ScopedEnv& env, const TempDir& dir)
{
    env.Set("XDG_RUNTIME_DIR", dir.Path().toLocal8Bit());
    for (const char* name : {"PULSE_SERVER", "PULSE_RUNTIME_PATH", "PIPEWIRE_REMOTE",
                             "PIPEWIRE_RUNTIME_DIR", "TONLYRA_MPV_AO"})
        env.Unset(name);
}

} // namespace

TEST(SoundOutputWatch, TheNullOutputIsTheLossAndAnyOtherTheReturn)
{
    using Change = SoundOutputWatch::Change;
    SoundOutputWatch watch;
    const std::pair<const char*, Change> steps[] = {
        {"pulse", Change::None}, {"", Change::None},      {"null", Change::Lost},
        {"", Change::None},      {"null", Change::None},  {"pipewire", Change::Back},
        {"pulse", Change::None}, {"null", Change::Lost},
    };
    qint64 now = 0;
    for (const auto& [output, change] : steps) {
        SCOPED_TRACE(output);
        EXPECT_EQ(watch.OutputOpened(output, now += 100), change);
    }
    EXPECT_TRUE(watch.Lost());

    // Asked for on purpose, the null output is no loss.
    SoundOutputWatch silent("null");
    EXPECT_EQ(silent.OutputOpened("null", 0), Change::None);
    EXPECT_FALSE(silent.ShouldReopen(true, 0));
}

TEST(SoundOutputWatch, ReopensWhenTheServerAnswersAndTriesLessOftenWhileItWillNotTakeUs)
{
    SoundOutputWatch watch;
    EXPECT_FALSE(watch.ShouldReopen(true, 0)); // not lost
    watch.OutputOpened("null", 0);
    // {time, server answers, reopen}: tries 1, 2, 4 s apart while the output stays null.
    const std::tuple<qint64, bool, bool> steps[] = {
        {1000, false, false}, {2000, true, true},  {2500, true, false}, {3000, true, true},
        {4900, true, false},  {5000, true, true},  {8900, true, false}, {9000, true, true},
        // Gone again: its next answer is tried at once.
        {9100, false, false}, {9200, true, true},  {9300, true, false}, {10200, true, true},
    };
    for (const auto& [time, answers, reopen] : steps) {
        SCOPED_TRACE(time);
        EXPECT_EQ(watch.ShouldReopen(answers, time), reopen);
    }
    // Never further apart than the longest wait.
    qint64 last = 10200;
    for (qint64 t = 10200; t < 200000; t += 100) {
        if (watch.ShouldReopen(true, t)) {
            EXPECT_LE(t - last, SoundOutputWatch::LongestRetryMs);
            last = t;
        }
    }
    EXPECT_GT(last, 200000 - SoundOutputWatch::LongestRetryMs - 100);
    watch.OutputOpened("pulse", 200000);
    EXPECT_FALSE(watch.ShouldReopen(true, 300000));
}

TEST(SoundOutputWatch, AServerAnswersOnlyOnASocketSomethingListensOn)
{
    TempDir dir;
    ScopedEnv env;
    NoSoundServer(env, dir);
    EXPECT_FALSE(SoundServerAnswers());
    {
        ServerSocket pipewire(dir.File("pipewire-0"));
        EXPECT_TRUE(SoundServerAnswers());
        pipewire.Die(); // the file stays, nobody listens
        EXPECT_FALSE(SoundServerAnswers());
    }
    ASSERT_TRUE(QDir(dir.Path()).mkdir("pulse"));
    ServerSocket pulse(dir.File("pulse/native"));
    EXPECT_TRUE(SoundServerAnswers());
    pulse.Die();

    // Named servers: a list of addresses, any of which may answer.
    ServerSocket named(dir.File("elsewhere"));
    for (const auto& [servers, answers] : std::initializer_list<std::pair<QByteArray, bool>>{
             {"unix:" + dir.File("elsewhere").toLocal8Bit(), true},
             {"unix:" + dir.File("nothing").toLocal8Bit(), false},
             {"{machine}unix:" + dir.File("nothing").toLocal8Bit() + " " +
                  dir.File("elsewhere").toLocal8Bit(),
              true},
             {"tcp:sound.example:4713", true},
         }) {
        SCOPED_TRACE(servers.constData());
        env.Set("PULSE_SERVER", servers);
        EXPECT_EQ(SoundServerAnswers(), answers);
    }
}

TEST(MpvEngine, WithoutASoundServerItOpensTheOutputAgainWhenOneAnswers)
{
    // No server: mpv falls back to the null output. When a socket answers where the server
    // would be, the engine opens its output again, and mpv connects to it (this fake server
    // takes no part in the protocol, so the output falls back again, and is tried again).
    TempDir dir;
    ScopedEnv env;
    NoSoundServer(env, dir);
    env.Set("TONLYRA_MPV_VO", "null");
    const QString socket = dir.File("pulse-native");
    env.Set("PULSE_SERVER", "unix:" + socket.toLocal8Bit());
    QFile config(dir.File("client.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("autospawn = no\n");
    config.close();
    env.Set("PULSE_CLIENTCONFIG", config.fileName().toLocal8Bit());

    QStringList log;
    static QStringList* logged = nullptr;
    logged = &log;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { logged->append(text); });
    auto lines = [&](const char* start) {
        return std::count_if(log.begin(), log.end(),
                             [&](const QString& l) { return l.startsWith(start); });
    };
    {
        MpvEngine engine;
        ASSERT_TRUE(engine.IsValid());
        ASSERT_TRUE(QTest::qWaitFor([&] { return lines("Sound output lost") == 1; }, 10000));

        ServerSocket server(socket);
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.Connected(); }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.Connected(); }, 5000)); // again later
        EXPECT_EQ(lines("Sound output lost"), 1);
        EXPECT_EQ(lines("Sound output back"), 0);
    }
    qInstallMessageHandler(previous);
}
