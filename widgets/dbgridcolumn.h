// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One column of a DBGrid as the window sets it up.
#include <QColor>
#include <QString>
#include <QStringList>

struct DBGridColumn
{
    DBGridColumn(const QString &field = QString(), const QString &caption = QString(), int columnWidth = 0)
        : fieldName(field), title(caption), width(columnWidth)
    {}

    QString fieldName;
    QString title; // the field's display label (or name) when empty
    int width = 0; // pixels; 0 = the grid's default
    bool readOnly = false;
    QStringList pickList;         // the cell editor offers these texts
    QColor color;                 // background; invalid = the grid's
    QColor fontColor;             // text; invalid = the grid's
    QColor titleColor;            // the title's text; invalid = the header's
    Qt::Alignment alignment = {}; // none = numbers right, everything else left
    // Grows to show the values in view whole, never cut with "…" (numbers
    // always do; a column of codes such as article numbers may ask for it).
    bool wholeValues = false;
};
