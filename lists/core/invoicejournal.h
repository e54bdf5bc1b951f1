// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The invoice journal ("Rechnungsausgangsbuch") for the tax advisor: one line
// per invoice and credit note of a period with number, date, customer, state
// (bezahlt, offen, storniert) and tax case, net and VAT per rate and category
// and the totals, every amount with two decimals and a decimal comma. A
// credit note counts negative. Semicolon-separated, Windows-1252, CR LF, as
// the document list's export, so that a German spreadsheet opens it directly.
#include <QByteArray>
#include <QDate>
#include <QString>

class TVexDaoDatabase;

namespace InvoiceJournal {

// The file's bytes for the invoices and credit notes dated from to to
// (either invalid: no limit on that side), in the order of date and number.
QByteArray encode(TVexDaoDatabase &db, const QDate &from, const QDate &to);

// Writes them whole or not at all; AppError naming the file otherwise.
void write(TVexDaoDatabase &db, const QDate &from, const QDate &to, const QString &path);

} // namespace InvoiceJournal
