// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `tavirel dunning-run [--stichtag TT.MM.JJJJ] [--pdf ORDNER] [--db PFAD]`:
// the dunning run of the document list from a shell.
#include <QStringList>

namespace CommandLine {

// Takes the whole argument list (the program first). Usage errors give 2,
// failures of the run 1; nothing is made when the arguments, the settings or
// the folder are refused.
int dunningRun(const QStringList &args);

} // namespace CommandLine
