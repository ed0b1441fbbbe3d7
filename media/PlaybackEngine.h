#pragma once

#include <QObject>
#include <QString>

class QImage;

namespace Tonlyra {

// What the playback service needs of a media player: one medium at a time, loaded from a file
// path or a "cdtrack://" address, played, paused and stopped, positioned in seconds, with its
// play state reported as numbers and the user's keys and clicks on the video surface passed on.
//
// State changes that a command causes (Play, Pause, Stop, Close, Load) are reported before the
// command returns, so that the caller sees them in the order it acted; changes that the medium
// causes (loaded, reached its end, failed) arrive later from the event loop.
class PlaybackEngine : public QObject
{
    Q_OBJECT
public:
    enum State
    {
        Undefined = 0,
        Stopped = 1,
        Paused = 2,
        Playing = 3,
        Transitioning = 9, // loading; passing
        Ready = 10,
    };

    using QObject::QObject;
    ~PlaybackEngine() override = default;

    // Starts loading url; the state becomes Transitioning, then Ready (positioned at 0, paused,
    // duration known) or Stopped with Failed() set.
    virtual void Load(const QString& url) = 0;
    // Unloads the medium; the state becomes Undefined.
    virtual void Close() = 0;
    // Playing from the current position. Only from Stopped, Paused or Ready.
    virtual void Play() = 0;
    // Only while playing.
    virtual void Pause() = 0;
    // Only while playing, paused or ready; the medium stays loaded where it is.
    virtual void Stop() = 0;

    virtual int PlayState() const = 0;
    // Seconds: where the player last reported the sound to be (a few times a second), never
    // estimated from the clock.
    virtual double Position() const = 0;
    virtual void SetPosition(double seconds) = 0;
    // Seconds; 0 while unknown.
    virtual double Duration() const = 0;
    // Playing stops by itself (state Stopped) on reaching this position; negative: the end.
    // Stopped is reported once the last sound has been heard.
    virtual void SetEndPosition(double seconds) = 0;

    virtual void SetVolume(int percent) = 0;
    virtual void SetMute(bool mute) = 0;

    // Video is shown full screen while this is on; it goes off by itself when the medium stops,
    // ends or is closed.
    virtual void SetFullScreen(bool on) = 0;
    virtual bool FullScreen() const = 0;
    // Whether the loaded medium has a picture.
    virtual bool HasVideo() const = 0;
    // Draws the current video frame into image (Format_RGB32, any size). False when there is
    // nothing to draw.
    virtual bool RenderFrame(QImage& image) = 0;

    // While on, the CD drives are watched and CdromMediaChange is raised when a disc comes,
    // goes or is exchanged.
    virtual void SetDiscWatch(bool on) { Q_UNUSED(on); }

    // Set when the last Load failed; ErrorText says why, in the library's words.
    virtual bool Failed() const = 0;
    virtual QString ErrorText() const = 0;

signals:
    void PlayStateChange(int newState);
    void CdromMediaChange();
    void FullScreenChange(bool on);
    void FrameReady();
    // The user's keys and clicks on the video surface; key codes as Tonlyra::KeyCodeOf gives them.
    void KeyDown(int key, Qt::KeyboardModifiers shift);
    void KeyUp(int key, Qt::KeyboardModifiers shift);
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
};

} // namespace Tonlyra
