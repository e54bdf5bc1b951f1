#pragma once
// Fixed German formats (dd.mm.yyyy, decimal comma, German month names) that
// hold whatever locale the machine runs with, and the storage forms of dates.
#include <QDate>
#include <QString>

namespace German {

// General number text: up to 15 significant digits, decimal comma, no grouping.
QString formatFloat(double value);
// A display mask such as "#,#0.00" or "#,##0.00 ": grouping when the integer
// part holds a comma, as many decimals as the mask has after its point.
QString formatMask(double value, const QString &mask);
// Reads "1234,56", "1.234,56", "-3" and, as a courtesy, "2.5".
bool parseFloat(const QString &text, double *out);
bool parseInteger(const QString &text, qint64 *out);

QString formatDate(const QDate &date);          // dd.mm.yyyy
QString formatStamp(qint64 stamp);              // date, and the time when it has one
QString formatTime(int secondsOfDay);           // hh:mm:ss
// dd.mm.yyyy (also d.m.yy), optionally followed by hh:mm or hh:mm:ss.
bool parseDateText(const QString &text, qint64 *stamp);

QString monthName(int month); // 1..12: "Januar" … "Dezember"

// Storage form: YYYY-MM-DD, or YYYY-MM-DD HH:MM:SS when the time is not 0.
QString isoOfStamp(qint64 stamp);
bool parseIso(const char *text, int length, qint64 *stamp);
bool parseIso(const QString &text, qint64 *stamp);

} // namespace German
