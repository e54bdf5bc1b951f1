// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A person's data under the GDPR beside the duty to keep business records
// (§ 147 AO, § 257 HGB): invoices, credit notes and received invoices are
// kept ten years, other business letters (offers, orders, delivery notes,
// contracts, reminders) six, each from the end of the year of its date; a
// contract that is not cancelled still runs and is kept.
// An address whose documents must still be kept is not deleted but blocked:
// the documents keep what they need (the address's name and postal address,
// their own address copy), everything else personal is erased. Once nothing
// must be kept any more, the address is made anonymous with the address
// copies of its documents; the documents' figures stay.
#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

class Engine;
class TVexDaoDatabase;

namespace PersonalData {

// The last day a document of this type and date must be kept: 31.12. of its
// year plus ten or six years. Invalid for a document without a date.
QDate keptUntil(const QString &type, const QDate &date);

// The document of an address that must be kept longest.
struct Binding
{
    qint64 id = 0;
    QString type, number;
    QDate date, until;    // invalid until: a document without a date, or a contract still running
    bool running = false; // a contract not cancelled: kept while it runs
    // "Rechnung 10005 vom 03.04.2019 (aufzubewahren bis 31.12.2029)"
    QString text() const;
};
// Among the address's documents, the one kept longest while it must still be
// kept on that day; none when no document must be kept any more.
std::optional<Binding> retention(TVexDaoDatabase &db, qint64 kdnr, const QDate &today);
// Whether any document names the address.
bool hasDocuments(TVexDaoDatabase &db, qint64 kdnr);

// When the address was blocked and made anonymous (invalid: not so).
struct State
{
    QDate blocked, anonymised;
};
State stateOf(TVexDaoDatabase &db, qint64 kdnr);

// Erases all but what the documents must keep: contact persons, notes, the
// e-invoice data, bank data and known supplier accounts, phone, fax,
// e-mail, web address, salutation, remarks (which then say that the address
// is blocked and until when) and the mail-merge mark. In one transaction.
void block(TVexDaoDatabase &db, qint64 kdnr, const QDate &today);
// Blocks and then erases the address's name and postal address, the
// address copies, notes and head texts of its documents and the originals of
// its received invoices. AppError (Refused) while a document must be kept.
void anonymise(TVexDaoDatabase &db, qint64 kdnr, const QDate &today);

// Addresses not yet anonymous whose documents no longer must be kept.
struct Expired
{
    qint64 kdnr = 0;
    QString name;
    Binding last; // the document kept longest
};
QList<Expired> retentionEnded(Engine &engine, const QDate &today);

// Everything stored about the address (Art. 15 and 20 GDPR): the address,
// its contact persons, notes, e-invoice data, bank data and supplier
// accounts, its blocking, and the list of its documents.
QJsonObject exportJson(TVexDaoDatabase &db, qint64 kdnr);

} // namespace PersonalData
