// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A received e-invoice as a readable page: seller and buyer, references and
// dates, the lines, allowances and charges, the VAT breakdown, the totals,
// payment data, notes and the findings of the checks. Built by the report
// engine like every other print, so it previews, prints and becomes a PDF.
#include "einvoice/incominginvoice.h"
#include "report/report.h"

#include <QVariantMap>
#include <memory>

class PageSet;
class TVexDaoDatabase;

class TBeingang
{
  public:
    // receipt: the bottom line of each page (when and from which file the
    // invoice was taken in), or empty for a file that is only shown.
    TBeingang(const IncomingInvoice &invoice, const QList<InvoiceFinding> &findings, const QString &receipt);
    ~TBeingang();

    Report Bericht;

  private:
    class Rows;
    void buildLayout();

    IncomingInvoice m_invoice;
    QList<InvoiceFinding> m_findings;
    QString m_receipt;
    std::unique_ptr<Rows> m_lines, m_totals, m_sections, m_checks;
};

// The pages of a received invoice (for the command line, tests and the
// benchmark).
std::unique_ptr<PageSet> IncomingInvoicePages(const IncomingInvoice &invoice,
                                              const QList<InvoiceFinding> &findings,
                                              const QString &receipt = QString());

// The received invoice kept for the document (type E) with this id, as its
// page: AppError when the document has no stored invoice.
std::unique_ptr<TBeingang> IncomingInvoiceForm(TVexDaoDatabase &db, qint64 vorgangId);
