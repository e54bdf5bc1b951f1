// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The subcommands of `tavirel` for scripting and support. Each calls the same
// modules as the windows; errors go to standard error with a non-zero status.
#include <QStringList>

class TVexDaoDatabase;

namespace CommandLine {

// True when the arguments name a subcommand (or ask for help), so that no
// window is needed.
bool isCommand(const QStringList &args);
// Whether the command draws text (a PDF), which needs the fonts of a GUI
// application, though no display.
bool needsFonts(const QStringList &args);
// Runs it and returns the exit status.
int run(const QStringList &args);

// Opens the connection on --db (no fallback: an explicit path must exist) or
// on the program's database (the settings file's server, else its file).
void OpenDatabase(TVexDaoDatabase &db, const QString &path);
// A file named on the command line is taken from the working directory; a
// server's location stands as it is.
QString DatabaseLocation(const QString &given);

} // namespace CommandLine
