// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The document list as semicolon-separated text, the way a German
// spreadsheet program opens it directly: Windows-1252, CR LF line ends, a
// header line, one line per row of the list in its filter and order. A field
// that holds a ";", a double quote or a line break is put in double quotes
// (a quote inside doubled), so that a customer name never shifts the columns.
// The list window and the command line both write it here.
#include <QByteArray>
#include <QHash>
#include <QString>

class TVexDaoDatabase;
class TVexDaoTable;

namespace DocumentListExport {

// "Datum;V-Nr;Art;Kunde;bezahlenbis;bezahltam;netto;brutto"
QString headerLine();
// A text field as it goes into the line: quoted only when it must be, and
// marked as text with a leading apostrophe when it begins like a formula
// ("=", "+", "-", "@", tab, CR), so that a spreadsheet never computes it.
QString quoteField(const QString &field);

// The names of the document types by their letter, from VTyp (the first
// row of a letter counts; letters compared without regard to case).
QHash<QString, QString> typeNames(TVexDaoDatabase &connection);

// The file's bytes for every row of the list (open, with the fields of
// SetUpDocumentListFields), walked from the first row; the list's current
// row is then the last row.
QByteArray encode(TVexDaoTable &list, const QHash<QString, QString> &typeNames);

// Writes them to path, whole or not at all: AppError naming the file and
// the system's reason when it cannot be written, and no file is left then.
void write(TVexDaoTable &list, const QHash<QString, QString> &typeNames, const QString &path);

} // namespace DocumentListExport
