#pragma once
// The invoice list: one line per invoice with date, number, customer, net,
// gross and payment date, and the sums at the end. Opened from the report
// menu of the document list, always in the preview.
#include <QDate>
#include <QString>

enum class InvoiceReportKind {
    Alle,
    Bezahlt,
    Offen,
    OffenKunde,
    BezahltKunde,
    AlleKunde
}; // the six menu entries in order
struct InvoiceReportRequest
{
    InvoiceReportKind kind = InvoiceReportKind::Alle;
    QDate periodStart = QDate(1999, 1, 1); // the list's PeriodStart / PeriodEnd
    QDate periodEnd = QDate(2100, 12, 31);
    qint64 kdnr = 0; // N, for the customer entries
    QString kunde;   // K, for the customer entries' titles
};

// Builds the report on the program's connection and shows it in the print preview; returns when the preview
// closes.
void PreviewInvoiceReport(const InvoiceReportRequest &request);
