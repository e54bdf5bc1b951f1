// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The address chooser: lists customers (suppliers for a purchase order),
// narrows the list by first letter or typed name, and copies the chosen
// address into the current document as a block of lines with the customer
// number. For a new document it also offers the type and contract period, so
// that the type can still change before the document is numbered.
#include <QDialog>
#include <QPointer>
#include <functional>

class DBComboBox;
class DBEdit;
class DBGrid;
class DBLookupComboBox;
class DBMemo;
class DBNavigator;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QToolBar;
class QToolButton;
class TDataSource;
class TVexDaoTable;

class TFVadr : public QDialog
{
    Q_OBJECT
  public:
    // Created with no parent: the application owns it.
    explicit TFVadr(QWidget *parent = nullptr);
    ~TFVadr() override;

    // ---- tool bar
    QToolBar *ToolBar1;
    QToolButton *ToolButton1;
    DBNavigator *DBNavigator1;
    QToolButton *uebernahme;
    QLabel *Label1;
    QLineEdit *findfast;
    // ---- left panel
    QGroupBox *typpanel = nullptr; // "Art des Vorgangs"; shown only for a new document
    DBLookupComboBox *vorgangbox;
    DBEdit *DBEdit1;
    DBComboBox *DBComboBox1;
    QGroupBox *AnschriftBox;
    DBMemo *mAnschrift;
    QPushButton *Button1;
    // ---- right part
    QTabBar *nameTab;
    DBGrid *Liste;

    TVexDaoTable *adr = nullptr; // the list query
    TDataSource *adrQ = nullptr;

    // Closes adr, replaces its SQL by the select, "where " + condition and
    // "order by name1", and opens it. A letter filter stays in force.
    void OpenAddressList(const QString &condition);

  public Q_SLOTS:
    // Copies adr's current row into the current document of Data->vorgang:
    // the address block (lines separated by CR alone) and the customer
    // number. Nothing is saved; the window stays open.
    void uebernahmeClick();
    // The type list closed up: suppliers for "B", customers for the rest.
    void vorgangboxClick();
    void nameTabChange(int index);
    void findfastChange(const QString &text);
    void ToolButton1Click();

  public:
    // Lets the chooser go: written text is kept, the window frees itself
    // and empties its reference.
    void done(int result) override;

  protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void openList(const QString &selectLine, const QString &condition);
    void guarded(const std::function<void()> &work);
};

// The one chooser of the program; empty while none exists.
QPointer<TFVadr> &FVadrRef();
