// SPDX-License-Identifier: GPL-3.0-or-later
#include "supplieraccounts.h"

#include "iban.h"
#include "incominginvoice.h"

#include "data/sqldialect.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"

namespace SupplierAccounts {

namespace {

void open(TVexDaoTable &t, TVexDaoDatabase &db, const QString &sql)
{
    t.setDatabase(&db);
    t.SQL() << sql;
    t.Open();
}

QString listed(const QStringList &accounts)
{
    QStringList out;
    for (const QString &a : accounts)
        out << grouped(a);
    return out.join(QStringLiteral(", "));
}

} // namespace

QString compact(const QString &account)
{
    QString s = account.toUpper();
    s.remove(QLatin1Char(' '));
    return s;
}

QString grouped(const QString &account)
{
    const QString s = compact(account);
    QStringList parts;
    for (qsizetype i = 0; i < s.size(); i += 4)
        parts << s.mid(i, 4);
    return parts.join(QLatin1Char(' '));
}

QStringList accountsOf(const IncomingInvoice &invoice)
{
    QStringList out;
    for (const InvoicePaymentMeans &m : invoice.paymentMeans) {
        const QString a = compact(m.accountId);
        if (!a.isEmpty() && !out.contains(a)) out << a;
    }
    return out;
}

QStringList known(TVexDaoDatabase &db, qint64 kdnr)
{
    QStringList out;
    TVexDaoTable adr(nullptr, QStringLiteral("adresse"));
    open(adr, db, QStringLiteral("select KontoNr from Adress where KDNR = %1").arg(kdnr));
    if (!adr.IsEmpty()) {
        const QString own = compact(adr.FieldByName(QStringLiteral("KontoNr"))->AsString());
        if (IsValidIban(own)) out << own;
    }
    if (!db.table(QStringLiteral("Lieferantenkonto"))) return out;
    TVexDaoTable kept(nullptr, QStringLiteral("konten"));
    open(kept, db, QStringLiteral("select IBAN from Lieferantenkonto where KDNR = %1 order by id").arg(kdnr));
    for (kept.First(); !kept.Eof(); kept.Next()) {
        const QString a = compact(kept.FieldByName(QStringLiteral("IBAN"))->AsString());
        if (!a.isEmpty() && !out.contains(a)) out << a;
    }
    return out;
}

bool isKnown(TVexDaoDatabase &db, qint64 kdnr, const QString &account)
{
    return known(db, kdnr).contains(compact(account));
}

void remember(TVexDaoDatabase &db, qint64 kdnr, const QStringList &accounts, const QString &reason,
              const QDateTime &at)
{
    const QStringList before = known(db, kdnr);
    TVexDaoTable row(nullptr, QStringLiteral("konto"));
    open(row, db, QStringLiteral("select * from Lieferantenkonto where id = -1"));
    for (const QString &account : accounts) {
        const QString a = compact(account);
        if (a.isEmpty() || before.contains(a)) continue;
        row.Insert();
        row.FieldByName(QStringLiteral("KDNR"))->SetAsInteger(kdnr);
        row.FieldByName(QStringLiteral("IBAN"))->SetAsString(a.left(34));
        row.FieldByName(QStringLiteral("Seit"))->SetAsDateTime(at.addMSecs(-at.time().msec()));
        row.FieldByName(QStringLiteral("Anlass"))->SetAsString(reason.left(200));
        row.Post();
    }
}

QString changeText(const QStringList &known, const QStringList &accounts)
{
    QStringList fresh;
    for (const QString &a : accounts)
        if (!known.contains(compact(a))) fresh << compact(a);
    if (known.isEmpty() || fresh.isEmpty()) return QString();
    return QStringLiteral(
               "Neues Konto: die Rechnung verlangt die Zahlung auf %1 %2, bekannt ist für diesen "
               "Lieferanten nur %3. Vor einer Zahlung das Konto beim Lieferanten auf bekanntem Weg "
               "bestätigen lassen (nicht über Angaben dieser Rechnung).")
        .arg(fresh.size() == 1 ? QStringLiteral("das Konto") : QStringLiteral("die Konten"), listed(fresh),
             listed(known));
}

std::optional<Unconfirmed> unconfirmed(TVexDaoDatabase &db, qint64 vorgangId)
{
    if (!db.table(QStringLiteral("Eingangsrechnung"))) return std::nullopt;
    TVexDaoTable t(nullptr, QStringLiteral("eingang"));
    open(t, db,
         QStringLiteral("select id, kdnr, Konten from Eingangsrechnung where vorgangID = %1 order by id")
             .arg(vorgangId));
    if (t.IsEmpty()) return std::nullopt;
    Unconfirmed u;
    u.incomingId = t.FieldByName(QStringLiteral("id"))->AsInteger();
    u.vorgangId = vorgangId;
    u.kdnr = t.FieldByName(QStringLiteral("kdnr"))->AsInteger();
    const QStringList accounts =
        t.FieldByName(QStringLiteral("Konten"))->AsString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList k = known(db, u.kdnr);
    u.text = changeText(k, accounts);
    if (u.text.isEmpty()) return std::nullopt;
    for (const QString &a : accounts)
        if (!k.contains(a)) u.accounts << a;
    return u;
}

QHash<qint64, QString> unconfirmedDocuments(TVexDaoDatabase &db)
{
    QHash<qint64, QString> out;
    if (!db.table(QStringLiteral("Eingangsrechnung"))) return out;
    TVexDaoTable t(nullptr, QStringLiteral("eingang"));
    open(t, db,
         QStringLiteral(
             "select vorgangID, kdnr, Konten from Eingangsrechnung where Konten <> '' order by id"));
    QHash<qint64, QStringList> knownOf;
    for (t.First(); !t.Eof(); t.Next()) {
        const qint64 kdnr = t.FieldByName(QStringLiteral("kdnr"))->AsInteger();
        if (!knownOf.contains(kdnr)) knownOf.insert(kdnr, known(db, kdnr));
        const QString text = changeText(
            knownOf.value(kdnr),
            t.FieldByName(QStringLiteral("Konten"))->AsString().split(QLatin1Char(' '), Qt::SkipEmptyParts));
        if (!text.isEmpty()) out.insert(t.FieldByName(QStringLiteral("vorgangID"))->AsInteger(), text);
    }
    return out;
}

void confirm(TVexDaoDatabase &db, const Unconfirmed &u, const QDateTime &at)
{
    remember(db, u.kdnr, u.accounts,
             QStringLiteral("vom Benutzer bestätigt (Eingangsrechnung Nr. %1)").arg(u.incomingId), at);
}

} // namespace SupplierAccounts
