// SPDX-License-Identifier: GPL-3.0-or-later
#include "germanformat.h"

#include "apperror.h"
#include "stamp.h"

#include <QByteArray>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace German {

QString formatFloat(double value)
{
    if (std::isnan(value) || std::isinf(value)) return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    QString s = QString::fromLatin1(buf);
    if (s.contains(QLatin1Char('e'))) {
        // Keep the exponent form of very large and very small numbers, German style.
        s.replace(QLatin1Char('.'), QLatin1Char(','));
        s.replace(QLatin1Char('e'), QLatin1Char('E'));
        return s;
    }
    if (s == QLatin1String("-0")) s = QStringLiteral("0");
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

namespace {

// |value| with the given decimals, rounded half up from its decimal value
// (the 15 significant digits it was typed or computed with), not from the
// binary double: 2,675 gives "2.68" although the double lies just below.
QByteArray fixedDecimal(double value, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    // d.dddddddddddddde±x: 15 digits and the exponent of the first.
    QByteArray digits;
    digits.append(buf[0]);
    digits.append(buf + 2, 14);
    const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
    // Digits before the point: exponent + 1 (leading zeros when negative).
    int intDigits = exponent + 1;
    if (intDigits < 1) {
        digits.prepend(QByteArray(1 - intDigits, '0'));
        intDigits = 1;
    }
    const int keep = intDigits + decimals;
    if (keep < digits.size()) {
        const bool up = digits.at(keep) >= '5';
        digits.truncate(keep);
        for (int i = keep - 1; up && i >= 0; --i) {
            if (digits[i] == '9') {
                digits[i] = '0';
                if (i == 0) {
                    digits.prepend('1');
                    ++intDigits;
                }
            } else {
                ++digits[i];
                break;
            }
        }
    } else {
        digits.append(QByteArray(keep - digits.size(), '0'));
    }
    QByteArray out = digits.left(intDigits);
    if (decimals > 0) out += '.' + digits.mid(intDigits, decimals);
    return out;
}

} // namespace

QString formatMask(double value, const QString &mask)
{
    // Split the mask into the number part and any literal text around it.
    int first = -1, last = -1;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        if (c == QLatin1Char('#') || c == QLatin1Char('0') || c == QLatin1Char(',') ||
            c == QLatin1Char('.')) {
            if (first < 0) first = i;
            last = i;
        }
    }
    if (first < 0) return mask;
    const QString prefix = mask.left(first);
    const QString suffix = mask.mid(last + 1);
    const QString num = mask.mid(first, last - first + 1);
    const int point = num.indexOf(QLatin1Char('.'));
    const QString intPart = point < 0 ? num : num.left(point);
    const QString decPart = point < 0 ? QString() : num.mid(point + 1);
    const bool grouping = intPart.contains(QLatin1Char(','));
    int minDecimals = 0, maxDecimals = 0;
    for (QChar c : decPart) {
        if (c == QLatin1Char('0')) {
            ++minDecimals;
            ++maxDecimals;
        } else if (c == QLatin1Char('#')) {
            ++maxDecimals;
        }
    }
    int minInt = 0;
    for (QChar c : intPart)
        if (c == QLatin1Char('0')) ++minInt;

    if (std::isnan(value) || std::isinf(value)) value = 0;
    QString digits = QString::fromLatin1(fixedDecimal(value, maxDecimals));
    QString ip = digits, dp;
    const int dot = digits.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        ip = digits.left(dot);
        dp = digits.mid(dot + 1);
    }
    while (dp.size() > minDecimals && dp.endsWith(QLatin1Char('0')))
        dp.chop(1);
    if (ip == QLatin1String("0") && minInt == 0) ip.clear();
    while (ip.size() < minInt)
        ip.prepend(QLatin1Char('0'));
    if (grouping && ip.size() > 3) {
        QString g;
        int n = 0;
        for (int i = ip.size() - 1; i >= 0; --i) {
            g.prepend(ip.at(i));
            if (++n % 3 == 0 && i > 0) g.prepend(QLatin1Char('.'));
        }
        ip = g;
    }
    QString out = ip;
    if (!dp.isEmpty()) out += QLatin1Char(',') + dp;
    if (out.isEmpty()) out = QStringLiteral("0");
    bool negative = value < 0;
    if (negative) {
        bool allZero = true;
        for (QChar c : out)
            if (c.isDigit() && c != QLatin1Char('0')) allZero = false;
        negative = !allZero;
    }
    return prefix + (negative ? QStringLiteral("-") : QString()) + out + suffix;
}

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The integer digits of a typed number without their thousands dots. A dot
// is only ever a thousands separator: a first group of one to three digits
// that does not start with 0, then groups of exactly three ("1.500",
// "12.345.678"). Anything else with a dot ("0.500", "1.5", "12.50") is no
// number, so that a quantity typed the English way is never taken as a
// thousand times as much or as little.
bool ungroup(const QString &digits, QString *out)
{
    if (!digits.contains(QLatin1Char('.'))) {
        *out = digits;
        return true;
    }
    const QStringList groups = digits.split(QLatin1Char('.'));
    const QString &first = groups.first();
    if (first.isEmpty() || first.size() > 3 || first.at(0) == QLatin1Char('0')) return false;
    for (int i = 1; i < groups.size(); ++i)
        if (groups[i].size() != 3) return false;
    *out = groups.join(QString());
    return true;
}

} // namespace

