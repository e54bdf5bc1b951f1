// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The quick address entry: a new address typed in one go and appended to the
// shared address dataset, which numbers and dates it.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

class Tfadrins : public QDialog
{
    Q_OBJECT
  public:
    explicit Tfadrins(QWidget *parent = nullptr);

    QLineEdit *v, *n;
    QPlainTextEdit *nn;
    QLineEdit *s, *p, *o, *vo, *t, *te;
    QLineEdit *eEmail, *eLand;                     // e-mail; country (empty: Germany)
    QCheckBox *cKunde, *cLieferant, *cVerbraucher; // a customer unless told otherwise
    QPushButton *Button1, *Button2;
    QStatusBar *StatusBar1;

  public Q_SLOTS:
    // "&Anlegen": appends the address; true when the dialog may close.
    bool Button1Click();
};
