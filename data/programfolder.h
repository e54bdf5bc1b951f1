// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program folder: where the program finds its settings and text files and
// below which its database lies. Never the working directory.
//
// A portable copy (the executable beside a daten/ folder or a tavirel.ini, as
// the build's bin/ folder and an unpacked copy are) keeps everything beside
// the executable. An installed program (bin/ beside share/tavirel/) keeps each
// user's database in the user's data folder ($XDG_DATA_HOME/tavirel) and the
// settings and editable text files in the user's configuration folder
// ($XDG_CONFIG_HOME/tavirel), filled from share/tavirel/ on first use: a later
// update of the program never overwrites what the user changed there.
#include <QString>

namespace ProgramFolder {

// The folder of the settings and text files.
QString dir();
// Tests point the program at a folder of their own; empty returns to the real one.
void setDirForTests(const QString &dir);

// True for an installed program with per-user folders.
bool isInstalled();
// The folder that holds daten/: dir() for a portable copy, the user's data
// folder when installed.
QString dataDir();
// The installed defaults (share/tavirel), empty for a portable copy.
QString defaultsDir();

// dir() + "/" + relative, forward slashes; "notiz\typ.txt" works too. When
// installed, a file the user has no copy of is read from the defaults.
QString file(const QString &relative);
// The executable's own name with the extension ".ini" ("tavirel.ini" while a
// test folder is set or when installed).
QString iniPath();
// The program's template files (the letterhead, footers, reminder letters,
// units, note types, the list's select; not tavirel.ini) whose copy in dir()
// differs from what the program ships, or is missing; relative names.
QStringList changedTemplates();
// Puts the shipped version of a template back; the user's one is kept as
// "<name>.alt", whose path is returned (empty when there was none). AppError
// when it cannot be written (the file then stays as it was).
QString restoreTemplate(const QString &relative);

// The database: the server named in the settings file ([DATENBANK]
// Verbindung=postgresql://…), else daten/tavirel.mdb below dataDir(). AppError
// when that section holds a password.
QString databasePath();

} // namespace ProgramFolder
