// SPDX-License-Identifier: GPL-3.0-or-later
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
    QStringList skipped;  // tables of the source that are not the program's
    QStringList replaced; // values copied empty (lenient): table, row, column, value, why
};

// A value that cannot arrive as it is (a date that is none, text in a number
// column, a NUL character) stops the copy, naming table, row and column;
// lenient copies it empty instead and lists it in replaced.
Result copy(const QString &from, const QString &to,
            const std::function<void(const QString &table)> &progress = {}, bool lenient = false);

} // namespace DatabaseCopy
