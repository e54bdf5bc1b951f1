#include "documentlistsql.h"

#include "data/programfolder.h"
#include "data/textfiles.h"

QStringList DocumentListSql(const QString &orderLine)
{
    QStringList lines = TextFiles::loadLines(ProgramFolder::file(QStringLiteral("vliste.sql")));
    lines << orderLine;
    return lines;
}
