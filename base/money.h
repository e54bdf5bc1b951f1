// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Money sums as the program keeps them: signed 64-bit counts of
// ten-thousandths. Amounts enter rounded to the nearest count with halves to
// the even one; they are shown rounded half up (away from zero) to the
// decimals of the display mask.
#include <QString>
#include <QtGlobal>

namespace Money {

// The largest amount (exclusive) the program takes for a price, a line total
// or a document's sum: its VAT and any sum of such amounts stay far inside
// the 64-bit count of ten-thousandths.
constexpr long double kLimit = 1e12L;
// AppError with the German message when |amount| reaches kLimit or is no
// number; what names the amount ("Anzahl × Preis", "Die Summe des Vorgangs").
void checkAmount(long double amount, const QString &what);

// count + amount × 10000, rounded to the nearest count, halves to even.
// AppError when the result no longer fits the count: nothing wraps or is
// held at an edge unseen.
qint64 addRounded(qint64 count, long double amount);
inline qint64 fromAmount(long double amount)
{
    return addRounded(0, amount);
}
// count × percent / 100 in exact integer arithmetic, rounded to the nearest
// count, halves to even. AppError when the product does not fit.
qint64 percentOf(qint64 count, int percent);
inline long double toAmount(qint64 count)
{
    return static_cast<long double>(count) / 10000.0L;
}

// The count through a display mask such as "#,##0.00 €".
QString format(qint64 count, const QString &mask);
// A stored amount through a mask: first to the nearest ten-thousandth, then
// half up, so 0,125 shows 0,13 although the binary double sits just below.
QString formatAmount(double amount, const QString &mask);

} // namespace Money
