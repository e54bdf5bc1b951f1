// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures the user gives the program: the firm's logo on the letterhead.
#include <QImage>
#include <QString>

namespace Pictures {

// A PNG as it is, an SVG drawn for a width of so many millimetres at 600 dpi
// (sharp in print and PDF). A null image when the file cannot be read.
QImage loadLogo(const QString &path, qreal widthMm = 40);

} // namespace Pictures
