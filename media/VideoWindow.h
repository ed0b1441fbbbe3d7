#pragma once

#include <QImage>
#include <QWidget>

namespace Tonlyra {

class PlaybackEngine;

// The full-screen surface a video plays on. It draws the engine's frames (libmpv's software
// renderer, so it works on X11, Wayland and the offscreen platform alike) and hands the user's
// keys and clicks back to the engine, which reports them as its own events.
class VideoWindow : public QWidget
{
    Q_OBJECT
public:
    explicit VideoWindow(PlaybackEngine* engine, QWidget* parent = nullptr);

    // Covers the screen the window is on (the primary one at first). The geometry is set before
    // going full screen: without a window manager a bare showFullScreen() may leave a tiny window.
    void ShowFullScreen();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PlaybackEngine* Engine;
    QImage Frame;
    bool FrameDirty = true;
    // Where frames go while the window is not on the screen.
    QImage Scratch;
};

} // namespace Tonlyra