bool parseFloat(const QString &input, double *out)
{
    QString t = input.trimmed();
    // A trailing currency mark is what a user copies from a display.
    for (const QString &cur : {QStringLiteral("€"), QStringLiteral("DM")}) {
        if (t.endsWith(cur)) t = t.left(t.size() - cur.size()).trimmed();
    }
    int pos = 0;
    QString sign;
    if (pos < t.size() && (t.at(pos) == QLatin1Char('-') || t.at(pos) == QLatin1Char('+')))
        sign = t.at(pos++);
    const int intStart = pos;
    while (pos < t.size() && (isAsciiDigit(t.at(pos)) || t.at(pos) == QLatin1Char('.')))
        ++pos;
    QString intDigits;
    if (!ungroup(t.mid(intStart, pos - intStart), &intDigits)) return false;
    QString fraction;
    if (pos < t.size() && t.at(pos) == QLatin1Char(',')) {
        const int start = ++pos;
        while (pos < t.size() && isAsciiDigit(t.at(pos)))
            ++pos;
        fraction = t.mid(start, pos - start);
    }
    if (intDigits.isEmpty() && fraction.isEmpty()) return false;
    // The exponent form that very large and very small numbers are shown in.
    QString exponent;
    if (pos < t.size() && (t.at(pos) == QLatin1Char('e') || t.at(pos) == QLatin1Char('E'))) {
        const int start = pos++;
        if (pos < t.size() && (t.at(pos) == QLatin1Char('-') || t.at(pos) == QLatin1Char('+'))) ++pos;
        const int digits = pos;
        while (pos < t.size() && isAsciiDigit(t.at(pos)))
            ++pos;
        if (pos == digits) return false;
        exponent = t.mid(start, pos - start);
    }
    if (pos != t.size()) return false;
    const QString plain = sign + (intDigits.isEmpty() ? QStringLiteral("0") : intDigits) +
                          (fraction.isEmpty() ? QString() : QLatin1Char('.') + fraction) + exponent;
    bool ok = false;
    const double d = plain.toDouble(&ok);
    if (!ok || std::isnan(d) || std::isinf(d)) return false;
    *out = d;
    return true;
}

bool parseInteger(const QString &input, qint64 *out)
{
    const QString t = input.trimmed();
    int pos = 0;
    if (pos < t.size() && (t.at(pos) == QLatin1Char('-') || t.at(pos) == QLatin1Char('+'))) ++pos;
    QString digits;
    if (!ungroup(t.mid(pos), &digits) || digits.isEmpty()) return false;
    for (QChar c : std::as_const(digits))
        if (!isAsciiDigit(c)) return false;
    bool ok = false;
    const qint64 v = (t.left(pos) + digits).toLongLong(&ok);
    if (!ok) return false;
    *out = v;
    return true;
}

QString floatError(const QString &text, const QString &fieldName)
{
    return fieldName.isEmpty()
               ? QStringLiteral("'%1' ist kein gültiger Gleitkommawert").arg(text)
               : QStringLiteral("'%1' ist kein gültiger Fließkommawert für Feld '%2'").arg(text, fieldName);
}

QString integerError(const QString &text, const QString &fieldName)
{
    return fieldName.isEmpty()
               ? QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text)
               : QStringLiteral("'%1' ist kein gültiger Integerwert für Feld '%2'").arg(text, fieldName);
}

double readFloat(const QString &text, const QString &fieldName)
{
    double d = 0;
    if (!parseFloat(text, &d)) throw AppError(floatError(text, fieldName));
    return d;
}

qint64 readInteger(const QString &text, const QString &fieldName)
{
    qint64 n = 0;
    if (!parseInteger(text, &n)) throw AppError(integerError(text, fieldName));
    return n;
}

