#pragma once

#include "media/PlaybackEngine.h"

#include <QTimer>

#include <memory>

namespace Tonlyra {

// The playback engine over libmpv. Events reach the GUI thread through mpv's wakeup callback
// and a queued call that drains mpv's event queue; nothing polls. Video is drawn through
// libmpv's software renderer, so that it shows on every Qt platform.
//
// Environment, for tests and for machines without sound:
//   TONLYRA_MPV_AO        audio output ("null", "pcm", ...; default: mpv's choice, falling
//                         back to no sound when there is no sound device)
//   TONLYRA_MPV_AO_FILE   the file that ao "pcm" writes (16-bit PCM WAV)
//   TONLYRA_MPV_VO        "null": no video output at all
class MpvEngine final : public PlaybackEngine
{
    Q_OBJECT
public:
    explicit MpvEngine(QObject* parent = nullptr);
    ~MpvEngine() override;

    // False when libmpv could not be set up; ErrorText says why. Every command is then ignored
    // and every Load fails.
    bool IsValid() const;

    void Load(const QString& url) override;
    void Close() override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    int PlayState() const override { return State; }
    double Position() const override;
    void SetPosition(double seconds) override;
    double Duration() const override { return DurationSeconds; }
    void SetEndPosition(double seconds) override;
    void SetVolume(int percent) override;
    void SetMute(bool mute) override;
    void SetFullScreen(bool on) override;
    bool FullScreen() const override { return IsFullScreen; }
    bool HasVideo() const override { return VideoPresent; }
    bool RenderFrame(QImage& image) override;
    void SetDiscWatch(bool on) override;
    bool Failed() const override { return LoadFailed; }
    QString ErrorText() const override { return Error; }

signals:
    // mpv has settled after a load or a seek: from here on what plays is at Position().
    void Restarted();

private:
    struct Handles;

    void DrainEvents();
    void OnRenderUpdate();
    void HandleProperty(int id, const void* data, int format);
    void SetState(int state);
    void BecomeReady();
    void FailLoad(const QString& text);
    void Command(std::initializer_list<const char*> args);
    void SetFlag(const char* name, bool value);
    void SetString(const char* name, const QByteArray& value);
    void ReadDurationNow();
    // Loads the silence that keeps the audio output open (see SilenceUrl).
    void LoadSilence();
    // Opens the audio output with silence, so that the next sound starts promptly.
    void WarmUp();
    // The output mpv has open now: notes the sound server's loss and return.
    void OutputOpened(const QByteArray& name);
    // While the output is lost: asks mpv to open it again if a sound server answers now.
    bool ReopenOutputIfServerBack();
    void LookForServer();
    // Where the medium ends: its end position, or its duration.
    double EndOfMedium() const;
    // The tail of the medium has played out: the end is reported.
    void EndHeard();
    void CheckDiscs();

    std::unique_ptr<Handles> H;
    int State = Undefined;
    QString Error;
    bool LoadFailed = false;

    // Loading: the generation of the latest Load, whether mpv has taken its loadfile, the
    // playlist entry it started, and how far loading has come.
    quint64 Generation = 0;
    bool LoadAccepted = false;
    qint64 CurrentEntry = -1;
    bool FileLoaded = false;
    bool Loading = false;

    // What the latest Load asked for, and whether its sound has been seen under way since the
    // last Play (told once in the log, so that a silent choice shows where it stopped).
    QString CurrentUrl;
    bool StartLogged = true;
    double PlayFrom = 0;
    // The audio output mpv has open ("pulse", "pipewire", "null", ...).
    QByteArray CurrentOutput;

    double DurationSeconds = 0;
    double ReportedPosition = 0;
    bool SeekPending = false;
    // Where mpv holds the medium, paused, when that is known exactly (just loaded, or sought
    // and not played since); -1 otherwise. A seek there again is skipped: every seek flushes
    // the audio output, and the sound server then starts the next sound later.
    double HeldAt = -1;
    // Runs from mpv's end report until what the sound server still holds has played out.
    QTimer* TailTimer = nullptr;
    // Runs while the audio output is lost, to notice the sound server coming back.
    QTimer* ServerLookTimer = nullptr;
    double EndSeconds = -1;
    bool VideoPresent = false;
    bool IsFullScreen = false;

    // What the drives held at the last look, to notice a disc change.
    QTimer* DiscTimer = nullptr;
    QString DiscSignature;
};

} // namespace Tonlyra
