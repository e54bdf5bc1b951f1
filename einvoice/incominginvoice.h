// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A supplier's e-invoice as EN 16931 defines it, read from either syntax
// (UN/CEFACT CII or UBL 2.1), from an XML file or from the attachment of a
// ZUGFeRD / Factur-X PDF. Every business term keeps the name of the standard
// beside it (BT-n, BG-n); values stay exactly as the file states them, and a
// term the file lacks stays empty, never invented.
#include "decimal.h"

#include <QByteArray>
#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// One failed check, or a value that could not be read, with the business
// term it concerns and, where it is one, the rule of EN 16931.
struct InvoiceFinding
{
    QString term; // "BT-106", "BG-23"
    QString rule; // "BR-CO-10", empty for the program's own checks
    QString text; // German
};

struct InvoiceAddress // BG-5, BG-8, BG-15
{
    QString line1, line2, line3; // BT-35, BT-36, BT-162
    QString city, postCode;      // BT-37, BT-38
    QString subdivision;         // BT-39
    QString country;             // BT-40 (ISO 3166-1 alpha-2)
    bool isEmpty() const;
    // "Straße\n12345 Ort\nLand" as an address block.
    QStringList lines() const;
};

struct InvoiceParty // BG-4 seller, BG-7 buyer
{
    QString name;              // BT-27 / BT-44
    QString tradingName;       // BT-28 / BT-45
    QStringList ids;           // BT-29 / BT-46
    QString legalId;           // BT-30 / BT-47
    QString vatId;             // BT-31 / BT-48
    QString taxNumber;         // BT-32 (seller only)
    QString legalInfo;         // BT-33 (seller only)
    QString electronicAddress; // BT-34 / BT-49
    QString electronicScheme;  // its scheme ("EM" e-mail, "0204" Leitweg-ID, ...)
    InvoiceAddress address;    // BG-5 / BG-8
    QString contactName;       // BT-41 / BT-56
    QString contactPhone;      // BT-42 / BT-57
    QString contactEmail;      // BT-43 / BT-58
};

struct InvoiceAllowanceCharge // BG-20, BG-21, and on a line BG-27, BG-28
{
    bool charge = false;
    Decimal amount;      // BT-92 / BT-99 (line: BT-136 / BT-141)
    Decimal base;        // BT-93 / BT-100
    Decimal percent;     // BT-94 / BT-101
    QString vatCategory; // BT-95 / BT-102 (document level)
    Decimal vatRate;     // BT-96 / BT-103
    QString reason;      // BT-97 / BT-104
    QString reasonCode;  // BT-98 / BT-105
};

struct InvoiceVatBreakdown // BG-23
{
    Decimal basis;           // BT-116
    Decimal amount;          // BT-117
    QString category;        // BT-118
    Decimal rate;            // BT-119
    QString exemptionReason; // BT-120
    QString exemptionCode;   // BT-121
};

struct InvoiceLine // BG-25
{
    QString id;                                    // BT-126
    QString note;                                  // BT-127
    QString objectId;                              // BT-128
    Decimal quantity;                              // BT-129
    QString unit;                                  // BT-130
    Decimal netAmount;                             // BT-131
    QString orderLineRef;                          // BT-132
    QString accountingRef;                         // BT-133
    QDate periodStart, periodEnd;                  // BT-134, BT-135
    QList<InvoiceAllowanceCharge> adjustments;     // BG-27, BG-28
    Decimal netPrice;                              // BT-146
    Decimal priceDiscount;                         // BT-147
    Decimal grossPrice;                            // BT-148
    Decimal baseQuantity;                          // BT-149
    QString baseUnit;                              // BT-150
    QString vatCategory;                           // BT-151
    Decimal vatRate;                               // BT-152
    QString name;                                  // BT-153
    QString description;                           // BT-154
    QString sellerItemId, buyerItemId;             // BT-155, BT-156
    QString standardItemId;                        // BT-157
    QStringList classifications;                   // BT-158
    QString originCountry;                         // BT-159
    QList<std::pair<QString, QString>> attributes; // BT-160, BT-161
    bool informationOnly = false;                  // an EXTENDED line that is not part of the sums
    QString parentId;                              // EXTENDED: the line this one is a sub-line of
    bool subtotal = false;                         // EXTENDED: a group line, the sum of its sub-lines
    // Whether its net amount counts towards the invoice's sums: not a line
    // for information, nor a group line, whose sub-lines count instead.
    bool summed() const { return !informationOnly && !subtotal; }
};

struct InvoicePaymentMeans // BG-16 with BG-17, BG-18 and BT-91
{
    QString code;           // BT-81
    QString text;           // BT-82
    QString accountId;      // BT-84 (IBAN or other account)
    QString accountName;    // BT-85
    QString bic;            // BT-86
    QString cardNumber;     // BT-87
    QString cardHolder;     // BT-88
    QString debitedAccount; // BT-91
};

struct InvoiceNote // BG-1
{
    QString subject; // BT-21
    QString text;    // BT-22
};

