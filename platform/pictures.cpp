// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures.h"

#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>

namespace Pictures {

QImage loadLogo(const QString &path, qreal widthMm)
{
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) != 0) return QImage(path);
    QSvgRenderer svg(path);
    if (!svg.isValid() || svg.defaultSize().isEmpty()) return QImage();
    const QSizeF size = svg.defaultSize();
    const int width = qBound(16, qRound(qMax<qreal>(widthMm, 5) / 25.4 * 600), 4000);
    const int height = qMax(1, qRound(width * size.height() / size.width()));
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    svg.render(&p);
    return image;
}

} // namespace Pictures
