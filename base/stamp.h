// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A date with its time of day as one number, the form in which values and
// the German formats carry it: seconds since the start of the Julian day
// count, the time of day local and naive.
#include <QDate>

namespace Stamp {

inline qint64 of(const QDate &d, int secondsOfDay = 0)
{
    return d.toJulianDay() * 86400 + secondsOfDay;
}
inline QDate date(qint64 s)
{
    return QDate::fromJulianDay(s / 86400);
}
inline int seconds(qint64 s)
{
    return int(s % 86400);
}

} // namespace Stamp
