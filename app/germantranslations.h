// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program speaks German, and so must Qt's own texts: the context menus of
// text boxes, the buttons and labels of standard dialogs, the month and day
// names of the calendar. Installed once at start-up, for the windows and for
// the command line alike.
#include <QString>

namespace GermanTranslations {

// Makes German the default locale and loads Qt's German translations. Returns
// the translation file that was loaded; empty when none was found (Qt's texts
// then stay English, nothing else changes).
QString install();
// Takes the translations out again and returns to the system's locale (tests).
void uninstall();

// Where Qt's German translation is looked for: Qt's own translation folder,
// then the folder "translations" below the program folder, where a Windows
// installation carries it.
QStringList searchFolders();

} // namespace GermanTranslations
