// SPDX-License-Identifier: GPL-3.0-or-later
#include "dates.h"

#include "base/apperror.h"
#include "base/germanformat.h"

namespace {

QDate &todayOverride()
{
    static QDate date;
    return date;
}

// Four-digit years only: the SQL literal and the dd.mm.yyyy text have no room for more.
bool inRange(const QDate &date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

QString two(int v)
{
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QString DateToSqlLiteral(const QDate &date)
{
    if (!inRange(date)) throw AppError(QStringLiteral("Kein gültiges Datum für die Abfrage"));
    return QLatin1Char('#') + two(date.month()) + QLatin1Char('/') + two(date.day()) + QLatin1Char('/') +
           QString::number(date.year()).rightJustified(4, QLatin1Char('0')) + QLatin1Char('#');
}

QString AddDaysToDateText(const QString &dateText, int days)
{
    if (days < 0 || days > 32767)
        throw AppError(QStringLiteral("Die Zahl der Zahlungstage muss zwischen 0 und 32767 liegen"));
    // Exactly dd.mm.yyyy: the German parser would also take d.m.yy and a time.
    const QString t = dateText.trimmed();
    const auto isDigitAt = [](const QString &s, int i) { return s.at(i) >= u'0' && s.at(i) <= u'9'; };
    bool wellFormed = t.size() == 10 && t.at(2) == QLatin1Char('.') && t.at(5) == QLatin1Char('.');
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
        wellFormed = wellFormed && isDigitAt(t, i);
    const QDate date =
        wellFormed ? QDate(t.mid(6, 4).toInt(), t.mid(3, 2).toInt(), t.left(2).toInt()) : QDate();
    if (!date.isValid()) throw AppError(QStringLiteral("'%1' ist kein gültiges Datum").arg(dateText));
    const QDate result = date.addDays(days);
    if (!inRange(result))
        throw AppError(
            QStringLiteral("Das Datum '%1' plus %2 Tage liegt nach dem Jahr 9999").arg(dateText).arg(days));
    return German::formatDate(result);
}

QString MonthYearText(const QDate &date)
{
    if (!date.isValid()) throw AppError(QStringLiteral("Kein gültiges Datum für den Monatsnamen"));
    return German::monthName(date.month()) + QLatin1Char(' ') + QString::number(date.year());
}

QDate Today()
{
    const QDate &fixed = todayOverride();
    if (fixed.isValid()) return fixed;
    // The local date costs a look at the time zone on every call, and a run
    // that stamps every record asks thousands of times a second. The clock in
    // milliseconds is cheap: the date is looked up again only when the clock
    // leaves the day it was found for (midnight, or a clock set back).
    static QDate day;
    static qint64 dayStart = 0, nextDayStart = 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!day.isValid() || now < dayStart || now >= nextDayStart) {
        day = QDate::currentDate();
        dayStart = day.startOfDay().toMSecsSinceEpoch();
        nextDayStart = day.addDays(1).startOfDay().toMSecsSinceEpoch();
    }
    return day;
}

void SetTodayForTests(const QDate &date)
{
    todayOverride() = date;
}
