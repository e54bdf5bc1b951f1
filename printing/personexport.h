// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the firm stores about one person (Art. 15 and 20 GDPR), for the
// person: the address, contact persons, notes, e-invoice and bank data and
// the list of documents, as JSON for another program and as a PDF to read,
// and beside them the PDF of every document. Every file is new (a file of
// the name is refused, never replaced) and for its owner only.
#include <QString>
#include <QStringList>

class TVexDaoDatabase;

// Writes <base>.json, <base>.pdf and <base>-Vorgaenge/<Typ>-<Nummer>.pdf
// into the folder (made where missing); returns the files written. AppError
// when there is no such address or a file cannot be written.
QStringList WritePersonExport(TVexDaoDatabase &db, qint64 kdnr, const QString &folder, const QString &base,
                              QStringList *warnings = nullptr);
// "Datenauskunft-24"
QString PersonExportBaseName(qint64 kdnr);
