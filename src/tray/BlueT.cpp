#include "tray/BlueT.h"

#include <QPainter>

#include <cmath>

QImage blueT(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    // Laid out on a 16-pixel grid: a bar of 12 x 3 and a stem of 4 x 10,
    // both snapped to whole pixels so every size stays crisp.
    const double unit = size / 16.0;
    const auto px = [unit](double v) { return static_cast<int>(std::lround(v * unit)); };
    QPainter painter(&image);
    const QColor blue(31, 79, 216);
    painter.fillRect(QRect(QPoint(px(2), px(2)), QPoint(px(14) - 1, px(5) - 1)), blue);
    painter.fillRect(QRect(QPoint(px(6), px(5)), QPoint(px(10) - 1, px(15) - 1)), blue);
    return image;
}

QIcon blueTIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48})
        icon.addPixmap(QPixmap::fromImage(blueT(size)));
    return icon;
}
