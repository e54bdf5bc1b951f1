// SPDX-License-Identifier: GPL-3.0-or-later
#include "previewicons.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace PreviewIcons {

namespace {

const QColor kInk(0x20, 0x30, 0x60);
const QColor kBlue(0x1e, 0x50, 0xb4);
const QColor kPaper(0xfc, 0xfc, 0xf4);

// Drawn on a 24 x 24 grid and scaled to every size a tool bar asks for.
QIcon drawn(const std::function<void(QPainter &)> &draw)
{
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

void triangle(QPainter &p, qreal tipX, bool right)
{
    QPainterPath path;
    const qreal back = right ? tipX - 8 : tipX + 8;
    path.moveTo(tipX, 12);
    path.lineTo(back, 5);
    path.lineTo(back, 19);
    path.closeSubpath();
    p.fillPath(path, kBlue);
}

void bar(QPainter &p, qreal x)
{
    p.fillRect(QRectF(x, 5, 2.5, 14), kInk);
}

void magnifier(QPainter &p, bool plus)
{
    p.setPen(QPen(kInk, 2));
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
    p.setPen(QPen(kInk, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 15), QPointF(21, 21));
    p.setPen(QPen(kBlue, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 10), QPointF(13, 10));
    if (plus) p.drawLine(QPointF(10, 7), QPointF(10, 13));
}

void sheet(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(kInk, 1.3));
    p.setBrush(kPaper);
    p.drawRect(r);
}

} // namespace

QIcon firstPage()
{
    return drawn([](QPainter &p) {
        bar(p, 4);
        triangle(p, 7.5, false);
        triangle(p, 13, false);
    });
}

QIcon previousPage()
{
    return drawn([](QPainter &p) { triangle(p, 8, false); });
}

QIcon nextPage()
{
    return drawn([](QPainter &p) { triangle(p, 16, true); });
}

QIcon lastPage()
{
    return drawn([](QPainter &p) {
        triangle(p, 11, true);
        triangle(p, 16.5, true);
        bar(p, 17.5);
    });
}

QIcon zoomOut()
{
    return drawn([](QPainter &p) { magnifier(p, false); });
}

QIcon zoomIn()
{
    return drawn([](QPainter &p) { magnifier(p, true); });
}

QIcon view()
{
    return drawn([](QPainter &p) {
        sheet(p, QRectF(5, 2.5, 14, 19));
        p.setPen(QPen(kBlue, 1.2));
        for (qreal y = 7; y <= 17; y += 2.5)
            p.drawLine(QPointF(8, y), QPointF(16, y));
    });
}

QIcon print()
{
    return drawn([](QPainter &p) {
        sheet(p, QRectF(7, 2.5, 10, 7));
        p.setPen(QPen(kInk, 1.3));
        p.setBrush(QColor(0x9a, 0xa8, 0xc4));
        p.drawRoundedRect(QRectF(3, 9, 18, 8), 1.5, 1.5);
        sheet(p, QRectF(7, 14, 10, 7.5));
        p.setPen(QPen(kBlue, 1));
        p.drawLine(QPointF(9, 17), QPointF(15, 17));
        p.drawLine(QPointF(9, 19.3), QPointF(15, 19.3));
    });
}

QIcon help()
{
    return drawn([](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
        QFont f;
        f.setPixelSize(15);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(2.5, 2.5, 19, 19), Qt::AlignCenter, QStringLiteral("?"));
    });
}

QIcon close()
{
    return drawn([](QPainter &p) {
        sheet(p, QRectF(4, 3, 12, 18));
        p.setPen(QPen(QColor(0xb0, 0x20, 0x20), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 9), QPointF(20, 17));
        p.drawLine(QPointF(20, 9), QPointF(12, 17));
    });
}

} // namespace PreviewIcons
