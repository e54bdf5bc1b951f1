// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The document list: every business document one row, narrowed by type and
// payment state, customer and period, ordered by a click on a column title,
// exported as semicolon-separated text. From here the user opens, previews
// and prints a document, records payments, starts the invoice reports, the
// periodic invoicing of contracts and the printing of a range of invoices.
#include "lists/core/documentlistfilter.h"
#include "lists/core/dunningrun.h"
#include "printing/tberechnung.h"
#include "widgets/dbgridcolumn.h"
#include "widgets/vorgangwindows.h"

#include <QHash>
#include <QWidget>
#include <functional>

class DBCheckBox;
class DBGrid;
class DBNavigator;
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QToolBar;
class QToolButton;
class TDataSource;
class TVexDaoTable;

class TFVListe : public QWidget, public VorgangListWindow
{
    Q_OBJECT
  public:
    explicit TFVListe(QWidget *parent = nullptr);
    ~TFVListe() override;

    // ---- the list
    TVexDaoTable *vorganglist;
    TDataSource *DSvorganglist;

    // ---- state: status, customer and period choices, and the last order
    DocumentListFilter Filter;
    QString SortOrder;

    // ---- tool-bar strip
    QToolBar *ToolBar1;
    QToolButton *btvneu, *btdetails, *btdruck, *ToolButton2, *ToolButton4, *btedit, *Timefilter;
    QToolButton *BTfilterButton; // "BTfilter", the customer-filter toggle (BTfilter() below)
    QMenu *NeuMenu;
    QAction *Neuervorgang1, *Monatsrechnungen1, *Quartalsrechnungen1, *Halbjahresrechnungen1,
        *Jahresrechnungen1, *Mahnlauf1;
    QAction *ERechnungEinlesen1; // a received e-invoice taken in from a file
    QMenu *Printmenu;
    QAction *Vorschau1, *Ausdruck1, *Mehrfachdruck1;
    QAction *OriginalSpeichern1; // the original of a received e-invoice, offered only for one
    QToolButton *btUmwandeln;    // "Umwandeln in …" the current document
    QMenu *ExportMenu;           // the list's export and the invoice journal for the tax advisor
    QAction *ExportListe1, *Rechnungsausgangsbuch1;
    QMenu *UmwandelnMenu;
    QMenu *Berichtmenu;
    QAction *AlleRechnungen1, *bezahlteRechnungen1, *offeneRechnungen1, *AllRec, *bezRec, *offrec;
    QAction *Eingangsrechnungen1, *offeneEingangsrechnungen1;
    QMenu *TimefilterMenu;
    QAction *QuartalI1, *QuartalII1, *QuartalIII1, *QuartalIV1, *KeinZeitraum1;
    QFrame *Panel1; // "  Filter:" with the status box
    QComboBox *cstatus;
    QLabel *Zeitanzeige;
    DBNavigator *DBNavigator1;

    // ---- log and grid
    QPlainTextEdit *Memo1;
    DBGrid *liste;

    // ---- bottom strip
    DBCheckBox *DBCheckBox3;
    QLabel *sorter;
    QProgressBar *Progress; // shown while a run goes through the list

    // ---- VorgangListWindow
    void setCustomerFilter(const QString &condition) override;
    void ApplyFilter() override;
    QAbstractButton *BTfilter() const override;

    // The periodic invoicing of the contracts of a period letter (M, Q, H, J).
    void CreatePeriodicInvoices(const QString &letter);
    // The dunning run: the overdue invoices in the run's window, then the
    // chosen reminders made, counted and offered for printing.
    void Mahnlauf1Click();
    // Prints the invoices (or the documents of another type letter) numbered
    // first to last, one after another, with the log beside the list.
    void PrintInvoiceRange(const QString &first, const QString &last,
                           const QString &typ = QStringLiteral("R"));

    // Tests: receive the report menu's requests instead of the preview. An
    // empty function restores the preview.
    static void setReportHandlerForTests(std::function<void(const InvoiceReportRequest &)> handler);

  public Q_SLOTS:
    void cstatusChange();
    void BTfilterClick();
    void TimefilterClick();
    void SetQuarter(int quarter);
    void KeinZeitraum1Click();
    void listeTitleClick(int column);
    void btdetailsClick();
    void btvneuClick();
    void btdruckClick();
    void Ausdruck1Click();
    void bteditClick();
    void ToolButton2Click();
    void BerichtmenuPopup();
    void ToolButton4Click();
    void Mehrfachdruck1Click();
    void Memo1Click();
    void ERechnungEinlesen1Click();
    void OriginalSpeichern1Click();
    void PrintmenuPopup();
    // The invoices and credit notes of the list's period as CSV for the tax advisor.
    void Rechnungsausgangsbuch1Click();
    // The current document into a new one of the type, opened in the editor.
    void UmwandelnClick(const QString &typ);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    void FormCreate();
    void buildToolBar();
    void buildMenus();
    void buildGrid();
    // The grid's columns, with those of the next reminder while the status
    // "überfällig" is chosen, and the reminders they show computed anew; and
    // the mark of received invoices that name an unconfirmed account.
    void showComputedColumns();
    // A run's progress in the bar at the bottom: done of total.
    std::function<void(int, int)> showProgress();
    void updateCommands();
    // Reads the list's select anew with the order line; false after the
    // message when vliste.sql cannot be read or the select does not serve.
    bool openList(const QString &orderLine);
    // The current row's id as the list holds it (0 on an empty list).
    qint64 currentId() const;
    bool hasCurrentRow() const;
    // Reads the list anew (filter and order as they are) and moves to the document.
    void reopenOn(qint64 id);
    void invoiceReport(int kind);
    void log(const QString &line);
    // Runs a handler's work; an error ends it and is shown in the error box.
    void guarded(const std::function<void()> &work);

    bool m_opened = false;
    QList<DBGridColumn> m_columns;          // the list's own columns
    QHash<qint64, DunningCandidate> m_dues; // by invoice id, while "überfällig" is chosen
    QHash<qint64, QString> m_newAccounts;   // received invoices naming an unconfirmed account
};
