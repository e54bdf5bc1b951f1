// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The received e-invoices on the command line:
//   tavirel einvoice-show <datei> [--json]
//   tavirel einvoice-import <datei> [--db PFAD]
//   tavirel einvoice-export <nr> <datei> [--db PFAD]
#include <QStringList>

namespace CommandLine {

// Each takes the arguments after the command (options other than --db left
// in) and the --db location; usage errors give 2, failures 1.
int einvoiceShow(const QStringList &arguments);
int einvoiceImport(const QStringList &arguments, const QString &db);
int einvoiceExport(const QStringList &arguments, const QString &db);

} // namespace CommandLine
