// SPDX-License-Identifier: GPL-3.0-or-later
#include "money.h"

#include "apperror.h"
#include "germanformat.h"

#include <cfenv>
#include <cmath>

namespace Money {

namespace {

QString tooLarge(long double amount)
{
    return QStringLiteral("Der Betrag %1 liegt über der Grenze des Programms von 999.999.999.999,99")
        .arg(German::formatMask(double(amount), QStringLiteral("#,##0.00")));
}

} // namespace

qint64 addRounded(qint64 count, long double amount)
{
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double r = std::nearbyintl(amount * 10000.0L + static_cast<long double>(count));
    std::fesetround(mode);
    // Beyond ±9·10^14 currency units a count no longer fits.
    constexpr long double limit = 9.0e18L;
    if (!(r < limit && r > -limit)) throw AppError(tooLarge(r / 10000.0L));
    return static_cast<qint64>(r);
}

void checkAmount(long double amount, const QString &what)
{
    if (!(amount < kLimit && amount > -kLimit))
        throw AppError(QStringLiteral("%1 ist %2 und liegt über der Grenze des Programms von "
                                      "999.999.999.999,99")
                           .arg(what, German::formatMask(double(amount), QStringLiteral("#,##0.00"))));
}

qint64 percentOf(qint64 count, int percent)
{
    qint64 n = 0;
    if (__builtin_mul_overflow(count, qint64(percent), &n))
        throw AppError(tooLarge(static_cast<long double>(count) / 10000.0L * percent / 100.0L));
    qint64 q = n / 100;
    const qint64 r = n % 100; // same sign as n
    const qint64 twice = 2 * (r < 0 ? -r : r);
    if (twice > 100 || (twice == 100 && (q % 2) != 0)) q += n < 0 ? -1 : 1;
    return q;
}

namespace {

int maskDecimals(const QString &mask)
{
    const int point = int(mask.indexOf(QLatin1Char('.')));
    if (point < 0) return 0;
    int n = 0;
    for (int i = point + 1; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        if (c != QLatin1Char('0') && c != QLatin1Char('#')) break;
        ++n;
    }
    return n;
}

} // namespace

QString format(qint64 count, const QString &mask)
{
    const int decimals = maskDecimals(mask);
    if (decimals >= 4) return German::formatMask(double(toAmount(count)), mask);
    qint64 divisor = 1;
    for (int i = decimals; i < 4; ++i)
        divisor *= 10;
    const qint64 magnitude = (count < 0 ? -count : count);
    qint64 shown = (magnitude + divisor / 2) / divisor;
    if (count < 0) shown = -shown;
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    // shown / scale is the double nearest to a number of at most `decimals`
    // places, which the mask then prints exactly.
    return German::formatMask(double(shown) / double(scale), mask);
}

QString formatAmount(double amount, const QString &mask)
{
    if (std::isnan(amount) || std::isinf(amount)) amount = 0;
    // Showing never fails: a stored amount no count can hold is shown as it is.
    if (!(std::fabs(amount) < 9.0e14)) return German::formatMask(amount, mask);
    return format(fromAmount(amount), mask);
}

} // namespace Money
