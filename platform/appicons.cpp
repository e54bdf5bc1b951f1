// SPDX-License-Identifier: GPL-3.0-or-later
#include "appicons.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

namespace AppIcons {

namespace {

const QColor kInk(0x20, 0x30, 0x60);
const QColor kPaper(0xfc, 0xfc, 0xf4);
const QColor kBlue(0x1e, 0x50, 0xb4);

QString resourcePath(const QString &name)
{
    return QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
}

QIcon themed(const char *themeName, const char *file)
{
    return QIcon::fromTheme(QString::fromLatin1(themeName), bundled(QString::fromLatin1(file)));
}

} // namespace

QIcon bundled(const QString &name)
{
    // Drawn here rather than through an image plug-in, so that the pictures
    // never depend on what an installation happens to carry.
    if (!QFile::exists(resourcePath(name))) return QIcon();
    QSvgRenderer svg(resourcePath(name));
    if (!svg.isValid()) return QIcon();
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        svg.render(&p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QStringList bundledNames()
{
    QStringList names;
    for (const QString &file :
         QDir(QStringLiteral(":/icons")).entryList({QStringLiteral("*.svg")}, QDir::Files))
        names << file.chopped(4);
    return names;
}

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
    return themed("x-office-address-book", "addresses");
}

QIcon articles()
{
    return themed("package-x-generic", "articles");
}

QIcon newDocument()
{
    return themed("document-new", "document-new");
}

QIcon documentList()
{
    return themed("view-list-details", "document-list");
}

QIcon calculator()
{
    return themed("accessories-calculator", "calculator");
}

QIcon sortOrder()
{
    return themed("view-sort-ascending", "sort");
}

QIcon addressToClipboard()
{
    return themed("edit-copy", "address-clipboard");
}

QIcon clearMailMergeMarks()
{
    return themed("edit-clear-all", "mailmerge-clear");
}

QIcon editSwitch()
{
    return themed("document-edit", "edit");
}

QIcon newAddress()
{
    return themed("contact-new", "address-new");
}

QIcon deleteAddress()
{
    return themed("edit-delete", "address-delete");
}

QIcon pickFromList()
{
    return themed("go-down", "pick-list");
}

QIcon webPage()
{
    return themed("internet-web-browser", "web-page");
}

QIcon eMail()
{
    return themed("mail-message-new", "e-mail");
}

} // namespace AppIcons
