#pragma once

// A playback engine whose media do exactly what the test says, when it says, for tests where the
// order and timing of playback events must be exact. It reports every change synchronously, as
// the real engine does for changes a command causes.

#include "media/PlaybackEngine.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <map>

namespace Tonlyra::Test {

class ScriptedEngine : public PlaybackEngine
{
public:
    // When set, a loaded medium becomes ready on the next turn of the event loop with the length
    // Lengths gives its address (300 s otherwise); when clear, the test calls Loaded or Broken.
    bool AutoLoad = false;

    void Load(const QString& url) override
    {
        Url = url;
        Urls.append(url);
        Dur = 0;
        Pos = 0;
        Fail = false;
        Set(Transitioning);
        if (!AutoLoad)
            return;
        QTimer::singleShot(0, this, [this, url] {
            if (Url != url || State != Transitioning)
                return;
            const auto length = Lengths.find(url);
            Loaded(length == Lengths.end() ? 300.0 : length->second);
        });
    }
    void Close() override
    {
        Fail = false;
        Set(Undefined);
    }
    void Play() override
    {
        if (State == Stopped || State == Paused || State == Ready)
            Set(Playing);
    }
    void Pause() override
    {
        if (State == Playing)
            Set(Paused);
    }
    void Stop() override
    {
        if (State == Playing || State == Paused || State == Ready)
            Set(Stopped);
    }
    int PlayState() const override { return State; }
    double Position() const override { return Pos; }
    void SetPosition(double seconds) override
    {
        Pos = seconds;
        Seeks.append(seconds);
    }
    double Duration() const override { return Dur; }
    void SetEndPosition(double seconds) override { End = seconds; }
    void SetVolume(int) override {}
    void SetMute(bool mute) override { Muted = mute; }
    void SetFullScreen(bool on) override { Full = on; }
    bool FullScreen() const override { return Full; }
    bool HasVideo() const override { return false; }
    bool RenderFrame(QImage&) override { return false; }
    bool Failed() const override { return Fail; }
    QString ErrorText() const override { return Fail ? QStringLiteral("broken") : QString(); }

    // What the medium does.
    void Loaded(double seconds)
    {
        Dur = seconds;
        Set(Ready);
    }
    void Broken()
    {
        Fail = true;
        Set(Stopped);
    }
    // The medium reaches its stop position.
    void Finish()
    {
        if (State == Playing)
            Set(Stopped);
    }
    void Set(int state)
    {
        State = state;
        Log.append(state);
        if (state != Playing)
            Full = false; // full screen ends with the playing video
        emit PlayStateChange(state);
    }

    int State = Undefined;
    QString Url;
    QStringList Urls; // every address loaded, in order
    double Dur = 0, Pos = 0, End = -1;
    bool Fail = false, Muted = false, Full = false;
    QList<double> Seeks;
    QList<int> Log;
    std::map<QString, double> Lengths;
};

} // namespace Tonlyra::Test
