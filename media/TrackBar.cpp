#include "media/TrackBar.h"

#include <QPainter>
#include <QStyleOptionSlider>

namespace Tonlyra {

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void TrackBar::SetSelection(int start, int end)
{
    if (start == SelectionStart && end == SelectionEnd)
        return;
    SelectionStart = start;
    SelectionEnd = end;
    update();
}

int TrackBar::HandleCentre(int value) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.sliderPosition = value;
    option.sliderValue = value;
    return style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this)
        .center()
        .x();
}

int TrackBar::HandleLength() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this)
        .width();
}

void TrackBar::paintEvent(QPaintEvent*)
{
    // The groove is drawn as if the handle stood at the minimum, so that the style fills none of
    // it: the groove shows the selection, nothing else. Then the ticks, the selection and the
    // handle on top.
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const int position = option.sliderPosition;
    option.sliderPosition = option.minimum;
    option.sliderValue = option.minimum;
    option.upsideDown = false;
    option.subControls = QStyle::SC_SliderGroove;
    if (tickPosition() != NoTicks)
        option.subControls |= QStyle::SC_SliderTickmarks;
    option.activeSubControls = QStyle::SC_None;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

    if (SelectionEnd > SelectionStart) {
        const QRect groove =
            style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        const int left = HandleCentre(SelectionStart);
        const int right = HandleCentre(SelectionEnd);
        const QRect band(left, groove.center().y() - 2, right - left + 1, 5);
        const QColor colour = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                              QPalette::Highlight);
        painter.fillRect(band, colour);
    }

    initStyleOption(&option);
    option.sliderPosition = position;
    option.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}

} // namespace Tonlyra
