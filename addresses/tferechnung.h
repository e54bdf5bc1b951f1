// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the e-invoices of the current address need beyond the address itself:
// the mailbox they go to and the buyer reference (a public authority's
// Leitweg-ID). Both may stay empty; the e-invoice then takes the address's
// e-mail and its customer number.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TFERechnung : public QDialog
{
    Q_OBJECT
  public:
    // For the current address of the address data module.
    explicit TFERechnung(QWidget *parent = nullptr);

    QLabel *lAdresse;
    QLineEdit *eEmail, *eReferenz;
    QPushButton *btOk, *btAbbrechen;

  public Q_SLOTS:
    // "OK": saves the two values (both empty removes them); true when the
    // dialog may close, false after a message about what to correct.
    bool btOkClick();

  private:
    double m_kdnr = 0;
};
