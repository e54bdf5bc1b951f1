// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The numbers the program gives, in one place: a document's per type (offers
// from 5000, invoices from 10000, reminders from 20000, … or where the
// settings start them) and a customer's. The highest stored number is read
// under the caller's write lock, so that two programs on one file never give
// the same number; the highest is the numeric one, so 10000 follows 9999.
#include <QString>
#include <QStringList>

class TVexDaoDatabase;

namespace Numbering {

// The start number of a type letter ([Nummernkreise] R=2025001 in the
// settings, else the program's own), or empty when the letter has none.
QString startNumber(const QString &typ);
// The program's own start numbers.
QString builtInStartNumber(const QString &typ);
// The select of the highest number of a type: one step along an index on
// either engine, however many documents there are.
QStringList highestSql(const QString &typ);
// The highest number of the type as stored, 0 when there is none.
double highestDocumentNumber(TVexDaoDatabase &db, const QString &typ);
// The number after highest; empty when it can no longer be counted on by
// one (beyond 2^53) or does not fit a field of fieldSize characters (0: any).
QString numberAfter(double highest, int fieldSize);
// The customer number after the highest stored one (1 for the first).
qint64 nextCustomerNumber(TVexDaoDatabase &db);

} // namespace Numbering
