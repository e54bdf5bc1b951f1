// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tables of the database file, their indexes and the rows of VTyp, and
// the creation of a new, empty database file.
#include "engine.h"
#include "fieldtype.h"

#include <QList>
#include <QString>

class Engine;

namespace Schema {

struct TableDef
{
    QString name;
    QList<ColumnInfo> columns;
};

// Adress, Personen, Vorgang1, Vorgang2, VTyp, Artikel, the contact notes,
// the e-invoice data of the addresses and the received e-invoices.
const QList<TableDef> &tables();
const TableDef *table(const QString &name); // letter case ignored

// Creates every table, index and VTyp row on an empty, open database.
void create(Engine &engine);
const QList<IndexDef> &indexes();
// Removes the program's tables (a server database made in vain).
void drop(Engine &engine);
// Brings an older file up to date in one transaction: adds the contact-notes,
// e-invoice and received-invoice tables (with the type E of the received
// invoices when VTyp lacks it), the columns of addedColumns() and any missing
// index. What was stored keeps its figures: the positions get the one rate of
// the older version (category S), the documents the VAT of the gross they were
// listed with. A file without this program's tables is left untouched.
void upgrade(Engine &engine);
// "Table.column" of the columns that files of older versions lack.
QStringList addedColumns();

// Empty for a database of this program; else a German message that the file
// (or server database) at the location is none and is not opened. Opens the
// location read-only for the look and never changes it.
QString notOurs(const QString &location);

// Makes a new database file; refuses (AppError) when the file exists.
void createDatabaseFile(const QString &path, bool withDemoData);
// The same for a file or a server's database; a server's database must be
// empty (it is never changed when it holds tables).
void createDatabase(const QString &location, bool withDemoData);

} // namespace Schema
