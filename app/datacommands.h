// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands that look after the data: `tavirel where` (the folders in
// use), `tavirel backup <datei> [--db PFAD]` and `tavirel check-db [--db PFAD]`.
#include <QStringList>

namespace DataCommands {

// positional: the arguments after the command that are not --db; db: the
// --db value or empty. Return the exit status.
int where(const QStringList &positional, const QString &db);
// 0 written and checked; 1 refused or failed (nothing written); 2 wrong call.
int backup(const QStringList &positional, const QString &db);
// 0 without findings, 1 with findings, 2 when the database cannot be read.
int checkDb(const QStringList &positional, const QString &db);

} // namespace DataCommands
