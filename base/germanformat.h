// SPDX-License-Identifier: GPL-3.0-or-later
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
// The one rule for numbers typed anywhere in the program: decimal comma,
// and a dot only as a thousands separator in proper groups of three after a
// first group of one to three digits not starting with 0. "1234,56",
// "1.234,56", "1.500" and "-3" are numbers; "0.500", "1.5" and "12.50" are not.
bool parseFloat(const QString &text, double *out);
// Whole numbers by the same rule ("1.500" is 1500).
bool parseInteger(const QString &text, qint64 *out);
// The layer's messages for a text that is no number; without a field name
// the short form that reading a stored text gives.
QString floatError(const QString &text, const QString &fieldName = QString());
QString integerError(const QString &text, const QString &fieldName = QString());
// parseFloat and parseInteger for a typed text that must be a number (an
// input box, an edit bound to no field): throw AppError with the message.
double readFloat(const QString &text, const QString &fieldName = QString());
qint64 readInteger(const QString &text, const QString &fieldName = QString());

QString formatDate(const QDate &date); // dd.mm.yyyy
QString formatStamp(qint64 stamp);     // date, and the time when it has one
QString formatTime(int secondsOfDay);  // hh:mm:ss
// dd.mm.yyyy (also d.m.yy), optionally followed by hh:mm or hh:mm:ss.
bool parseDateText(const QString &text, qint64 *stamp);

QString monthName(int month); // 1..12: "Januar" … "Dezember"

// Storage form: YYYY-MM-DD, or YYYY-MM-DD HH:MM:SS when the time is not 0.
QString isoOfStamp(qint64 stamp);
bool parseIso(const char *text, int length, qint64 *stamp);
bool parseIso(const QString &text, qint64 *stamp);

} // namespace German
