// SPDX-License-Identifier: GPL-3.0-or-later
#include "textcompare.h"

namespace TextCompare {

// Base letter of a folded character for the primary comparison; 0 means the
// character expands (ß, æ, œ) and is handled by the caller.
static inline char16_t baseOf(char16_t c)
{
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
    switch (c) {
    case u'à':
    case u'á':
    case u'â':
    case u'ã':
    case u'ä':
    case u'å':
    case u'À':
    case u'Á':
    case u'Â':
    case u'Ã':
    case u'Ä':
    case u'Å':
        return u'a';
    case u'ç':
    case u'Ç':
        return u'c';
    case u'è':
    case u'é':
    case u'ê':
    case u'ë':
    case u'È':
    case u'É':
    case u'Ê':
    case u'Ë':
        return u'e';
    case u'ì':
    case u'í':
    case u'î':
    case u'ï':
    case u'Ì':
    case u'Í':
    case u'Î':
    case u'Ï':
        return u'i';
    case u'ñ':
    case u'Ñ':
        return u'n';
    case u'ò':
    case u'ó':
    case u'ô':
    case u'õ':
    case u'ö':
    case u'ø':
    case u'Ò':
    case u'Ó':
    case u'Ô':
    case u'Õ':
    case u'Ö':
    case u'Ø':
        return u'o';
    case u'ù':
    case u'ú':
    case u'û':
    case u'ü':
    case u'Ù':
    case u'Ú':
    case u'Û':
    case u'Ü':
        return u'u';
    case u'ý':
    case u'ÿ':
    case u'Ý':
        return u'y';
    case u'ß':
    case u'æ':
    case u'Æ':
    case u'œ':
    case u'Œ':
        return 0;
    default: {
        // A letter whose folded form is one of the above (Ÿ, ẞ, the Ångström
        // sign) has that form's base: the base depends on the folded letter
        // alone, which the server's sort key relies on.
        const char16_t f = QChar(c).toCaseFolded().unicode();
        return f == c ? f : baseOf(f);
    }
    }
}

static void appendBase(QString &out, char16_t c)
{
    const char16_t b = baseOf(c);
    if (b) {
        out += QChar(b);
        return;
    }
    switch (QChar(c).toCaseFolded().unicode()) {
    case u'ß':
        out += QLatin1String("ss");
        break;
    case u'æ':
    case u'Æ':
        out += QLatin1String("ae");
        break;
    default:
        out += QLatin1String("oe");
        break;
    }
}

static inline char16_t foldChar(char16_t c)
{
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
    return QChar(c).toCaseFolded().unicode();
}

QString fold(QStringView s)
{
    QString out(s.size(), Qt::Uninitialized);
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < s.size(); ++i)
        o[i] = foldChar(s[i].unicode());
    return out;
}

static QString baseKey(QStringView s)
{
    QString out;
    out.reserve(s.size() + 2);
    for (QChar c : s)
        appendBase(out, c.unicode());
    return out;
}

int compare(QStringView a, QStringView b)
{
    // Fast path: plain ASCII on both sides needs no keys.
    const qsizetype n = qMin(a.size(), b.size());
    qsizetype i = 0;
    for (; i < n; ++i) {
        const char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= 0x80 || y >= 0x80) break;
        const char16_t fx = foldChar(x), fy = foldChar(y);
        if (fx != fy) return fx < fy ? -1 : 1;
    }
    if (i == n) {
        if (a.size() == b.size()) return 0;
        // One is a prefix of the other; the rest may still fold to nothing only
        // if it were empty, so the shorter sorts first.
        return a.size() < b.size() ? -1 : 1;
    }
    const QString ka = baseKey(a.mid(i)), kb = baseKey(b.mid(i));
    const int primary = ka.compare(kb);
    if (primary != 0) return primary < 0 ? -1 : 1;
    const int secondary = fold(a.mid(i)).compare(fold(b.mid(i)));
    return secondary < 0 ? -1 : (secondary > 0 ? 1 : 0);
}

bool startsWith(QStringView text, QStringView prefix)
{
    if (prefix.size() > text.size()) return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (foldChar(text[i].unicode()) != foldChar(prefix[i].unicode())) return false;
    return true;
}

// Does the pattern element at pi (one character, ?, # or a [...] list) match
// the text character? Sets the element's length in the pattern.
static bool matchOne(QStringView p, qsizetype pi, char16_t tc, qsizetype *length)
{
    const char16_t pc = p[pi].unicode();
    *length = 1;
    if (pc == u'?') return true;
    if (pc == u'#') return QChar(tc).isDigit();
    if (pc != u'[') return foldChar(pc) == tc;
    const qsizetype close = p.indexOf(QLatin1Char(']'), pi + 1);
    if (close < 0) return tc == u'[';
    *length = close - pi + 1;
    qsizetype k = pi + 1;
    bool negate = false;
    if (k < close && p[k] == QLatin1Char('!')) {
        negate = true;
        ++k;
    }
    bool hit = false;
    for (; k < close; ++k) {
        const char16_t lo = foldChar(p[k].unicode());
        if (k + 2 < close && p[k + 1] == QLatin1Char('-')) {
            const char16_t hi = foldChar(p[k + 2].unicode());
            if (tc >= lo && tc <= hi) hit = true;
            k += 2;
        } else if (tc == lo) {
            hit = true;
        }
    }
    return hit != negate;
}

bool like(QStringView t, QStringView p)
{
    // Every element but * takes exactly one character, so on a mismatch only
    // the last * needs to take one character more: the earlier ones can never
    // do better. That keeps the work within text length times pattern length,
    // however many stars a pattern has.
    qsizetype ti = 0, pi = 0;
    qsizetype starP = -1, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == QLatin1Char('*')) {
            while (pi < p.size() && p[pi] == QLatin1Char('*'))
                ++pi;
            if (pi == p.size()) return true;
            starP = pi;
            starT = ti;
            continue;
        }
        qsizetype length = 1;
        if (pi < p.size() && matchOne(p, pi, foldChar(t[ti].unicode()), &length)) {
            ++ti;
            pi += length;
            continue;
        }
        if (starP < 0) return false;
        pi = starP;
        ti = ++starT;
    }
    while (pi < p.size() && p[pi] == QLatin1Char('*'))
        ++pi;
    return pi == p.size();
}

int compareUtf8(const char *a, int alen, const char *b, int blen)
{
    const int n = alen < blen ? alen : blen;
    int i = 0;
    for (; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 0x80 || y >= 0x80) break;
        const unsigned char fx = (x >= 'A' && x <= 'Z') ? x + 32 : x;
        const unsigned char fy = (y >= 'A' && y <= 'Z') ? y + 32 : y;
        if (fx != fy) return fx < fy ? -1 : 1;
    }
    if (i == n && alen == blen) return 0;
    if (i == n) return alen < blen ? -1 : 1;
    return compare(QString::fromUtf8(a + i, alen - i), QString::fromUtf8(b + i, blen - i));
}

} // namespace TextCompare
