#include "media/VideoWindow.h"

#include "media/PlaybackEngine.h"
#include "platform/KeyCodes.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace Tonlyra {

VideoSurface::VideoSurface(PlaybackEngine* engine, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), Engine(engine)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool VideoSurface::OnScreen() const
{
    const QWindow* window = this->window()->windowHandle();
    return isVisible() && window && window->isExposed();
}

void VideoSurface::FrameCame()
{
    FrameDirty = true;
    update();
}

void VideoSurface::paintEvent(QPaintEvent*)
{
    if (Frame.size() != size()) {
        Frame = QImage(size(), QImage::Format_RGB32);
        Frame.fill(Qt::black);
        FrameDirty = true;
    }
    if (FrameDirty && Engine->HasVideo()) {
        Engine->RenderFrame(Frame);
        FrameDirty = false;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, Frame);
}

VideoWindow::VideoWindow(PlaybackEngine* engine, QWidget* parent)
    : VideoSurface(engine, parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Tonlyran"));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::BlankCursor);
    connect(engine, &PlaybackEngine::FrameReady, this, &VideoWindow::RouteFrame);
    connect(engine, &PlaybackEngine::FullScreenChange, this, [this](bool on) {
        if (on)
            ShowFullScreen();
        else
            hide();
    });
}

void VideoWindow::RouteFrame()
{
    // Every surface draws the current frame at its next paint; the one on the screen paints.
    FrameCame();
    if (InlineSurface)
        InlineSurface->FrameCame();
    if (OnScreen() || (InlineSurface && InlineSurface->OnScreen()))
        return;
    // The player waits until each frame has been drawn before it goes on (up to a fifth of a
    // second a frame), sound included: a frame that comes while no surface is on the screen (the
    // medium loading, the window being mapped) is drawn where no one sees it.
    if (Scratch.isNull())
        Scratch = QImage(16, 16, QImage::Format_RGB32);
    Engine->RenderFrame(Scratch);
}

void VideoWindow::ShowFullScreen()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->geometry());
    FrameCame();
    showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void VideoWindow::keyPressEvent(QKeyEvent* event)
{
    emit Engine->KeyDown(KeyCodeOf(event), event->modifiers());
}

void VideoWindow::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats as presses only, as it does on the player window.
    if (event->isAutoRepeat())
        return;
    emit Engine->KeyUp(KeyCodeOf(event), event->modifiers());
}

void VideoWindow::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit Engine->MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void VideoWindow::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit Engine->MouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

} // namespace Tonlyra
