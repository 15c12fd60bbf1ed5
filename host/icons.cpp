#include "host/icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <functional>

namespace host {

namespace {

// Faces are drawn on a 16 x 16 grid and rendered at twice that for sharp
// toolbars; Qt scales them down where it needs the small size.
constexpr int kGrid = 16;
constexpr int kScale = 2;

using Painter = std::function<void(QPainter&)>;

// 24: a letter going out (sending).
void envelope(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 120), 1));
    p.setBrush(QColor(255, 250, 220));
    p.drawRect(QRectF(1.5, 4.5, 11, 8));
    p.drawPolyline(QPolygonF({QPointF(1.5, 4.5), QPointF(7, 9), QPointF(12.5, 4.5)}));
    p.setPen(QPen(QColor(0, 140, 0), 1.6));
    p.drawLine(QPointF(11, 2), QPointF(15, 2));
    p.drawLine(QPointF(13.5, 0.5), QPointF(15, 2));
    p.drawLine(QPointF(13.5, 3.5), QPointF(15, 2));
}

// 17: a column chart (reports).
void chart(QPainter& p) {
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(1.5, 1), QPointF(1.5, 14.5));
    p.drawLine(QPointF(1.5, 14.5), QPointF(15, 14.5));
    const struct { double x, h; QColor c; } bars[] = {
        {3, 6, QColor(40, 90, 200)}, {6.5, 10, QColor(200, 60, 60)}, {10, 8, QColor(60, 160, 60)}};
    p.setPen(QPen(QColor(30, 30, 30), 0.8));
    for (const auto& b : bars) {
        p.setBrush(b.c);
        p.drawRect(QRectF(b.x, 14 - b.h, 3, b.h));
    }
}

// 548: a gear (settings).
void gear(QPainter& p) {
    QPainterPath path;
    const QPointF c(8, 8);
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        double a = i * M_PI / teeth;
        double r = (i % 2 == 0) ? 7.2 : 5.2;
        QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    path.addEllipse(c, 2.2, 2.2);
    path.setFillRule(Qt::OddEvenFill);
    p.setPen(QPen(QColor(50, 50, 50), 0.8));
    p.setBrush(QColor(150, 150, 160));
    p.drawPath(path);
}

// 984: a question mark in a bubble (help).
void help(QPainter& p) {
    p.setPen(QPen(QColor(20, 60, 150), 1));
    p.setBrush(QColor(70, 130, 230));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    QFont f;
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
}

// 1445: a globe (web).
void globe(QPainter& p) {
    p.setPen(QPen(QColor(0, 90, 60), 1));
    p.setBrush(QColor(80, 180, 220));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 90, 60), 0.8));
    p.drawEllipse(QRectF(5, 1, 6, 14));
    p.drawLine(QPointF(1, 8), QPointF(15, 8));
    p.drawLine(QPointF(2.5, 4.5), QPointF(13.5, 4.5));
    p.drawLine(QPointF(2.5, 11.5), QPointF(13.5, 11.5));
}

const QHash<int, Painter>& painters() {
    static const QHash<int, Painter> table = {
        {24, envelope}, {17, chart}, {548, gear}, {984, help}, {1445, globe},
    };
    return table;
}

} // namespace

QIcon FaceIcon(int faceId) {
    static QHash<int, QIcon> cache;
    if (auto it = cache.constFind(faceId); it != cache.constEnd())
        return *it;
    QIcon icon;
    if (const auto draw = painters().value(faceId)) {
        QPixmap pixmap(kGrid * kScale, kGrid * kScale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(kScale, kScale);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    cache.insert(faceId, icon);
    return icon;
}

} // namespace host
