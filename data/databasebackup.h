// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A backup of the database file while other workstations keep working:
// SQLite's online backup copies a consistent state page by page (a save that
// another program commits in between makes it start again), never a plain
// file copy that could catch half a save. The copy is checked before it is
// given its name, and an existing file is never overwritten. A database on a
// server is backed up with the server's own tools instead.
#include <QDate>
#include <QString>
#include <functional>

namespace DatabaseBackup {

// Copies the database file source into the new file target. progress, when
// given, hears the pages done out of all. AppError, with nothing left behind,
// when target exists, the source cannot be read or the copy fails its check;
// with the advice of serverAdvice() for a server location.
void write(const QString &source, const QString &target,
           const std::function<void(int done, int total)> &progress = {});

// How a database on a PostgreSQL server is backed up (pg_dump) and restored.
QString serverAdvice(const QString &location);

// The last backup of each database, kept in the settings file
// ([Datensicherung]: Datenbank/Zuletzt, Datenbank2/Zuletzt2, …).
void remember(const QString &iniPath, const QString &database, const QDate &day);
// Invalid when the settings name no backup of this database.
QDate last(const QString &iniPath, const QString &database);
// The reminder for the status bar when the last backup of the database is
// older than [Datensicherung] Erinnerung days (7 unless set; 0: never) or
// there is none; empty otherwise.
QString reminder(const QString &iniPath, const QString &database, const QDate &today);

} // namespace DatabaseBackup
