#pragma once
// The fonts of the letterheads. Layouts name Times New Roman and Arial; where
// those are not installed they resolve to their metric twins Liberation Serif
// and Liberation Sans, so that every text keeps its width and breaks its
// lines at the same words as on the machines the layouts were made on.
#include <QFont>
#include <QString>

namespace ReportFonts {

// Registers the substitutions once; later calls do nothing.
void install();
// A font of the family at the point size, with a fitting fallback style.
QFont font(const QString &family, qreal points, bool bold = false, bool italic = false,
           bool underline = false);

} // namespace ReportFonts
