#include "reportfonts.h"

#include <QFontDatabase>

namespace ReportFonts {

void install()
{
    static bool done = false;
    if (done) return;
    done = true;
    const struct
    {
        const char *family;
        const char *twin;
    } twins[] = {{"Times New Roman", "Liberation Serif"},
                 {"Arial", "Liberation Sans"},
                 {"Courier New", "Liberation Mono"},
                 {"Arial Narrow", "Liberation Sans Narrow"}};
    for (const auto &t : twins) {
        const QString family = QString::fromLatin1(t.family);
        if (!QFontDatabase::hasFamily(family)) QFont::insertSubstitution(family, QString::fromLatin1(t.twin));
    }
}

QFont font(const QString &family, qreal points, bool bold, bool italic, bool underline)
{
    install();
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    const QString lower = family.toLower();
    if (lower.contains(QLatin1String("times")) || lower.contains(QLatin1String("serif")))
        f.setStyleHint(QFont::Serif);
    else if (lower.contains(QLatin1String("courier")) || lower.contains(QLatin1String("mono")))
        f.setStyleHint(QFont::TypeWriter);
    else
        f.setStyleHint(QFont::SansSerif);
    // The widths of the print, not those of the screen's hinting.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(true);
    return f;
}

} // namespace ReportFonts
