// SPDX-License-Identifier: GPL-3.0-or-later
// Money sums in ten-thousandths: rounding into the count, VAT on a count and
// the amounts as they are shown.
#include "base/apperror.h"
#include "base/money.h"

#include <gtest/gtest.h>

TEST(Money, AmountsEnterRoundedToTheNearestWithHalvesToEven)
{
    EXPECT_EQ(Money::fromAmount(0.333L), 3330);
    EXPECT_EQ(Money::addRounded(3330, 0.333L), 6660);
    EXPECT_EQ(Money::fromAmount(0.00005L), 0); // half: to even 0
    EXPECT_EQ(Money::fromAmount(0.00015L), 2); // half: to even 2
    EXPECT_EQ(Money::fromAmount(-0.00015L), -2);
    // What no count can hold is refused, not held at an edge or wrapped.
    EXPECT_THROW(Money::fromAmount(1e30L), AppError);
    EXPECT_THROW(Money::addRounded(8900000000000000000LL, 1e14L), AppError);
    EXPECT_NO_THROW(Money::checkAmount(999999999999.99L, QStringLiteral("x")));
    try {
        Money::checkAmount(-1e12L, QStringLiteral("Anzahl × Preis"));
        ADD_FAILURE() << "the limit is exclusive";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Anzahl × Preis ist -1.000.000.000.000,00 und liegt über der Grenze "
                                 "des Programms von 999.999.999.999,99"));
    }
    // An amount far beyond is still written as an amount, never as "9,99999999E+17".
    try {
        Money::checkAmount(999999999999999999.0L, QStringLiteral("Der Preis"));
    } catch (const AppError &e) {
        EXPECT_FALSE(e.message().contains(QLatin1Char('E'))) << e.message().toStdString();
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Der Preis ist 1.000.000.000.000.000.000,00")))
            << e.message().toStdString();
    }
}

TEST(Money, PercentOfACountIsExactWithHalvesToEven)
{
    EXPECT_EQ(Money::percentOf(6660, 19), 1265); // 1265,4
    EXPECT_EQ(Money::percentOf(50, 1), 0);       // 0,5 -> 0
    EXPECT_EQ(Money::percentOf(150, 1), 2);      // 1,5 -> 2
    EXPECT_EQ(Money::percentOf(-150, 1), -2);
    EXPECT_EQ(Money::percentOf(1000000000000, 19), 190000000000);
    EXPECT_THROW(Money::percentOf(500000000000000000, 19), AppError) << "48 trillion and more: no wrap";
}

TEST(Money, ShownHalfUpThroughTheMask)
{
    const QString euro = QStringLiteral("#,##0.00 €");
    EXPECT_EQ(Money::format(6660, euro), QStringLiteral("0,67 €"));
    EXPECT_EQ(Money::format(1265, euro), QStringLiteral("0,13 €"));
    EXPECT_EQ(Money::format(7925, euro), QStringLiteral("0,79 €"));
    EXPECT_EQ(Money::format(1250, euro), QStringLiteral("0,13 €")) << "a half goes up, not to even";
    EXPECT_EQ(Money::format(-1250, euro), QStringLiteral("-0,13 €"));
    EXPECT_EQ(Money::format(12345000, QStringLiteral("#,##0.00 DM")), QStringLiteral("1.234,50 DM"));
    EXPECT_EQ(Money::format(0, euro), QStringLiteral("0,00 €"));
    EXPECT_EQ(Money::formatAmount(2.675, euro), QStringLiteral("2,68 €"));
    EXPECT_EQ(Money::formatAmount(1234567.891, euro), QStringLiteral("1.234.567,89 €"));
}
