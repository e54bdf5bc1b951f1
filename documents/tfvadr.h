#pragma once
// The address chooser: lists customers (suppliers for a purchase order),
// narrows the list by first letter or typed name, and copies the chosen
// address into the current document as a block of lines with the customer
// number. For a new document it also offers the type and contract period.
#include <QDialog>
#include <QPointer>

class QGroupBox;
class TVexDaoTable;

class TFVadr : public QDialog
{
    Q_OBJECT
  public:
    // Created with no parent: the application owns it.
    explicit TFVadr(QWidget *parent = nullptr);
    ~TFVadr() override;

    QGroupBox *typpanel = nullptr; // "Art des Vorgangs"; shown only for a new document
    TVexDaoTable *adr = nullptr;   // the list query

    // Closes adr, replaces its SQL by the select, "where " + condition and
    // "order by name1", and opens it.
    void OpenAddressList(const QString &condition);

  public Q_SLOTS:
    // Copies adr's current row into the current document of Data->vorgang.
    void uebernahmeClick();
};

// The one chooser of the program; empty while none exists. The window frees
// itself and clears it when it closes.
QPointer<TFVadr> &FVadrRef();
