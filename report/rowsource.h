// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a report reads its rows from. The report never sees where the rows
// come from: the printing layer adapts its datasets to this, tests hand in
// plain lists.
#include <QString>
#include <QVariant>

class RowSource
{
  public:
    virtual ~RowSource() = default;
    // Makes the first row current; false when there is none.
    virtual bool first() = 0;
    // Moves on; false past the last row, which then stays current, so that
    // bands printed after the rows (sums, payment lines) still read it.
    virtual bool next() = 0;
    // A value of the current row by field name: text, whole or floating
    // number, date, yes/no; an invalid QVariant for null.
    virtual QVariant value(const QString &field) const = 0;
    // The number of rows when known (for the progress), else -1.
    virtual int rowCount() const { return -1; }
};
