// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Start-up of the windows: splash, application title, main window, the two
// data modules and the address window, in this order; then the message loop.
// A step that fails is shown in the error box and start-up goes on with the
// next one, so the program always comes up with whatever could be opened.
#include <QString>
#include <functional>

class Tfmain;

namespace Startup {

// Everything before the message loop, ending with the splash closed and the
// main window shown. An empty path means the program folder's database.
// registerWindows announces the business windows to the new main window.
using Registration = std::function<void(Tfmain &main)>;
Tfmain *start(const Registration &registerWindows, const QString &databasePath = QString());
// The end of the run: frees the main window, then the document and the
// address data module (whose datasets save a pending change as they close).
void finish();
// start, the message loop until the main window has closed, finish.
int run(const Registration &registerWindows, const QString &databasePath = QString());

// Tests: told the name of each finished step ("TFinfo", "Titel", "Tfmain",
// "Fortschritt <n>", "Tdataa", "TData", "TFAdr", "TFinfo geschlossen").
void setObserverForTests(std::function<void(const QString &step)> observer);

} // namespace Startup
