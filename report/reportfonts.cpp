// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportfonts.h"

#include <QFontDatabase>
#include <QHash>
#include <QRawFont>

namespace ReportFonts {

namespace {

const QString kFallback = QStringLiteral("DejaVu Sans");

// The characters every letterhead font has: most texts need no closer look.
bool plain(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\r' || (u >= 0x20 && u < 0x7f) || (u >= 0xa0 && u < 0x180)) continue;
        // Dashes, quotes, bullet, ellipsis, euro.
        if ((u >= 0x2013 && u <= 0x2026) || u == 0x20ac) continue;
        return false;
    }
    return true;
}

struct Coverage
{
    QRawFont primary, fallback;
    QHash<char32_t, bool> known;
    bool has(char32_t c)
    {
        auto it = known.find(c);
        if (it == known.end())
            it = known.insert(c, primary.supportsCharacter(c) || fallback.supportsCharacter(c));
        return *it;
    }
};

Coverage &coverageOf(const QFont &font)
{
    static QHash<QString, Coverage> cache;
    const QString family = font.families().value(0, font.family());
    const QString key =
        family + QLatin1Char('|') + QString::number(font.bold()) + QString::number(font.italic());
    auto it = cache.find(key);
    if (it == cache.end()) {
        QFont primary(family);
        primary.setBold(font.bold());
        primary.setItalic(font.italic());
        QFont fallback(kFallback);
        fallback.setBold(font.bold());
        fallback.setItalic(font.italic());
        it = cache.insert(key, Coverage{QRawFont::fromFont(primary), QRawFont::fromFont(fallback), {}});
    }
    return *it;
}

} // namespace

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
    // A list of families takes no substitutions: it names the installed twin.
    QString installed = family;
    if (!QFontDatabase::hasFamily(family) && QFontDatabase::hasFamily(QFont::substitute(family)))
        installed = QFont::substitute(family);
    QFont f(installed);
    f.setFamilies({installed, kFallback});
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

QString printable(const QString &text, const QFont &font)
{
    if (plain(text)) return text;
    Coverage &coverage = coverageOf(font);
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        switch (c) {
        case U'\n':
        case U'\r':
            out += QChar(c);
            continue;
        case U'\t':
            out += QLatin1Char(' ');
            continue;
        case U'\v':
        case U'\f':
        case 0x85:
        case 0x2028:
        case 0x2029:
            out += QLatin1Char('\n');
            continue;
        default:
            break;
        }
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Other_Control) continue;
        if (coverage.has(c)) {
            out += QString::fromUcs4(&c, 1);
        } else if (category == QChar::Other_Format) {
            continue; // invisible anyway: joiners, marks of direction
        } else {
            out += QChar(QChar::ReplacementCharacter);
        }
    }
    return out;
}

} // namespace ReportFonts
