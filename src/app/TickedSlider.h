#pragma once

#include <QSlider>

// A slider that keeps its tick marks under a skin: Qt leaves them out as
// soon as a style sheet draws the groove or the handle. Under a style sheet
// it draws them itself, in the text's colour; otherwise the style does.
class TickedSlider : public QSlider
{
    Q_OBJECT
public:
    using QSlider::QSlider;

protected:
    void paintEvent(QPaintEvent* event) override;
};
