// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One invoice or credit note as EN 16931 sees it: seller, buyer, lines, notes,
// payment and the totals in that standard's arithmetic (line amounts rounded to
// cents, their sum, the VAT of the sum, gross = net + VAT). Loading it from the
// database is where every refusal happens, so that no writer ever sees a
// document it cannot express.
#include "sellerdata.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class TVexDaoDatabase;

struct EInvoiceBuyer
{
    qint64 kdnr = 0;
    QString name;  // first name and name, as the address page shows them
    QString namen; // further name lines, joined with ", "
    QString strasse, plz, ort;
    QString land = QStringLiteral("DE"); // ISO 3166-1 alpha-2
    QString vatId;                       // the customer's VAT id, when it has the form of one
    QString email;                       // where e-invoices go
    QString reference;                   // buyer reference (Leitweg-ID)
    QString debitIban;                   // the address's account, when it is an IBAN
};

struct EInvoiceLine
{
    QString id;          // the position number
    QString articleNr;   // seller's article number
    QString name;        // item name
    QString description; // further text of the position
    QString unitCode;    // UN/ECE recommendation 20
    double quantity = 0;
    double price = 0;                       // never negative: a negative price turns into a negative quantity
    qint64 netCents = 0;                    // quantity × price, rounded to cents
    QString category = QStringLiteral("S"); // VAT category of the position
    double rate = 19;                       // its rate in percent
};

// The VAT breakdown of one category and rate (BG-23), in cents.
struct EInvoiceVat
{
    QString category;
    double rate = 0;
    qint64 basisCents = 0, vatCents = 0;
    QString exemptionReason, exemptionCode; // why no VAT is charged (BT-120, BT-121)
};

enum class PaymentMeans {
    CreditTransfer, // the buyer transfers to the seller's account (SEPA, code 58)
    DirectDebit,    // the seller debits the buyer's account under a mandate (SEPA, code 59)
    NotDefined,     // credit notes: settled or paid out as agreed (code 1)
};

struct EInvoice
{
    bool creditNote = false; // 381 instead of 380
    QString number;
    QDate issueDate, dueDate;
    // The date of supply, or the service period when periodEnd is set.
    QDate deliveryDate, periodStart, periodEnd;
    QString paymentTerms; // the print's payment line, empty for credit notes
    // The order confirmation (BT-13) or delivery note (BT-16) it was made from.
    QString orderReference, despatchReference;
    QStringList notes; // header text, text-only positions, footer text
    SellerData seller;
    EInvoiceBuyer buyer;
    QList<EInvoiceLine> lines;
    PaymentMeans payment = PaymentMeans::CreditTransfer;
    QString mandateReference;     // for a direct debit: the customer number
    QList<EInvoiceVat> breakdown; // per category and rate, ordered by rate
    qint64 lineTotalCents = 0, vatCents = 0, grandTotalCents = 0;

    QString typeCode() const { return creditNote ? QStringLiteral("381") : QStringLiteral("380"); }
    // Every position not subject to VAT (category O): no rate and no VAT id is written.
    bool notSubjectToVat() const
    {
        return breakdown.size() == 1 && breakdown.first().category == QLatin1String("O");
    }

    // Reads document `id` with its positions, its address block and its
    // customer's address. AppError with a German message naming everything
    // that is missing or wrong when the document cannot become an e-invoice
    // (not an invoice or credit note, in DM, cancelled, no positions, seller
    // data missing from the settings, buyer without e-mail, post code or city,
    // a tax case without the VAT ids it needs, a unit without a code, ...).
    static EInvoice load(TVexDaoDatabase &db, qint64 id, const SellerData &seller, int vatRate);

    // Cents of quantity × price, halves away from zero, after removing the
    // binary noise of the product (1.005 stays 1.005).
    static qint64 lineCents(double quantity, double price);
    // The VAT of a net sum in cents at a whole percent rate, halves away from zero.
    static qint64 vatOf(qint64 netCents, int rate);
    // "1234.50", "-0.07".
    static QString amountText(qint64 cents);
    // UN/ECE recommendation 20 (or 21) code of a unit of the program ("h" HUR,
    // "m" MTR, "Psch" LS, none C62); empty for a unit it does not know.
    static QString unitCodeOf(const QString &einheit);
    // Whether a buyer reference of the form of a Leitweg-ID ("04011000-1234512345-06")
    // carries a wrong check digit (ISO 7064 MOD 97-10).
    static bool isBadLeitwegId(const QString &reference);
};
