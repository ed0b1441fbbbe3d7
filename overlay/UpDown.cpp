#include "overlay/UpDown.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolButton>

#include <algorithm>

namespace Tonlyra {

UpDown::UpDown(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    for (QToolButton** button : {&DownButton, &UpButton}) {
        *button = new QToolButton(this);
        (*button)->setArrowType(button == &DownButton ? Qt::LeftArrow : Qt::RightArrow);
        (*button)->setFocusPolicy(Qt::NoFocus);
        (*button)->setAutoRepeat(true);
        layout->addWidget(*button);
    }
    connect(DownButton, &QToolButton::clicked, this, [this] { Step(-1); });
    connect(UpButton, &QToolButton::clicked, this, [this] { Step(1); });
}

void UpDown::SetRange(int min, int max)
{
    Minimum = min;
    Maximum = std::max(min, max);
    Value = std::clamp(Value, Minimum, Maximum);
}

void UpDown::SetPosition(int position)
{
    Value = std::clamp(position, Minimum, Maximum);
}

void UpDown::Step(int delta)
{
    SetPosition(Value + delta);
    emit Click();
}

void UpDown::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        Step(-1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        Step(1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void UpDown::paintEvent(QPaintEvent*)
{
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.state |= QStyle::State_KeyboardFocusChange;
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

} // namespace Tonlyra
