#include "ui/common/pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace pictures {

QPixmap Information(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 70, 160), size / 16.0));
    p.setBrush(QColor(40, 120, 220));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const double unit = size / 32.0;
    p.drawEllipse(QRectF(14 * unit, 6 * unit, 4 * unit, 4 * unit));
    p.drawRoundedRect(QRectF(14 * unit, 12 * unit, 4 * unit, 14 * unit), unit, unit);
    return pm;
}

QPixmap Hourglass(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double u = size / 32.0;
    // Frame: a top and a bottom bar.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 72, 24));
    p.drawRoundedRect(QRectF(6 * u, 2 * u, 20 * u, 3 * u), u, u);
    p.drawRoundedRect(QRectF(6 * u, 27 * u, 20 * u, 3 * u), u, u);
    // Glass.
    QPainterPath glass;
    glass.moveTo(8 * u, 5 * u);
    glass.lineTo(24 * u, 5 * u);
    glass.lineTo(17 * u, 16 * u);
    glass.lineTo(24 * u, 27 * u);
    glass.lineTo(8 * u, 27 * u);
    glass.lineTo(15 * u, 16 * u);
    glass.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 110), u));
    p.setBrush(QColor(225, 235, 245));
    p.drawPath(glass);
    // Sand: a little left above, a heap below.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 180, 60));
    QPainterPath top;
    top.moveTo(11.5 * u, 10 * u);
    top.lineTo(20.5 * u, 10 * u);
    top.lineTo(16 * u, 15.5 * u);
    top.closeSubpath();
    p.drawPath(top);
    QPainterPath heap;
    heap.moveTo(9.5 * u, 26 * u);
    heap.lineTo(22.5 * u, 26 * u);
    heap.lineTo(16 * u, 20 * u);
    heap.closeSubpath();
    p.drawPath(heap);
    return pm;
}

} // namespace pictures