static QString two(int v)
{
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

QString formatDate(const QDate &date)
{
    if (!date.isValid()) return QString();
    return two(date.day()) + QLatin1Char('.') + two(date.month()) + QLatin1Char('.') +
           QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
}

QString formatTime(int s)
{
    return two(s / 3600) + QLatin1Char(':') + two(s / 60 % 60) + QLatin1Char(':') + two(s % 60);
}

QString formatStamp(qint64 stamp)
{
    const QString d = formatDate(Stamp::date(stamp));
    const int secs = Stamp::seconds(stamp);
    return secs ? d + QLatin1Char(' ') + formatTime(secs) : d;
}

static bool readNumber(const QString &t, int &pos, int maxDigits, int *out)
{
    int n = 0, v = 0;
    while (pos < t.size() && t.at(pos).isDigit() && n < maxDigits) {
        v = v * 10 + t.at(pos).digitValue();
        ++pos;
        ++n;
    }
    *out = v;
    return n > 0;
}

bool parseDateText(const QString &input, qint64 *stamp)
{
    const QString t = input.trimmed();
    int pos = 0, d = 0, m = 0, y = 0;
    if (!readNumber(t, pos, 2, &d) || pos >= t.size() || t.at(pos) != QLatin1Char('.')) return false;
    ++pos;
    if (!readNumber(t, pos, 2, &m) || pos >= t.size() || t.at(pos) != QLatin1Char('.')) return false;
    ++pos;
    const int yearStart = pos;
    if (!readNumber(t, pos, 4, &y)) return false;
    const int yearDigits = pos - yearStart;
    if (yearDigits == 2)
        y += y < 50 ? 2000 : 1900;
    else if (yearDigits != 4)
        return false;
    int secs = 0;
    if (pos < t.size()) {
        if (t.at(pos) != QLatin1Char(' ')) return false;
        while (pos < t.size() && t.at(pos) == QLatin1Char(' '))
            ++pos;
        int h = 0, mi = 0, s = 0;
        if (!readNumber(t, pos, 2, &h) || pos >= t.size() || t.at(pos) != QLatin1Char(':')) return false;
        ++pos;
        if (!readNumber(t, pos, 2, &mi)) return false;
        if (pos < t.size() && t.at(pos) == QLatin1Char(':')) {
            ++pos;
            if (!readNumber(t, pos, 2, &s)) return false;
        }
        if (pos != t.size() || h > 23 || mi > 59 || s > 59) return false;
        secs = h * 3600 + mi * 60 + s;
    }
    const QDate date(y, m, d);
    if (!date.isValid()) return false;
    *stamp = Stamp::of(date, secs);
    return true;
}

QString monthName(int month)
{
    static const char *const names[] = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                                        "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    if (month < 1 || month > 12) return QString();
    return QString::fromUtf8(names[month - 1]);
}

QString isoOfStamp(qint64 stamp)
{
    const QDate d = Stamp::date(stamp);
    const int s = Stamp::seconds(stamp);
    char buf[32];
    if (s == 0)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year(), d.month(), d.day());
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(), d.day(),
                      s / 3600, s / 60 % 60, s % 60);
    return QString::fromLatin1(buf);
}

static inline int digitsAt(const char *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const unsigned c = unsigned(p[i]) - '0';
        if (c > 9) return -1;
        v = v * 10 + int(c);
    }
    return v;
}

bool parseIso(const char *p, int len, qint64 *stamp)
{
    if (len < 10 || p[4] != '-' || p[7] != '-') return false;
    const int y = digitsAt(p, 4), m = digitsAt(p + 5, 2), d = digitsAt(p + 8, 2);
    if (y < 0 || m < 1 || m > 12 || d < 1 || d > 31) return false;
    int secs = 0;
    if (len >= 19 && (p[10] == ' ' || p[10] == 'T') && p[13] == ':' && p[16] == ':') {
        const int h = digitsAt(p + 11, 2), mi = digitsAt(p + 14, 2), s = digitsAt(p + 17, 2);
        if (h < 0 || mi < 0 || s < 0) return false;
        secs = h * 3600 + mi * 60 + s;
    } else if (len != 10) {
        return false;
    }
    static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (d > monthDays[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
    // Julian day number of a Gregorian date, without building a QDate.
    const qint64 a = (14 - m) / 12, yy = y + 4800 - a, mm = m + 12 * a - 3;
    const qint64 jd = d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
    *stamp = jd * 86400 + secs;
    return true;
}

bool parseIso(const QString &text, qint64 *stamp)
{
    const QByteArray b = text.toLatin1();
    return parseIso(b.constData(), int(b.size()), stamp);
}

} // namespace German
