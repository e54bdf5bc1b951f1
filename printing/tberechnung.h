// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The invoice list: one line per invoice with date, number, customer, net,
// gross and payment date, and the sums at the end. Opened from the report
// menu of the document list, always in the preview; the command line writes
// the same pages as PDF.
#include "datasetrowsource.h"

#include "data/tvexdaotable.h"
#include "report/report.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <vector>

class TVexDaoDatabase;

enum class InvoiceReportKind {
    Alle,
    Bezahlt,
    Offen,
    OffenKunde,
    BezahltKunde,
    AlleKunde,
    Eingang,     // received invoices (type E)
    EingangOffen // those not yet paid
};               // the menu entries in order
struct InvoiceReportRequest
{
    InvoiceReportKind kind = InvoiceReportKind::Alle;
    // The period, where the user set one; the report applies it whatever
    // its dates (01.01.1999 is a date like any other here).
    bool periodSet = false;
    QDate periodStart;
    QDate periodEnd;
    qint64 kdnr = 0; // N, for the customer entries
    QString kunde;   // K, for the customer entries' titles
};

// What a menu entry selects and how the report is titled.
struct InvoiceReportSelection
{
    QString filter;          // filter text of the report's documents
    QString title;           // report title and preview caption
    bool paidColumn = true;  // the "bezahlt am" column title is printed
    bool usesPeriod = false; // the entry limits the list to a period at all
    bool suppliers = false;  // received invoices: the name column holds the supplier
};
InvoiceReportSelection InvoiceReportSelectionOf(const InvoiceReportRequest &request);

// Builds the report on the program's connection and shows it in the print preview; returns when the preview
// closes.
void PreviewInvoiceReport(const InvoiceReportRequest &request);

// Writes the report's pages as PDF. AppError when no invoice is selected or
// the file cannot be written; no file is left then.
void WriteInvoiceReportPdf(TVexDaoDatabase *connection, const InvoiceReportRequest &request,
                           const QString &path);

class TBeRechnung : public QObject
{
    Q_OBJECT
  public:
    // The datasets use the given connection; nothing is read before Select.
    explicit TBeRechnung(TVexDaoDatabase *connection, QObject *parent = nullptr);
    ~TBeRechnung() override;

    // Filters the invoices for the entry (before they are read, so that the
    // whole table is never held), sets the title and the column titles.
    void Select(const InvoiceReportRequest &request);

    // ---- datasets
    TVexDaoTable Vorgang1;
    TVexDaoTable Adressen;

    // ---- the report and its bands and elements
    Report bericht;
    ReportBand *QRBand1, *QRBand3, *QRBand2, *QRBand4;
    ReportElement *QRSysData1;
    ReportElement *QRLabel2, *QRLabel1, *QRLabel3, *QRLabel4, *lmwst, *brutto, *lbezahlt;
    ReportElement *lmahnstufe; // the open lists' column of the dunning level
    ReportElement *QRDBText2, *QRDBText1, *QRDBText7, *netto, *mw, *br, *QRDBText6;
    ReportElement *negesamt, *mwgesamt, *brgesamt;

    // ---- running sums, one per currency in the order the currencies first
    // appear: DM and euro amounts are never added into one figure.
    struct CurrencyTotal
    {
        QString Waehrung;
        qint64 NetTotal = 0;   // ten-thousandths
        qint64 VatTotal = 0;   // ten-thousandths
        qint64 GrossTotal = 0; // ten-thousandths
    };
    std::vector<CurrencyTotal> Totals;

    // ---- hooks
    void berichtBeforePrint();
    void QRBand2BeforePrint(bool &printBand);
    void QRBand4BeforePrint(bool &printBand);

  private:
    void buildLayout();
    QString dateText(const char *field) const;

    DatasetRowSource m_rows;
    bool m_levels = false; // the last column shows the dunning level
};
