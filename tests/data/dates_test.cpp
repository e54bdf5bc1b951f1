// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/apperror.h"
#include "data/dates.h"

#include <QLocale>
#include <clocale>
#include <gtest/gtest.h>
#include <string>

TEST(AddDaysToDateText, CrossesMonthYearAndLeapDayEnds)
{
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("15.01.2005"), 30), QStringLiteral("14.02.2005"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("31.12.2004"), 1), QStringLiteral("01.01.2005"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("25.02.2008"), 7), QStringLiteral("03.03.2008"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("28.02.2005"), 1), QStringLiteral("01.03.2005"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("28.02.2004"), 1), QStringLiteral("29.02.2004"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("31.01.2005"), 0), QStringLiteral("31.01.2005"));
    // Century rules: 1900 had no 29 February, 2000 had one.
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("28.02.1900"), 1), QStringLiteral("01.03.1900"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("28.02.2000"), 1), QStringLiteral("29.02.2000"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("30.04.2005"), 1), QStringLiteral("01.05.2005"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("01.12.2005"), 45), QStringLiteral("15.01.2006"));
}

TEST(AddDaysToDateText, UsesTheWholeCountNotItsLowByte)
{
    // Counts of 256 and more once lost their high bits; they must not any more.
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("01.01.2005"), 256), QStringLiteral("14.09.2005"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("01.01.2005"), 300), QStringLiteral("28.10.2005"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("01.01.2005"), 365), QStringLiteral("01.01.2006"));
    EXPECT_EQ(AddDaysToDateText(QStringLiteral("01.01.2000"), 32767), QStringLiteral("17.09.2089"));
}

TEST(AddDaysToDateText, RejectsBadInputWithGermanMessage)
{
    for (const char *bad : {"", "1.1.2005", "01.01.05", "2005-01-01", "31.02.2005", "29.02.2005",
                            "00.01.2005", "01.13.2005", "ab.cd.efgh", "01.01.2005 12:00", "01/01/2005"}) {
        try {
            AddDaysToDateText(QString::fromUtf8(bad), 7);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const AppError &e) {
            EXPECT_EQ(e.message(),
                      QStringLiteral("'%1' ist kein gültiges Datum").arg(QString::fromUtf8(bad)));
        }
    }
    EXPECT_THROW(AddDaysToDateText(QStringLiteral("01.01.2005"), -1), AppError);
    EXPECT_THROW(AddDaysToDateText(QStringLiteral("01.01.2005"), 32768), AppError);
    EXPECT_THROW(AddDaysToDateText(QStringLiteral("31.12.9999"), 1), AppError);
}

TEST(DateToSqlLiteral, MonthFirstWithPaddedParts)
{
    EXPECT_EQ(DateToSqlLiteral(QDate(1999, 1, 1)), QStringLiteral("#01/01/1999#"));
    EXPECT_EQ(DateToSqlLiteral(QDate(2005, 3, 31)), QStringLiteral("#03/31/2005#"));
    EXPECT_EQ(DateToSqlLiteral(QDate(2100, 12, 31)), QStringLiteral("#12/31/2100#"));
    EXPECT_THROW(DateToSqlLiteral(QDate()), AppError);
}

TEST(MonthYearText, GermanWhateverTheLocale)
{
    const std::string cLocale = std::setlocale(LC_ALL, nullptr);
    const QLocale qtLocale;
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(MonthYearText(QDate(2005, 3, 3)), QStringLiteral("März 2005"));
    EXPECT_EQ(MonthYearText(QDate(2026, 12, 31)), QStringLiteral("Dezember 2026"));
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(MonthYearText(QDate(2024, 1, 1)), QStringLiteral("Januar 2024"));
    QLocale::setDefault(qtLocale);
    std::setlocale(LC_ALL, cLocale.c_str());
}

TEST(Today, CanBeFixedAndReleased)
{
    SetTodayForTests(QDate(2005, 3, 3));
    EXPECT_EQ(Today(), QDate(2005, 3, 3));
    SetTodayForTests(QDate());
    EXPECT_EQ(Today(), QDate::currentDate());
}
