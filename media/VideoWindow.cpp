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

VideoWindow::VideoWindow(PlaybackEngine* engine, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), Engine(engine)
{
    setWindowTitle(QStringLiteral("Tonlyran"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::BlankCursor);
    connect(engine, &PlaybackEngine::FrameReady, this, [this] {
        FrameDirty = true;
        if (isVisible() && windowHandle() && windowHandle()->isExposed()) {
            update();
        } else {
            // The player waits until each frame has been drawn before it goes on (up to a fifth
            // of a second a frame), sound included: a frame that comes while the window is not
            // on the screen (the medium loading, the window being mapped) is drawn where no one
            // sees it. The window draws the current frame once it is on the screen.
            if (Scratch.isNull())
                Scratch = QImage(16, 16, QImage::Format_RGB32);
            Engine->RenderFrame(Scratch);
        }
    });
}

void VideoWindow::ShowFullScreen()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->geometry());
    FrameDirty = true;
    showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void VideoWindow::paintEvent(QPaintEvent*)
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
