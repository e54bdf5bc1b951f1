// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fonts of the letterheads. Layouts name Times New Roman and Arial; where
// those are not installed they resolve to their metric twins Liberation Serif
// and Liberation Sans, so that every text keeps its width and breaks its
// lines at the same words as on the machines the layouts were made on.
// Characters a font lacks come from DejaVu Sans, whatever else the machine
// has installed, so that every print embeds the same fonts.
#include <QFont>
#include <QString>

namespace ReportFonts {

// Registers the substitutions once; later calls do nothing.
void install();
// A font of the family at the point size, with a fitting fallback style.
QFont font(const QString &family, qreal points, bool bold = false, bool italic = false,
           bool underline = false);
// The text as the font prints it: a tab becomes a blank, line and page
// separators line breaks, other control characters go, and a character that
// neither the font nor the fallback has becomes the replacement character,
// never the empty box of a missing glyph.
QString printable(const QString &text, const QFont &font);

} // namespace ReportFonts
