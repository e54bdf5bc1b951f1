// SPDX-License-Identifier: GPL-3.0-or-later
#include "personaldata.h"

#include "engine.h"
#include "tvexdaodatabase.h"
#include "tvexdaotable.h"

#include "base/apperror.h"
#include "base/germanformat.h"

#include <QHash>
#include <QJsonArray>
#include <QSet>

namespace PersonalData {

namespace {

const QString kAnonymous = QStringLiteral("Anonymisiert");

QString typeName(const QString &type)
{
    static const QHash<QString, QString> names = {{QStringLiteral("A"), QStringLiteral("Angebot")},
                                                  {QStringLiteral("B"), QStringLiteral("Bestellung")},
                                                  {QStringLiteral("E"), QStringLiteral("Eingangsrechnung")},
                                                  {QStringLiteral("G"), QStringLiteral("Gutschrift")},
                                                  {QStringLiteral("L"), QStringLiteral("Lieferschein")},
                                                  {QStringLiteral("M"), QStringLiteral("Mahnung")},
                                                  {QStringLiteral("R"), QStringLiteral("Rechnung")},
                                                  {QStringLiteral("V"), QStringLiteral("Vertrag")}};
    return names.value(type.trimmed().toUpper(), QStringLiteral("Vorgang"));
}

QString number(qint64 kdnr)
{
    return QString::number(kdnr);
}

void open(TVexDaoTable &t, TVexDaoDatabase &db, const QString &sql)
{
    t.setDatabase(&db);
    t.SQL() << sql;
    t.Open();
}

// An invalid date (a document without one) is kept for good.
bool later(const QDate &a, const QDate &b)
{
    if (!a.isValid()) return b.isValid();
    return b.isValid() && a > b;
}

// Folds one document into the one kept longest so far.
void keepLongest(std::optional<Binding> &longest, const Binding &b)
{
    if (!longest || later(b.until, longest->until)) longest = b;
}

void deleteRows(TVexDaoDatabase &db, const QString &table, const QString &column, qint64 kdnr)
{
    if (!db.table(table)) return;
    TVexDaoTable rows(nullptr, table);
    open(rows, db, QStringLiteral("select * from %1 where %2 = %3").arg(table, column, number(kdnr)));
    while (!rows.IsEmpty())
        rows.Delete();
}

void clear(TVexDaoTable &t, std::initializer_list<const char *> fields)
{
    for (const char *name : fields)
        if (TField *f = t.FindField(QString::fromLatin1(name))) f->Clear();
}

void recordState(TVexDaoDatabase &db, qint64 kdnr, const QDate &blocked, const QDate &anonymised,
                 const QString &reason)
{
    TVexDaoTable row(nullptr, QStringLiteral("datenschutz"));
    open(row, db, QStringLiteral("select * from Datenschutz where KDNR = %1").arg(number(kdnr)));
    if (row.IsEmpty()) {
        row.Insert();
        row.FieldByName(QStringLiteral("KDNR"))->SetAsInteger(kdnr);
    } else {
        row.Edit();
    }
    if (blocked.isValid() && row.FieldByName(QStringLiteral("Gesperrt"))->IsNull())
        row.FieldByName(QStringLiteral("Gesperrt"))->SetAsDate(blocked);
    if (anonymised.isValid()) row.FieldByName(QStringLiteral("Anonymisiert"))->SetAsDate(anonymised);
    row.FieldByName(QStringLiteral("Grund"))->SetAsString(reason.left(200));
    row.Post();
}

void eraseAllButTheDocumentsNeeds(TVexDaoDatabase &db, qint64 kdnr, const QString &remark)
{
    TVexDaoTable adr(nullptr, QStringLiteral("adresse"));
    open(adr, db, QStringLiteral("select * from Adress where KDNR = %1").arg(number(kdnr)));
    if (adr.IsEmpty())
        throw AppError(QStringLiteral("Es gibt keine Adresse mit der Kundennummer %1").arg(kdnr),
                       AppError::Kind::Refused);
    adr.Edit();
    clear(adr, {"VORWAHL", "TELEFON1", "TELEFAX", "KONTAKT", "WWW", "EMAIL", "KontoNr", "KontoBank",
                "KontoBLZ", "KontoInhaber", "Anrede"});
    adr.FieldByName(QStringLiteral("BEMERKUNG"))->SetAsString(remark);
    adr.FieldByName(QStringLiteral("Serienbrief"))->SetAsBoolean(false);
    adr.Post();
    deleteRows(db, QStringLiteral("Personen"), QStringLiteral("FIRMAID"), kdnr);
    for (const QString &table :
         {QStringLiteral("Notizen"), QStringLiteral("ERechnung"), QStringLiteral("Lieferantenkonto")})
        deleteRows(db, table, QStringLiteral("KDNR"), kdnr);
}

template <class Work> void inTransaction(TVexDaoDatabase &db, Work work)
{
    {
        TVexDaoDatabase::Transaction transaction(db);
        work();
        transaction.commit();
    }
}

QJsonArray rowsOf(TVexDaoDatabase &db, const QString &sql)
{
    QJsonArray out;
    TVexDaoTable t(nullptr, QStringLiteral("auskunft"));
    open(t, db, sql);
    for (t.First(); !t.Eof(); t.Next()) {
        QJsonObject row;
        for (int i = 0; i < t.FieldCount(); ++i) {
            const TField *f = t.Fields(i);
            if (f->IsNull() || f->DataType() == FieldType::Blob) continue;
            switch (f->DataType()) {
            case FieldType::Bool:
                row.insert(f->FieldName(), f->AsBoolean());
                break;
            case FieldType::Date:
                row.insert(f->FieldName(), f->AsDateTime().time() == QTime(0, 0)
                                               ? f->AsDate().toString(Qt::ISODate)
                                               : f->AsDateTime().toString(Qt::ISODate));
                break;
            case FieldType::Number:
            case FieldType::Integer:
            case FieldType::Short:
            case FieldType::Counter:
                row.insert(f->FieldName(), f->AsFloat());
                break;
            default:
                if (!f->AsString().isEmpty()) row.insert(f->FieldName(), f->AsString());
                break;
            }
        }
        out << row;
    }
    return out;
}

} // namespace

// A contract that is not cancelled runs: kept for as long as it does.
static void setUntil(Binding &b, bool cancelled)
{
    b.running = b.type.trimmed().toUpper() == QLatin1String("V") && !cancelled;
    b.until = b.running ? QDate() : keptUntil(b.type, b.date);
}

QDate keptUntil(const QString &type, const QDate &date)
{
    if (!date.isValid()) return QDate();
    static const QSet<QString> tenYears = {QStringLiteral("R"), QStringLiteral("G"), QStringLiteral("E")};
    const int years = tenYears.contains(type.trimmed().toUpper()) ? 10 : 6;
    return QDate(date.year() + years, 12, 31);
}

QString Binding::text() const
{
    return QStringLiteral("%1 %2 %3 (%4)")
        .arg(typeName(type), number,
             date.isValid() ? QStringLiteral("vom %1").arg(German::formatDate(date))
                            : QStringLiteral("ohne Datum"),
             running           ? QStringLiteral("läuft noch")
             : until.isValid() ? QStringLiteral("aufzubewahren bis %1").arg(German::formatDate(until))
                               : QStringLiteral("auf Dauer aufzubewahren"));
}

std::optional<Binding> retention(TVexDaoDatabase &db, qint64 kdnr, const QDate &today)
{
    TVexDaoTable docs(nullptr, QStringLiteral("vorgaenge"));
    open(docs, db,
         QStringLiteral(
             "select id, typ, vorgangnr, datum, storniert from Vorgang1 where kdnr = %1 order by id")
             .arg(number(kdnr)));
    std::optional<Binding> longest;
    for (docs.First(); !docs.Eof(); docs.Next()) {
        Binding b;
        b.id = docs.FieldByName(QStringLiteral("id"))->AsInteger();
        b.type = docs.FieldByName(QStringLiteral("typ"))->AsString();
        b.number = docs.FieldByName(QStringLiteral("vorgangnr"))->AsString();
        b.date = docs.FieldByName(QStringLiteral("datum"))->AsDate();
        setUntil(b, docs.FieldByName(QStringLiteral("storniert"))->AsBoolean());
        if (!b.until.isValid() || b.until >= today) keepLongest(longest, b);
    }
    return longest;
}

bool hasDocuments(TVexDaoDatabase &db, qint64 kdnr)
{
    TVexDaoTable docs(nullptr, QStringLiteral("vorgaenge"));
    open(docs, db, QStringLiteral("select id from Vorgang1 where kdnr = %1").arg(number(kdnr)));
    return !docs.IsEmpty();
}

State stateOf(TVexDaoDatabase &db, qint64 kdnr)
{
    State s;
    if (!db.table(QStringLiteral("Datenschutz"))) return s;
    TVexDaoTable row(nullptr, QStringLiteral("datenschutz"));
    open(row, db, QStringLiteral("select * from Datenschutz where KDNR = %1").arg(number(kdnr)));
    if (row.IsEmpty()) return s;
    s.blocked = row.FieldByName(QStringLiteral("Gesperrt"))->AsDate();
    s.anonymised = row.FieldByName(QStringLiteral("Anonymisiert"))->AsDate();
    return s;
}

void block(TVexDaoDatabase &db, qint64 kdnr, const QDate &today)
{
    const std::optional<Binding> kept = retention(db, kdnr, today);
    const QString reason = kept ? QStringLiteral("aufzubewahren: %1").arg(kept->text())
                                : QStringLiteral("keine Aufbewahrungspflicht");
    inTransaction(db, [&] {
        eraseAllButTheDocumentsNeeds(
            db, kdnr,
            QStringLiteral(
                "Gesperrt am %1: die Adresse dient nur noch den aufzubewahrenden Vorgängen, zuletzt %2.")
                .arg(German::formatDate(today), kept ? kept->text() : QStringLiteral("keinem mehr")));
        recordState(db, kdnr, today, QDate(), reason);
    });
}

void anonymise(TVexDaoDatabase &db, qint64 kdnr, const QDate &today)
{
    if (const std::optional<Binding> kept = retention(db, kdnr, today))
        throw AppError(
            QStringLiteral("Die Adresse mit der Kundennummer %1 kann noch nicht anonymisiert werden: "
                           "%2. Bis dahin kann sie gesperrt werden.")
                .arg(kdnr)
                .arg(kept->text()),
            AppError::Kind::Refused);
    inTransaction(db, [&] {
        eraseAllButTheDocumentsNeeds(db, kdnr,
                                     QStringLiteral("Anonymisiert am %1.").arg(German::formatDate(today)));
        TVexDaoTable adr(nullptr, QStringLiteral("adresse"));
        open(adr, db, QStringLiteral("select * from Adress where KDNR = %1").arg(number(kdnr)));
        adr.Edit();
        clear(adr, {"VORNAME", "NAMEN", "STRASSE", "PLZ", "ORT", "POSTFACH", "PF_PLZ", "USTID", "LKDNR"});
        adr.FieldByName(QStringLiteral("NAME1"))->SetAsString(kAnonymous);
        adr.Post();
        TVexDaoTable docs(nullptr, QStringLiteral("vorgaenge"));
        open(docs, db, QStringLiteral("select * from Vorgang1 where kdnr = %1").arg(number(kdnr)));
        for (docs.First(); !docs.Eof(); docs.Next()) {
            docs.Edit();
            docs.FieldByName(QStringLiteral("anschrift"))->SetAsString(kAnonymous);
            clear(docs, {"Notiz", "Kopftext"});
            docs.Post();
        }
        deleteRows(db, QStringLiteral("Eingangsrechnung"), QStringLiteral("kdnr"), kdnr);
        recordState(db, kdnr, today, today, QStringLiteral("Aufbewahrungsfrist abgelaufen"));
    });
}

QList<Expired> retentionEnded(Engine &engine, const QDate &today)
{
    QHash<qint64, std::optional<Binding>> longest;
    auto docs = engine.prepare(QStringLiteral("SELECT kdnr, id, typ, vorgangnr, datum, storniert FROM "
                                              "Vorgang1 WHERE kdnr IS NOT NULL ORDER BY id"));
    while (docs->step()) {
        Binding b;
        const qint64 kdnr = qint64(docs->column(0, FieldType::Number).toDouble());
        b.id = docs->column(1, FieldType::Integer).rawInt();
        b.type = docs->column(2, FieldType::Text).rawText();
        b.number = docs->column(3, FieldType::Text).rawText();
        b.date = docs->column(4, FieldType::Date).toDate();
        const Value cancelled = docs->column(5, FieldType::Bool);
        setUntil(b, !cancelled.isNull() && cancelled.toDouble() != 0);
        keepLongest(longest[kdnr], b);
    }
    QSet<qint64> anonymous;
    if (engine.tables().contains(QStringLiteral("Datenschutz"), Qt::CaseInsensitive)) {
        auto st =
            engine.prepare(QStringLiteral("SELECT KDNR FROM Datenschutz WHERE Anonymisiert IS NOT NULL"));
        while (st->step())
            anonymous.insert(qint64(st->column(0, FieldType::Number).toDouble()));
    }
    QList<Expired> out;
    auto adr = engine.prepare(QStringLiteral("SELECT KDNR, NAME1 FROM Adress ORDER BY KDNR"));
    while (adr->step()) {
        const qint64 kdnr = qint64(adr->column(0, FieldType::Number).toDouble());
        const std::optional<Binding> last = longest.value(kdnr);
        if (!last || !last->until.isValid() || last->until >= today || anonymous.contains(kdnr)) continue;
        out << Expired{kdnr, adr->column(1, FieldType::Text).rawText(), *last};
    }
    return out;
}

QJsonObject exportJson(TVexDaoDatabase &db, qint64 kdnr)
{
    const QString k = number(kdnr);
    const QJsonArray address = rowsOf(db, QStringLiteral("select * from Adress where KDNR = %1").arg(k));
    if (address.isEmpty())
        throw AppError(QStringLiteral("Es gibt keine Adresse mit der Kundennummer %1").arg(kdnr),
                       AppError::Kind::Refused);
    QJsonObject out;
    out.insert(QStringLiteral("Kundennummer"), double(kdnr));
    QJsonObject adr = address.first().toObject();
    // The bank data are a part of their own, as the address window shows them.
    QJsonObject bank;
    for (const char *key : {"KontoInhaber", "KontoBank", "KontoBLZ", "KontoNr"})
        if (adr.contains(QLatin1String(key))) bank.insert(QLatin1String(key), adr.take(QLatin1String(key)));
    out.insert(QStringLiteral("Adresse"), adr);
    out.insert(QStringLiteral("Bankdaten"), bank);
    out.insert(QStringLiteral("Ansprechpartner"),
               rowsOf(db, QStringLiteral("select * from Personen where FIRMAID = %1 order by ID").arg(k)));
    const struct
    {
        const char *key, *table, *order;
    } parts[] = {{"Notizen", "Notizen", "Datum, id"},
                 {"E-Rechnung", "ERechnung", "id"},
                 {"Lieferantenkonten", "Lieferantenkonto", "id"},
                 {"Datenschutz", "Datenschutz", "id"}};
    for (const auto &p : parts)
        if (db.table(QString::fromLatin1(p.table)))
            out.insert(QString::fromUtf8(p.key),
                       rowsOf(db, QStringLiteral("select * from %1 where KDNR = %2 order by %3")
                                      .arg(QLatin1String(p.table), k, QLatin1String(p.order))));
    out.insert(
        QStringLiteral("Vorgänge"),
        rowsOf(db, QStringLiteral("select id, typ, vorgangnr, datum, zieldatum, bezahlt, bezahltdatum, "
                                  "storniert, anschrift, Notiz, vk, mwst, Waehrung from Vorgang1 where "
                                  "kdnr = %1 order by datum, id")
                       .arg(k)));
    return out;
}

} // namespace PersonalData
