// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dunning run's window: the overdue invoices of a key date with the
// reminder each would get next (level, fee, interest, total), each of which
// can be left out. The document list makes the chosen reminders.
#include "lists/core/dunningrun.h"

#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;
class TVexDaoDatabase;

class TFMahnlauf : public QDialog
{
    Q_OBJECT
  public:
    TFMahnlauf(TVexDaoDatabase &db, const Dunning::Settings &settings, QWidget *parent = nullptr);

    QDateEdit *Stichtag;
    QTableWidget *Liste;
    QLabel *Summe;
    QPushButton *btok, *btcancel;

    // The invoices as listed for the key date, those the user unticked, and
    // the time-barred ones the user ticked (their reminder is confirmed).
    const DunningList &list() const { return m_list; }
    QSet<qint64> leftOut() const;
    QSet<qint64> barredConfirmed() const;

  public Q_SLOTS:
    // Lists the invoices of the key date anew.
    void StichtagChange();

  private:
    void updateSum();

    TVexDaoDatabase &m_db;
    Dunning::Settings m_settings;
    DunningList m_list;
};
