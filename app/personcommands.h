// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A person's data: `tavirel person-export KDNR ORDNER` writes what is stored
// about the address (JSON, PDF and the PDF of each document);
// `tavirel anonymize KDNR` makes an address anonymous once its documents no
// longer must be kept.
#include <QStringList>

namespace PersonCommands {

// positional: the arguments after the command that are not --db; db: the
// --db value or empty. 0 done, 1 refused or failed, 2 wrong call.
int personExport(const QStringList &positional, const QString &db);
int anonymize(const QStringList &positional, const QString &db);

} // namespace PersonCommands
