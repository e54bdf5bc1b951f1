// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Date helpers shared by the windows: SQL date literals, due dates, the
// "%MONAT" text, and the one place that says what day it is.
#include <QDate>
#include <QString>

// #mm/dd/yyyy#, the date literal of the SQL dialect. AppError for an invalid date.
QString DateToSqlLiteral(const QDate &date);

// dateText (dd.mm.yyyy) moved forward by days (0 to 32767), in the same form.
// AppError for a malformed or impossible date text or a count out of range.
QString AddDaysToDateText(const QString &dateText, int days);

// German month name, a blank and the year ("März 2005"), whatever the locale.
QString MonthYearText(const QDate &date);

// Today's date; every rule that needs "today" asks here so tests can fix the day.
QDate Today();
void SetTodayForTests(const QDate &date); // an invalid date returns to the real today
