#include "appicons.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace AppIcons {

namespace {

const QColor kInk(0x20, 0x30, 0x60);
const QColor kPaper(0xfc, 0xfc, 0xf4);
const QColor kBlue(0x1e, 0x50, 0xb4);

// Draws on a 24 x 24 grid and scales, so one drawing serves every size the
// tool bar or the menu asks for.
QPixmap drawn(int size, const std::function<void(QPainter &)> &draw)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    draw(p);
    return pm;
}

QIcon iconOf(const std::function<void(QPainter &)> &draw)
{
    QIcon icon;
    for (int size : {16, 24, 32})
        icon.addPixmap(drawn(size, draw));
    return icon;
}

QIcon themed(const char *name, const std::function<void(QPainter &)> &draw)
{
    return QIcon::fromTheme(QString::fromLatin1(name), iconOf(draw));
}

void page(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawRect(r);
}

} // namespace

QPixmap programSymbol()
{
    QPixmap pm(34, 34);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // A document sheet with the letter T over a small table of positions.
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kPaper);
    QPainterPath sheet;
    sheet.moveTo(6, 2);
    sheet.lineTo(22, 2);
    sheet.lineTo(29, 9);
    sheet.lineTo(29, 32);
    sheet.lineTo(6, 32);
    sheet.closeSubpath();
    p.drawPath(sheet);
    p.drawLine(QPointF(22, 2), QPointF(22, 9));
    p.drawLine(QPointF(22, 9), QPointF(29, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(9, 6, 10, 3));
    p.drawRect(QRectF(12.5, 9, 3, 10));
    p.setPen(QPen(kInk, 1));
    for (int y : {23, 26, 29})
        p.drawLine(QPointF(9, y), QPointF(26, y));
    return pm;
}

QIcon addresses()
{
    return themed("x-office-address-book", [](QPainter &p) {
        page(p, QRectF(3, 4, 18, 16));
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawEllipse(QRectF(6, 7, 5, 5));
        p.drawChord(QRectF(4.5, 12, 8, 8), 0, 180 * 16);
        p.setPen(QPen(kInk, 1.2));
        p.drawLine(QPointF(13, 9), QPointF(19, 9));
        p.drawLine(QPointF(13, 12), QPointF(19, 12));
        p.drawLine(QPointF(13, 15), QPointF(17, 15));
    });
}

QIcon articles()
{
    return themed("package-x-generic", [](QPainter &p) {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(0xd8, 0xa8, 0x60));
        p.drawRect(QRectF(3, 8, 18, 13));
        p.setBrush(QColor(0xe8, 0xc0, 0x80));
        QPolygonF lid;
        lid << QPointF(3, 8) << QPointF(7, 3) << QPointF(17, 3) << QPointF(21, 8);
        p.drawPolygon(lid);
        p.drawLine(QPointF(12, 3), QPointF(12, 13));
    });
}

QIcon newDocument()
{
    return themed("document-new", [](QPainter &p) {
        page(p, QRectF(4, 2, 14, 19));
        p.setPen(QPen(kInk, 1));
        for (int y : {7, 10, 13})
            p.drawLine(QPointF(7, y), QPointF(15, y));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x20, 0x90, 0x30));
        p.drawEllipse(QRectF(12, 12, 11, 11));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(17.5, 14.5), QPointF(17.5, 20.5));
        p.drawLine(QPointF(14.5, 17.5), QPointF(20.5, 17.5));
    });
}

QIcon documentList()
{
    return themed("view-list-details", [](QPainter &p) {
        page(p, QRectF(2, 3, 20, 18));
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRect(QRectF(2, 3, 20, 4));
        p.setPen(QPen(kInk, 1));
        for (int y : {10, 13, 16, 19}) {
            p.drawLine(QPointF(4, y), QPointF(9, y));
            p.drawLine(QPointF(11, y), QPointF(20, y));
        }
    });
}

QIcon calculator()
{
    return themed("accessories-calculator", [](QPainter &p) {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(0xc8, 0xcc, 0xd4));
        p.drawRoundedRect(QRectF(4, 2, 16, 20), 2, 2);
        p.setBrush(QColor(0xd0, 0xf0, 0xd0));
        p.drawRect(QRectF(6.5, 4.5, 11, 5));
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                p.drawRect(QRectF(7 + col * 3.7, 11.5 + row * 3.3, 2.4, 2.2));
    });
}

} // namespace AppIcons
