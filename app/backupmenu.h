// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Datei › Datensicherung …" of the main window, and the status bar's
// reminder when the last backup of the database file is older than a week.
class Tfmain;
class QAction;

namespace BackupMenu {

// Adds the entry above "Schließen" (once), enabled while a database is open,
// and shows the reminder for a file database. Called when start-up has
// opened the database.
void install(Tfmain &main);
// The entry, null before install().
QAction *action(Tfmain &main);
// The save dialog, the backup with its progress in the status bar, and the
// message of its outcome; a server database gets the advice for pg_dump.
void run(Tfmain &main);

} // namespace BackupMenu
