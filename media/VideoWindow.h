#pragma once

#include <QImage>
#include <QWidget>

namespace Tonlyra {

class PlaybackEngine;

// A surface that shows the engine's video: frames drawn by libmpv's software renderer into an
// image of the surface's size (so it works on X11, Wayland and the offscreen platform alike),
// letterboxed to keep the video's proportions. It takes no input of its own; the media dialog
// shows the video in one inside its window.
class VideoSurface : public QWidget
{
    Q_OBJECT
public:
    explicit VideoSurface(PlaybackEngine* engine, QWidget* parent = nullptr,
                          Qt::WindowFlags flags = {});

    // Whether the surface is on the screen, so that it draws the next frame.
    bool OnScreen() const;
    // A new frame is ready: drawn at the next paint.
    void FrameCame();

protected:
    void paintEvent(QPaintEvent* event) override;

    PlaybackEngine* Engine;

private:
    QImage Frame;
    bool FrameDirty = true;
};

// The full-screen window a video plays in when the player plays it: on the screen while the
// engine plays full screen. It hands the user's keys and clicks back to the engine, which
// reports them as its own events. It also hands each new frame
// on: to the surface on the screen (itself or the inline one), else into a small scratch image,
// since mpv waits until each frame has been drawn.
class VideoWindow : public VideoSurface
{
    Q_OBJECT
public:
    explicit VideoWindow(PlaybackEngine* engine, QWidget* parent = nullptr);

    // Covers the screen the window is on (the primary one at first). The geometry is set before
    // going full screen: without a window manager a bare showFullScreen() may leave a tiny window.
    void ShowFullScreen();

    // The surface that shows the video when this window is not on the screen (the media
    // dialog's); none by default.
    VideoSurface* InlineSurface = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void RouteFrame();

    // Where frames go while no surface is on the screen.
    QImage Scratch;
};

} // namespace Tonlyra
