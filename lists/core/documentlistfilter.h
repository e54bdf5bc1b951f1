// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The document list's filter without its window: the status, customer and
// period choices and the filter text they make. The list window and the
// command line's export both build their filter here.
#include <QDate>
#include <QList>
#include <QString>

class DocumentListFilter
{
  public:
    // One line of the status box.
    struct StatusEntry
    {
        QString text;        // as the box shows it
        QString filter;      // the status condition it sets
        bool separator;      // a separator line leaves the condition as it was
        QString commandName; // the value of the command line's --status, empty for separators
    };
    // The lines of the status box, in order.
    static const QList<StatusEntry> &StatusEntries();
    // The line the command line names ("alle", "rechnungen", ...), -1 when none.
    static int statusIndexOfCommandName(const QString &name);

    // 01.01.1999 and 31.12.2100 stand for "no period".
    static QDate NoPeriodStart() { return QDate(1999, 1, 1); }
    static QDate NoPeriodEnd() { return QDate(2100, 12, 31); }

    QString StatusFilter;   // empty = every type and payment state
    QString CustomerFilter; // "kdnr =1005"; empty = every customer
    QDate PeriodStart = NoPeriodStart();
    QDate PeriodEnd = NoPeriodEnd();
    // The status "überfällig" is chosen: the list names each invoice's next
    // reminder and what it claims.
    bool Overdue = false;

    // The customer condition for a customer number as the list shows it.
    static QString customerCondition(const QString &kdnrText);

    // Sets StatusFilter from a line of the status box; separators keep it.
    void chooseStatus(int index);
    bool periodSet() const { return PeriodStart != NoPeriodStart(); }
    // The quarter (1 to 4) of the period's year, or of today's year when no
    // period is set yet.
    void setQuarter(int quarter, const QDate &today);
    void clearPeriod();

    // The list's filter text: status, customer and always the period, e.g.
    // "Typ = 'R' and kdnr =1005 and datum >= #01/01/1999# and datum <=#12/31/2100#".
    QString filterText() const;
    // What the period panel shows: "01.04.2005 - 30.06.2005".
    QString periodText() const;
};
