#pragma once
// The subcommands of `tavirel` for scripting and support. Each calls the same
// modules as the windows; errors go to standard error with a non-zero status.
#include <QStringList>

namespace CommandLine {

// True when the arguments name a subcommand (or ask for help), so that no
// window is needed.
bool isCommand(const QStringList &args);
// Whether the command draws text (a PDF), which needs the fonts of a GUI
// application, though no display.
bool needsFonts(const QStringList &args);
// Runs it and returns the exit status.
int run(const QStringList &args);

} // namespace CommandLine
