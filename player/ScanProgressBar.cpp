#include "player/ScanProgressBar.h"

#include <QPainter>

#include <algorithm>

namespace Tonlyra {

ScanProgressBar::ScanProgressBar(QWidget* grid, std::function<std::optional<Step>()> step)
    : QWidget(grid), CurrentStep(std::move(step))
{
    setObjectName(QStringLiteral("ScanProgressBar"));
    // The clicks are the cells'.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    Animation.setInterval(FrameIntervalMs);
    Animation.setTimerType(Qt::PreciseTimer);
    connect(&Animation, &QTimer::timeout, this, &ScanProgressBar::Update);
}

void ScanProgressBar::Follow(bool on)
{
    StepLength = 0;
    if (on) {
        Animation.start();
        Update();
    } else {
        Animation.stop();
        hide();
    }
}

void ScanProgressBar::Update()
{
    const std::optional<Step> step = CurrentStep ? CurrentStep() : std::nullopt;
    if (!step || step->Frame.isEmpty()) {
        // The next step shown is measured from where it is then.
        StepLength = 0;
        hide();
        return;
    }
    const int left = std::max(0, step->MsLeft);
    // A tick of the timer, or a step held longer: a new step.
    if (StepLength <= 0 || left > LastLeft)
        StepLength = std::max(1, left);
    LastLeft = left;
    Share = std::clamp(double(left) / StepLength, 0.0, 1.0);
    Color = step->Color;

    const QRect inner = step->Frame.adjusted(step->FrameWidth, step->FrameWidth,
                                             -step->FrameWidth, -step->FrameWidth);
    // Thick enough to be seen across the room, thin enough to leave the picture.
    const int thickness = std::clamp(inner.height() / 16, 4, 16);
    setGeometry(QRect(inner.left(), inner.bottom() + 1 - thickness, inner.width(), thickness));
    raise();
    show();
    update();
}

void ScanProgressBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, qRound(width() * Share), height()), Color);
}

} // namespace Tonlyra
