#pragma once
// The program folder: the folder that holds the executable. Every file of the
// program (database, settings, text files) is found from it, never from the
// working directory.
#include <QString>

namespace ProgramFolder {

QString dir();
// Tests point the program at a folder of their own; empty returns to the real one.
void setDirForTests(const QString &dir);

// dir() + "/" + relative, forward slashes; "notiz\typ.txt" works too.
QString file(const QString &relative);
// The executable's own name with the extension ".ini" ("tavirel.ini" while a
// test folder is set).
QString iniPath();
// The database: the server named in the settings file ([DATENBANK]
// Verbindung=postgresql://…), else daten/tavirel.mdb. AppError when that
// section holds a password.
QString databasePath();

} // namespace ProgramFolder
