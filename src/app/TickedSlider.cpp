#include "app/TickedSlider.h"

#include <algorithm>
#include <QPainter>
#include <QStyleOptionSlider>

void TickedSlider::paintEvent(QPaintEvent* event)
{
    if (!testAttribute(Qt::WA_StyleSheet) || tickPosition() == NoTicks ||
        orientation() != Qt::Horizontal) {
        QSlider::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    // The groove and handle as the skin draws them, the ticks from here
    // only, whether or not the skin's style would have drawn its own.
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    if (isSliderDown()) {
        option.activeSubControls = QStyle::SC_SliderHandle;
        option.state |= QStyle::State_Sunken;
    }
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

    QColor tick = palette().color(QPalette::WindowText);
    tick.setAlpha(110);
    painter.setPen(tick);
    const int handle = style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
    const int available = style()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &option, this);
    const int length = style()->pixelMetric(QStyle::PM_SliderTickmarkOffset, &option, this);
    const int step = std::max(tickInterval(), 1);
    for (int value = minimum(); value <= maximum(); value += step) {
        const int x =
            QStyle::sliderPositionFromValue(minimum(), maximum(), value, available) + handle / 2;
        if (tickPosition() & TicksAbove)
            painter.drawLine(x, 0, x, length - 1);
        if (tickPosition() & TicksBelow)
            painter.drawLine(x, height() - length, x, height() - 1);
    }
}
