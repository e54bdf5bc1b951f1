// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `tavirel invoice-report alle|bezahlt|offen <datei.pdf> [--kdnr N]
// [--von TT.MM.JJJJ --bis TT.MM.JJJJ] [--db PFAD]`: the invoice list of the
// document list's report menu, written as PDF.
#include <QStringList>

namespace CommandLine {

// Takes the whole argument list (the program first). Usage errors give 2,
// failures of the run 1; no file is left behind then.
int invoiceReport(const QStringList &args);

} // namespace CommandLine
