// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeping received e-invoices: the original file byte for byte with its
// SHA-256 and the time of receipt in the table Eingangsrechnung, and beside
// it a document of type E in Vorgang1 (supplier, number, dates, net, VAT,
// gross) through which the document list shows the invoice and the payment
// window marks it paid. The supplier is found among the addresses or made a
// new supplier address. Nothing here is ever changed or deleted again.
#include "incominginvoice.h"

#include <QDateTime>
#include <functional>

class Tdataa;
class TVexDaoDatabase;

// The letter of the documents that stand for received invoices.
inline QString IncomingTypeLetter()
{
    return QStringLiteral("E");
}

struct IncomingImport
{
    qint64 id = 0;        // row of Eingangsrechnung; 0 when the user declined
    qint64 vorgangId = 0; // the document of type E
    qint64 kdnr = 0;      // the supplier's address
    QString supplierName;
    QString supplierFoundBy; // "USt-IdNr.", "Name", or empty for a new address
    bool supplierCreated = false;
    IncomingInvoice invoice;
    QList<InvoiceFinding> findings;
    QStringList notes; // about the supplier address made (a VAT id it could not take)
    // An account the supplier is not known to use (see SupplierAccounts);
    // also the first of the findings.
    QString accountChange;
    // "Eingangsrechnung HK-2025-0815 von Holzbau Krämer GmbH übernommen ..."
    QString summary() const;
};

// A stored invoice: the original and what was recorded on receipt.
struct StoredIncoming
{
    qint64 id = 0, vorgangId = 0, kdnr = 0;
    QDateTime received;
    QString fileName, sha256, format, number, seller;
    QByteArray original;
};

namespace IncomingStore {

// The supplier the invoice is from: by its VAT id (an address's own, or an
// earlier received invoice's), else by name among the addresses (suppliers
// first); kdnr 0 when none is found.
struct SupplierMatch
{
    qint64 kdnr = 0;
    QString name;
    QString foundBy;
};
SupplierMatch findSupplier(TVexDaoDatabase &db, const IncomingInvoice &invoice);

// Reads, checks and keeps the file. The supplier comes from findSupplier;
// when there is none, mayCreateSupplier is asked (with the invoice) whether
// to make a new supplier address: true makes it, false keeps nothing and
// returns an import with id 0. AppError with a German message, and nothing
// stored, when the file is no e-invoice, names no seller, or was taken in
// before (the same file, or the same number from the same seller): the
// message names the earlier import. Everything is written in one transaction.
IncomingImport import(Tdataa &addresses, const QByteArray &file, const QString &fileName,
                      const std::function<bool(const IncomingInvoice &)> &mayCreateSupplier,
                      const QDateTime &receivedAt = QDateTime::currentDateTime());

// The stored invoice with this id (the number of Eingangsrechnung) or of the
// document of type E with this id; AppError when there is none, or when the
// original no longer has the SHA-256 it was received with.
StoredIncoming stored(TVexDaoDatabase &db, qint64 id);
StoredIncoming storedOfVorgang(TVexDaoDatabase &db, qint64 vorgangId);
// Writes the original out again, byte for byte (replacing the file only once
// all of it is written); AppError naming the file when that fails.
void writeOriginal(const StoredIncoming &s, const QString &path);
// Whether the document with this id stands for a received invoice.
bool isIncomingDocument(TVexDaoDatabase &db, qint64 vorgangId);

} // namespace IncomingStore
