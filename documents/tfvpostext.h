// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One position of the current document: quantity, prices, unit, title and
// description, with the line total net and gross. The net price may also be
// entered as a gross amount. Made per use by the document editor (a local
// object run through Dialogs::instance().exec) and freed with it.
#include <QDialog>

class DBEdit;
class DBMemo;
class DBText;
class QLineEdit;
class QPushButton;

class TFVPostext : public QDialog
{
    Q_OBJECT
  public:
    explicit TFVPostext(QWidget *owner);

    DBEdit *eAnzahl, *DBEdit1, *ePreis, *eEinheit;
    DBText *sGesamt;
    DBEdit *eTitel;
    QLineEdit *vkbr; // the gross price, bound to no field
    QPushButton *Button1;
    DBText *sPreisbr;
    DBMemo *sBezeichnung;

  public Q_SLOTS:
    // Turns the typed gross price into the net Preis. A text that is no
    // number in the program's one number form is refused with a message and
    // Preis stays as it was. False when refused.
    bool vkbrExit();

  public:
    // OK, Enter and Esc alike: the typed values are written first, the gross
    // price among them; anything refused keeps the dialog open.
    void accept() override;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    bool m_grossTyped = false; // typed since it was last turned into Preis
};
