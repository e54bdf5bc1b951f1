// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The accounts a supplier is known to be paid to, and the received invoices
// that ask for payment to another one: the classic way to divert a payment
// is an invoice in a known supplier's name with a new IBAN. Known are the
// IBAN of the supplier's address and the accounts kept in the table
// Lieferantenkonto (confirmed by the user, or named by the supplier's first
// e-invoice). An invoice naming another account is a finding on receipt, in
// the list of received invoices, on its page and before it is paid, until
// the user confirms the account; a transfer is made to known accounts only.
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

class TVexDaoDatabase;
struct IncomingInvoice;

namespace SupplierAccounts {

// An account as it is compared: upper case, without blanks.
QString compact(const QString &account);
// "DE89 3704 0044 0532 0130 00": in groups of four, as people read them.
QString grouped(const QString &account);
// The accounts the invoice asks to be paid to (BT-84), compact, each once.
QStringList accountsOf(const IncomingInvoice &invoice);

// The supplier's known accounts, compact: the address's IBAN first.
QStringList known(TVexDaoDatabase &db, qint64 kdnr);
// Whether money may go to this account of the supplier without a question.
bool isKnown(TVexDaoDatabase &db, qint64 kdnr, const QString &account);
// Keeps the accounts as the supplier's, with why ("bestätigt vor der
// Zahlung ..."); accounts known already are left as they are.
void remember(TVexDaoDatabase &db, qint64 kdnr, const QStringList &accounts, const QString &reason,
              const QDateTime &at = QDateTime::currentDateTime());

// What an invoice naming these accounts is told when the supplier is known
// to use others: empty when every account is known, or none is yet.
QString changeText(const QStringList &known, const QStringList &accounts);

// A received invoice whose new account is not confirmed yet.
struct Unconfirmed
{
    qint64 incomingId = 0, vorgangId = 0, kdnr = 0;
    QStringList accounts; // the ones not known
    QString text;         // as changeText says it
};
// The one behind the document with this id; none when its accounts are
// known (or it is no received invoice).
std::optional<Unconfirmed> unconfirmed(TVexDaoDatabase &db, qint64 vorgangId);
// Every such document: document id → text.
QHash<qint64, QString> unconfirmedDocuments(TVexDaoDatabase &db);
// The user has made sure the new account is the supplier's.
void confirm(TVexDaoDatabase &db, const Unconfirmed &u, const QDateTime &at = QDateTime::currentDateTime());

} // namespace SupplierAccounts
