// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The small modal calendar in which a date is picked: the document editor
// uses it for the document and due dates, the document list for its period,
// the payment window for the payment date. Each use makes a new dialog; the
// caller reads SelectedDateText afterwards.
#include <QDate>
#include <QDialog>

class QCalendarWidget;
class QPushButton;

class TKalenderform : public QDialog
{
    Q_OBJECT
  public:
    explicit TKalenderform(QWidget *parent = nullptr);

    QCalendarWidget *Kalender;
    QPushButton *BTOK;
    QPushButton *BTAbbruch;

    // Empty until "&OK"; then the chosen date as dd.mm.yyyy. Empty again after
    // "&Abbruch" or the close button.
    QString SelectedDateText;

    // The day the calendar starts on; an invalid date means today.
    void setStartDate(const QDate &date);

  public Q_SLOTS:
    void BTOKClick();
    void BTAbbruchClick();

  protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
