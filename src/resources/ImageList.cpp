#include "resources/ImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <functional>

namespace ImageList {
namespace {

QIcon draw(const std::function<void(QPainter&)>& paint, int size = 16) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    paint(p);
    p.end();
    return QIcon(pm);
}

void page(QPainter& p, const QColor& fill = QColor(0xFF, 0xFF, 0xFF)) {
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(10.5, 1.5);
    path.lineTo(13.5, 4.5);
    path.lineTo(13.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    p.setBrush(fill);
    p.drawPath(path);
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
}

void star(QPainter& p, QPointF c, double r) {
    QPainterPath s;
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5;
        const double rr = i % 2 ? r * 0.45 : r;
        const QPointF pt(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
        i ? s.lineTo(pt) : s.moveTo(pt);
    }
    s.closeSubpath();
    p.setPen(QPen(QColor(0xB0, 0x80, 0x00), 0.8));
    p.setBrush(QColor(0xFF, 0xD0, 0x20));
    p.drawPath(s);
}

void arrow(QPainter& p, bool left, const QColor& colour) {
    QPainterPath a;
    if (left) {
        a.moveTo(2, 8); a.lineTo(8, 2.5); a.lineTo(8, 5.5); a.lineTo(14, 5.5);
        a.lineTo(14, 10.5); a.lineTo(8, 10.5); a.lineTo(8, 13.5);
    } else {
        a.moveTo(14, 8); a.lineTo(8, 2.5); a.lineTo(8, 5.5); a.lineTo(2, 5.5);
        a.lineTo(2, 10.5); a.lineTo(8, 10.5); a.lineTo(8, 13.5);
    }
    a.closeSubpath();
    p.setPen(QPen(colour.darker(160), 1));
    p.setBrush(colour);
    p.drawPath(a);
}

void folder(QPainter& p) {
    p.setPen(QPen(QColor(0x90, 0x70, 0x10), 1));
    p.setBrush(QColor(0xF0, 0xC8, 0x50));
    QPainterPath f;
    f.moveTo(1.5, 3.5); f.lineTo(6, 3.5); f.lineTo(7.5, 5); f.lineTo(14.5, 5);
    f.lineTo(14.5, 13.5); f.lineTo(1.5, 13.5);
    f.closeSubpath();
    p.drawPath(f);
    p.setBrush(QColor(0xF8, 0xDC, 0x80));
    p.drawRect(QRectF(1.5, 6.5, 13, 7));
}

}  // namespace

QList<QIcon> create() {
    QList<QIcon> icons;
    icons << draw([](QPainter& p) { page(p); star(p, {11.5, 11.5}, 4); });                        // 0 New
    icons << draw([](QPainter& p) { arrow(p, true, QColor(0x30, 0xA0, 0x40)); });                 // 1 Back
    icons << draw([](QPainter& p) { arrow(p, false, QColor(0x30, 0xA0, 0x40)); });                // 2 Forward
    icons << draw([](QPainter& p) {                                                                // 3 Stop
        p.setPen(QPen(QColor(0x80, 0, 0), 1));
        p.setBrush(QColor(0xD8, 0x20, 0x20));
        QPolygonF oct;
        for (int i = 0; i < 8; ++i) {
            const double a = M_PI / 8 + i * M_PI / 4;
            oct << QPointF(8 + 6.5 * std::cos(a), 8 + 6.5 * std::sin(a));
        }
        p.drawPolygon(oct);
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    });
    icons << draw([](QPainter& p) {                                                                // 4 Reload
        p.setPen(QPen(QColor(0x20, 0x60, 0xC0), 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x20, 0x60, 0xC0));
        p.drawPolygon(QPolygonF({QPointF(8, 0.5), QPointF(12, 3), QPointF(8, 5.5)}));
    });
    icons << draw([](QPainter& p) {                                                                // 5 Home
        p.setPen(QPen(QColor(0x60, 0x30, 0x10), 1));
        p.setBrush(QColor(0xE0, 0x60, 0x30));
        p.drawPolygon(QPolygonF({QPointF(8, 1.5), QPointF(15, 8), QPointF(1, 8)}));
        p.setBrush(QColor(0xF0, 0xE0, 0xC0));
        p.drawRect(QRectF(3.5, 8, 9, 6.5));
        p.setBrush(QColor(0x80, 0x50, 0x20));
        p.drawRect(QRectF(7, 10, 2.5, 4.5));
    });
    icons << draw([](QPainter& p) { page(p, QColor(0xF4, 0xF8, 0xFF)); star(p, {5, 5}, 4); });    // 6 New command
    icons << draw([](QPainter& p) {                                                                // 7 Open command
        folder(p);
        p.setPen(QPen(QColor(0x20, 0x60, 0xC0), 1.5));
        p.drawLine(QPointF(10, 1.5), QPointF(14, 1.5));
        p.drawLine(QPointF(14, 1.5), QPointF(14, 4));
    });
    icons << draw([](QPainter& p) {                                                                // 8 Save
        p.setPen(QPen(QColor(0x20, 0x20, 0x50), 1));
        p.setBrush(QColor(0x40, 0x50, 0x90));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 2, 8, 5));
        p.setBrush(QColor(0xC0, 0xC0, 0xC0));
        p.drawRect(QRectF(4.5, 10, 7, 4.5));
    });
    icons << draw([](QPainter& p) {                                                                // 9 Copy
        p.translate(-2, -1);
        page(p);
        p.translate(4, 3);
        page(p, QColor(0xF0, 0xF0, 0xFF));
    });
    icons << draw([](QPainter& p) {                                                                // 10 Print
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(0xA0, 0xA0, 0xA0));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
    });
    icons << draw([](QPainter& p) { folder(p); });                                                 // 11 folder
    icons << draw([](QPainter& p) { page(p); star(p, {8.5, 9}, 4.5); });                           // 12 bookmark
    icons << draw([](QPainter& p) {                                                                // 13 web list
        page(p);
        p.setPen(QPen(QColor(0x20, 0x60, 0xC0), 1));
        for (int y = 5; y <= 12; y += 2) p.drawLine(QPointF(5, y + 0.5), QPointF(12, y + 0.5));
    });
    return icons;
}

namespace {

QIcon drawAppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        icon.addPixmap(draw(
                           [](QPainter& p) {
                               p.setPen(QPen(QColor(0x10, 0x30, 0x70), 1));
                               p.setBrush(QColor(0x30, 0x70, 0xD0));
                               p.drawEllipse(QRectF(1, 1, 14, 14));
                               p.setPen(QPen(Qt::white, 1.2));
                               p.drawEllipse(QRectF(4, 1.2, 8, 13.6));
                               p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
                               p.setPen(QPen(QColor(0xFF, 0xD0, 0x20), 2.2));
                               p.drawLine(QPointF(5, 5), QPointF(11, 5));
                               p.drawLine(QPointF(8, 5), QPointF(8, 12));
                           },
                           size)
                           .pixmap(size));
    }
    return icon;
}

}  // namespace

QIcon appIcon() {
    // Drawn once: every view window shows it, and a list of hundreds opens them in a row.
    static const QIcon icon = drawAppIcon();
    return icon;
}

}  // namespace ImageList
