// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The payment window: the status data of one document, where the user records
// the payment date (typed, from the calendar, or today by a double-click) and
// the paid and done marks. It pages through all documents, or through the
// unpaid invoices only, so that several payments can be recorded in one go.
#include "data/tdatasource.h"
#include "data/tvexdaotable.h"

#include <QDate>
#include <QDialog>

class DBCheckBox;
class DBEdit;
class DBMemo;
class DBNavigator;
class QGroupBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QToolButton;

class TFVbezahlen : public QDialog
{
    Q_OBJECT
  public:
    // Opens on the document with the id, or on the first document of the
    // table when there is none with it; the navigator reaches every document.
    TFVbezahlen(QWidget *owner, qint64 documentId);
    ~TFVbezahlen() override;

    TVexDaoTable vorgangB;
    TDataSource vorgang1;

    DBNavigator *DBNavigator1;
    QToolButton *SpeedButton2;
    QGroupBox *GroupBox1, *GroupBox2;
    DBEdit *DBEdit1, *sVnr;
    DBMemo *sAnschrift;
    DBEdit *EditDatum, *sZieldatum;
    DBCheckBox *DBCheckBox3, *DBCheckBox5, *DBCheckBox6, *DBCheckBox7, *DBCheckBox4;
    DBEdit *ebezahltDatum;
    QToolButton *SpeedButton1;
    DBEdit *sEK, *sVK, *sVKbr;
    QStatusBar *StatusBar1;
    QLabel *StatusPanel1, *StatusPanel2;
    QPushButton *Button1, *Button2;

  public Q_SLOTS:
    void ebezahltDatumDblClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    // "OK": saves a pending change; the window stays open when the save fails.
    void Button1Click();
    // "Abbruch", Esc and the close box: the change of the document shown is dropped.
    void Button2Click();
    void reject() override;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    void vorgangBCalcFields(TVexDaoTable &ds);
    void vorgangBBeforePost(TVexDaoTable &ds);
    void showInOwnCurrency();
    void markPaid(const QString &dateText);
    // Before a save: a received invoice with an unconfirmed new account.
    void checkNewAccount(TVexDaoTable &ds);
    bool editing() const;

    bool m_centred = false;
    bool m_declined = false; // "Nein" to a payment date in the future
    QDate m_confirmedFuture; // "Ja" to it
};
