// SPDX-License-Identifier: GPL-3.0-or-later
#include "decimal.h"

#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr int kMaxDigits = 18;

qint64 pow10(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

} // namespace

std::optional<Decimal> Decimal::parse(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    qint64 units = 0;
    int scale = 0, digits = 0, significant = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'.' && !point) {
            point = true;
            continue;
        }
        if (c < u'0' || c > u'9') return std::nullopt;
        ++digits;
        if (point) ++scale;
        if (significant == 0 && c == u'0') continue; // leading zeros cost no room
        if (++significant > kMaxDigits) return std::nullopt;
        units = units * 10 + (c.unicode() - u'0');
    }
    if (digits == 0 || scale > kMaxDigits) return std::nullopt;
    return Decimal(negative ? -units : units, scale);
}

qint64 Decimal::cents() const
{
    if (m_null) return 0;
    if (m_scale <= 2) {
        const qint64 f = pow10(2 - m_scale);
        // Beyond 92 billion billion cents no invoice is real; held at the edge.
        if (m_units > std::numeric_limits<qint64>::max() / f) return std::numeric_limits<qint64>::max();
        if (m_units < std::numeric_limits<qint64>::min() / f) return std::numeric_limits<qint64>::min();
        return m_units * f;
    }
    const qint64 d = pow10(m_scale - 2);
    const qint64 q = m_units / d, r = m_units % d;
    if (2 * (r < 0 ? -r : r) >= d) return q + (m_units < 0 ? -1 : 1);
    return q;
}

QString Decimal::text(int minDecimals) const
{
    if (m_null) return QString();
    const int decimals = qMax(m_scale, minDecimals);
    const qint64 magnitude = m_units < 0 ? -m_units : m_units;
    QString digits = QString::number(magnitude);
    if (digits.size() <= m_scale) digits = QString(m_scale - digits.size() + 1, u'0') + digits;
    QString out = digits.left(digits.size() - m_scale);
    if (decimals > 0) out += u'.' + digits.right(m_scale) + QString(decimals - m_scale, u'0');
    return m_units < 0 ? u'-' + out : out;
}

QString Decimal::german(int minDecimals) const
{
    if (m_null) return QString();
    const QString plain = text(minDecimals);
    const qsizetype point = plain.indexOf(u'.');
    const bool negative = plain.startsWith(u'-');
    QString whole = plain.mid(negative ? 1 : 0, (point < 0 ? plain.size() : point) - (negative ? 1 : 0));
    for (qsizetype k = whole.size() - 3; k > 0; k -= 3)
        whole.insert(k, u'.');
    QString out = negative ? u'-' + whole : whole;
    if (point >= 0) out += u',' + plain.mid(point + 1);
    return out;
}

long double Decimal::toLongDouble() const
{
    return static_cast<long double>(m_units) / std::pow(10.0L, m_scale);
}

bool Decimal::operator==(const Decimal &o) const
{
    if (m_null || o.m_null) return m_null == o.m_null;
    // Equal values at different scales ("19" and "19.00") are one number.
    auto reduced = [](qint64 units, int scale) {
        while (scale > 0 && units % 10 == 0) {
            units /= 10;
            --scale;
        }
        return std::pair(units, scale);
    };
    return reduced(m_units, m_scale) == reduced(o.m_units, o.m_scale);
}
