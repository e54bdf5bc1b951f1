// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The three free texts of the current document: header, footer and internal
// note, with two aids for contracts, whose invoices are generated from them:
// the month placeholder in the header and the direct-debit footer from
// vertragfuss.txt. Made per use by the document editor (a local object run
// through Dialogs::instance().exec) and freed with it.
#include <QDialog>

class DBMemo;
class QGroupBox;
class QPushButton;

class TFVtext : public QDialog
{
    Q_OBJECT
  public:
    explicit TFVtext(QWidget *owner);

    QGroupBox *GroupBox1, *GroupBox2, *GroupBox3;
    DBMemo *Memo1;          // Kopftext
    DBMemo *Memo2;          // Fusstext
    DBMemo *DBMemo3;        // Notiz
    QPushButton *Monat;     // "Monat einsetzen"
    QPushButton *Fusstext1; // "Abbuchungstext"
    QPushButton *Button2;   // "OK"
    QPushButton *Button1;   // "Abbruch"

  public Q_SLOTS:
    void MonatClick();
    void Fusstext1Click();
    void Button2Click();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void Memo1Click();
};