struct PrecedingInvoice // BG-3
{
    QString number; // BT-25
    QDate date;     // BT-26
};

struct IncomingInvoice
{
    enum class Syntax { CII, UBL };
    Syntax syntax = Syntax::CII;
    QString attachmentName; // the PDF's attachment the XML came from; empty for an XML file

    QString number;                            // BT-1
    QDate issueDate;                           // BT-2
    QString typeCode;                          // BT-3
    QString currency;                          // BT-5
    QString vatCurrency;                       // BT-6
    QDate taxPointDate;                        // BT-7
    QString vatDueDateCode;                    // BT-8
    QDate dueDate;                             // BT-9
    QString buyerReference;                    // BT-10
    QString projectRef;                        // BT-11
    QString contractRef;                       // BT-12
    QString orderRef;                          // BT-13
    QString salesOrderRef;                     // BT-14
    QString receivingAdviceRef;                // BT-15
    QString despatchAdviceRef;                 // BT-16
    QString tenderRef;                         // BT-17
    QString invoicedObjectRef;                 // BT-18
    QString buyerAccountingRef;                // BT-19
    QString paymentTerms;                      // BT-20
    QList<InvoiceNote> notes;                  // BG-1
    QString processId;                         // BT-23
    QString specificationId;                   // BT-24
    QList<PrecedingInvoice> precedingInvoices; // BG-3

    InvoiceParty seller, buyer;               // BG-4, BG-7
    QString payeeName, payeeId, payeeLegalId; // BG-10: BT-59, BT-60, BT-61
    QString taxRepresentativeName;            // BT-62
    QString taxRepresentativeVatId;           // BT-63

    QString deliverToName;           // BT-70
    QString deliverToLocationId;     // BT-71
    QDate deliveryDate;              // BT-72
    QDate periodStart, periodEnd;    // BG-14: BT-73, BT-74
    InvoiceAddress deliverToAddress; // BG-15

    QList<InvoicePaymentMeans> paymentMeans; // BG-16
    QString remittanceInformation;           // BT-83
    QString mandateId;                       // BT-89
    QString creditorId;                      // BT-90

    QList<InvoiceAllowanceCharge> adjustments; // BG-20, BG-21

    Decimal lineTotal;          // BT-106
    Decimal allowanceTotal;     // BT-107
    Decimal chargeTotal;        // BT-108
    Decimal taxBasisTotal;      // BT-109
    Decimal vatTotal;           // BT-110
    Decimal vatTotalAccounting; // BT-111
    Decimal grandTotal;         // BT-112
    Decimal prepaid;            // BT-113
    Decimal rounding;           // BT-114
    Decimal duePayable;         // BT-115

    QList<InvoiceVatBreakdown> vatBreakdown; // BG-23
    QList<InvoiceLine> lines;                // BG-25

    // Values the reader found but could not take (a malformed amount or
    // date); the value itself is left empty.
    QList<InvoiceFinding> readProblems;

    // The largest file read, and the largest attachment a PDF may unpack to.
    static constexpr qint64 kLargestFile = 64 * 1024 * 1024;

    // Reads an .xml file or a ZUGFeRD / Factur-X PDF. AppError with a German
    // message naming the file when it is not an e-invoice: broken XML, XML of
    // another kind, a PDF without an invoice attachment, an unreadable PDF.
    static IncomingInvoice read(const QByteArray &file, const QString &fileName);
    // The bytes of a file chosen to be read; AppError when it cannot be read
    // or is far too large for an invoice (so that it is never held in memory).
    static QByteArray loadFile(const QString &path);

    // A credit note (type 381 and its kin, or a UBL CreditNote): the supplier
    // owes the amount instead of being owed it.
    bool isCreditNote() const;
    // "UN/CEFACT CII", "UBL 2.1", with " in PDF (factur-x.xml)" for an attachment.
    QString formatName() const;

    // German names of the codes the page and the text form show.
    static QString typeName(const QString &code);
    static QString unitName(const QString &code);
    static QString vatCategoryName(const QString &code);
    static QString paymentMeansName(const QString &code);

    // What the page and the text form show, section by section, in German.
    static QStringList partyLines(const InvoiceParty &party);
    QStringList referenceLines() const; // references and dates
    QStringList paymentLines() const;   // means, accounts, terms, due date
    QStringList noteLines() const;
    static QString lineDetails(const InvoiceLine &line); // description, attributes, adjustments
    static QString adjustmentText(const InvoiceAllowanceCharge &a);
    // The totals BT-106 to BT-115 that the file states: label, amount.
    QList<std::pair<QString, Decimal>> totals() const;

    // The invoice as one JSON object keyed by the names of the standard
    // (see the README); findings as a list of {"term", "rule", "text"}.
    QJsonObject toJson(const QList<InvoiceFinding> &findings) const;
    // The same as readable German text for a terminal.
    QString toText(const QList<InvoiceFinding> &findings) const;
};
