#pragma once
// The program folder: the folder of the executable. Every file of the program
// is found from it, never from the working directory.
#include <QString>

namespace ProgramFolder {

QString dir();
void setDirForTests(const QString &dir); // empty = the real folder again
QString file(const QString &relative);
QString iniPath();
QString databasePath();

} // namespace ProgramFolder
