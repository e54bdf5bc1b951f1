// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Datei › Neue Datenbank …" and "Datenbank öffnen …" of the main window, and
// the window title that names the database in use. A start without a
// database (the first start's "Abbrechen", a file that went missing) is
// mended from the windows.
#include <QString>

class Tfmain;

namespace DatabaseMenu {

// Adds the two entries above "Datensicherung …" (once) and names the
// database in the title. Called when start-up has opened the database.
void install(Tfmain &main);
// The title: "Tavirels-Verwaltung – <file>", or that none is open.
void showTitle(Tfmain &main);
// The database in use as the user knows it (file or server), or "keine Datenbank geöffnet".
QString shownLocation();

// A new database file (with the sample data when the user wants them),
// opened at once. Nothing happens when the user cancels.
void createNew(Tfmain &main);
// Another database file, opened at once; on request also at the next start.
void openOther(Tfmain &main);

// Closes the business windows and opens the data modules on the location;
// false (after a message) when a window refused to close or the location
// cannot be opened: the data modules then stay without a database.
bool switchTo(Tfmain &main, const QString &location);

} // namespace DatabaseMenu
