// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The key data of the current document at a glance and its four status
// flags. However it is closed, by "OK" or by Esc, the totals are recomputed,
// so that a cancelled document shows 0 and an uncancelled one its sums.
// Made per use by the document editor (a local object run through
// Dialogs::instance().exec) and freed with it.
#include <QDialog>

class DBCheckBox;
class DBEdit;
class DBMemo;
class QGroupBox;
class QPushButton;

class TFvInfo : public QDialog
{
    Q_OBJECT
  public:
    explicit TFvInfo(QWidget *owner);

    QGroupBox *GroupBox1; // "Vorgang"
    DBMemo *sTypname, *sAnschrift;
    DBEdit *DBEdit1, *sVnr, *EditDatum, *sZieldatum;
    QGroupBox *GroupBox2; // "Status"
    DBCheckBox *DBCheckBox3, *DBCheckBox1, *DBCheckBox2, *DBCheckBox4;
    DBEdit *sEK, *sVK, *sVKbr;
    QPushButton *Button1;

  public Q_SLOTS:
    // Writes what was typed, recomputes the totals and closes with OK.
    void Button1Click();

  public:
    void done(int result) override;
};
