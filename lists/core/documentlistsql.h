#pragma once
#include <QStringList>

// The document list's query: the lines of vliste.sql in the program folder
// followed by the order line. Fails with the file's message when it is missing.
QStringList DocumentListSql(const QString &orderLine = QStringLiteral("order by datum desc,vorgangnr desc,kunde"));
