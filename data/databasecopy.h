#pragma once
// Moving a firm's data: every table of the program from one database to
// another, a file or a server's in either direction, into a new or empty
// target. Counters keep their values and go on counting where they were;
// the rows of each table are counted on both sides before the copy is
// committed. Nothing is left in the target when the copy fails.
#include <QList>
#include <QString>
#include <functional>

namespace DatabaseCopy {

struct TableCount
{
    QString table;
    qint64 rows = 0;
};

struct Result
{
    QList<TableCount> tables;
    QStringList skipped; // tables of the source that are not the program's
};

Result copy(const QString &from, const QString &to,
            const std::function<void(const QString &table)> &progress = {});

} // namespace DatabaseCopy
