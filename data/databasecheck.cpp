// SPDX-License-Identifier: GPL-3.0-or-later
#include "databasecheck.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "dates.h"
#include "engine.h"
#include "personaldata.h"
#include "tax.h"

#include "programvalues.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <map>

namespace DatabaseCheck {

namespace {

struct Document
{
    qint64 id = 0;
    QString typ, number;
    Value kdnr;
    QDate datum, zieldatum;
    double vk = 0;
    bool storniert = false;
    Value mwst;         // null in a file without the column
    bool cents = false; // summed by the cent rule (Rundung 1), else as an older version summed
};

bool hasColumn(Engine &engine, const QString &table, const char *column)
{
    const QList<ColumnInfo> columns = engine.columns(table);
    return std::any_of(columns.begin(), columns.end(), [&](const ColumnInfo &c) {
        return c.name.compare(QLatin1String(column), Qt::CaseInsensitive) == 0;
    });
}

QString name(const Document &d)
{
    return QStringLiteral("Vorgang id %1 (%2 %3)").arg(d.id).arg(d.typ, d.number);
}

QString money(qint64 count)
{
    return Money::format(count, QStringLiteral("#,##0.00"));
}

void add(QList<Finding> &findings, const QString &title, const QStringList &rows)
{
    if (!rows.isEmpty()) findings.append({title, rows});
}

QList<Document> readDocuments(Engine &engine)
{
    QList<Document> docs;
    // A file of an older version, opened without being brought up to date, has no VAT columns.
    const bool tax = hasColumn(engine, QStringLiteral("Vorgang1"), "mwst");
    auto st =
        engine.prepare(QStringLiteral("select id, typ, vorgangnr, kdnr, datum, zieldatum, vk, storniert%1 "
                                      "from Vorgang1 order by id")
                           .arg(tax ? QStringLiteral(", mwst, Rundung") : QString()));
    while (st->step()) {
        Document d;
        d.id = st->column(0, FieldType::Counter).rawInt();
        d.typ = st->column(1, FieldType::Text).textOrEmpty();
        d.number = st->column(2, FieldType::Text).textOrEmpty();
        d.kdnr = st->column(3, FieldType::Number);
        d.datum = st->column(4, FieldType::Date).toDate();
        d.zieldatum = st->column(5, FieldType::Date).toDate();
        d.vk = st->column(6, FieldType::Number).toDouble();
        d.storniert = st->column(7, FieldType::Bool).toBool();
        if (tax) {
            d.mwst = st->column(8, FieldType::Number);
            d.cents = st->column(9, FieldType::Short).toDouble() == 1;
        }
        docs.append(d);
    }
    return docs;
}

// A line of SQLite's own check in German; SQLite's words stay behind it for
// whoever repairs the file.
QString integrityFinding(const QString &line)
{
    static const struct
    {
        const char *pattern, *german;
    } known[] = {{"^row (\\d+) missing from index (\\S+)", "Zeile %1 fehlt im Index %2"},
                 {"^wrong # of entries in index (\\S+)", "Der Index %1 hat die falsche Zahl von Einträgen"},
                 {"^NULL value in (\\S+)", "Leerer Wert in %1, wo keiner stehen darf"},
                 {"^(?:On tree page|Page|Tree) (\\d+)", "Beschädigte Seite %1 der Datei"},
                 {"^Freelist", "Die Liste der freien Seiten der Datei ist beschädigt"},
                 {"never used$", "Seiten der Datei werden nie verwendet"}};
    for (const auto &k : known) {
        const QRegularExpressionMatch m = QRegularExpression(QString::fromLatin1(k.pattern)).match(line);
        if (!m.hasMatch()) continue;
        QString german = QString::fromUtf8(k.german);
        for (int i = 1; i <= m.lastCapturedIndex(); ++i)
            german = german.arg(m.captured(i));
        return QStringLiteral("%1 (SQLite: %2)").arg(german, line);
    }
    return QStringLiteral("Schaden in der Datei (SQLite: %1)").arg(line);
}

void checkFile(Engine &engine, QList<Finding> &findings)
{
    QStringList problems;
    try {
        auto st = engine.prepare(QStringLiteral("PRAGMA integrity_check(100)"));
        while (st->step()) {
            const QString line = st->columnDynamic(0).rawText();
            // The heading of SQLite's list is no finding of its own.
            if (line == QLatin1String("ok") || line.startsWith(QLatin1String("*** in database"))) continue;
            problems << integrityFinding(line);
        }
    } catch (const AppError &e) {
        // Damage bad enough stops the check itself.
        problems << QStringLiteral(
                        "Die Datei ist so beschädigt, dass sie sich nicht prüfen lässt (SQLite: %1)")
                        .arg(e.message());
    }
    add(findings, QStringLiteral("Die Datei ist beschädigt (Prüfung der Datenbankdatei)"), problems);
}

// Reminders (type M) name their invoice in bezug and their level in
// mahnstufe; an invoice's mahnstufe is the level of its latest reminder.
void checkReminders(Engine &engine, const QHash<qint64, const Document *> &byId, QList<Finding> &findings)
{
    const auto isType = [](const QString &typ, const char *letter) {
        return typ.compare(QLatin1String(letter), Qt::CaseInsensitive) == 0;
    };
    QStringList orphans, levels, unreminded;
    QHash<qint64, int> highest; // per invoice, of its reminders not cancelled
    auto st = engine.prepare(QStringLiteral("select id, typ, bezug, mahnstufe, storniert from Vorgang1 where "
                                            "mahnstufe is not null or bezug is not null order by id"));
    while (st->step()) {
        const qint64 id = st->column(0, FieldType::Counter).rawInt();
        const Document *d = byId.value(id);
        if (!d) continue;
        const Value bezug = st->column(2, FieldType::Integer);
        const Value level = st->column(3, FieldType::Short);
        const bool cancelled = st->column(4, FieldType::Bool).toBool();
        const int l = level.isNull() ? 0 : int(level.toDouble());
        if (l < 0 || l > 3) levels << QStringLiteral("%1: Mahnstufe %2").arg(name(*d)).arg(l);
        if (!isType(d->typ, "M")) continue;
        const Document *invoice = bezug.isNull() ? nullptr : byId.value(bezug.rawInt());
        if (!invoice || !isType(invoice->typ, "R")) {
            orphans << QStringLiteral("%1: Rechnung %2 gibt es nicht")
                           .arg(name(*d), bezug.isNull() ? QStringLiteral("(leer)")
                                                         : QStringLiteral("id %1").arg(bezug.rawInt()));
            continue;
        }
        if (!cancelled) highest[invoice->id] = std::max(highest.value(invoice->id), l);
    }
    auto inv = engine.prepare(QStringLiteral("select id, mahnstufe from Vorgang1 where typ = 'R' and "
                                             "mahnstufe > 0 order by id"));
    while (inv->step()) {
        const qint64 id = inv->column(0, FieldType::Counter).rawInt();
        const int l = int(inv->column(1, FieldType::Short).toDouble());
        const Document *d = byId.value(id);
        if (d && l >= 1 && l <= 3 && highest.value(id) != l)
            unreminded << QStringLiteral("%1: Mahnstufe %2, %3")
                              .arg(name(*d))
                              .arg(l)
                              .arg(highest.contains(id)
                                       ? QStringLiteral("letzte Mahnung hat Stufe %1").arg(highest.value(id))
                                       : QStringLiteral("keine Mahnung dazu"));
    }
    add(findings, QStringLiteral("Mahnungen ohne ihre Rechnung"), orphans);
    add(findings, QStringLiteral("Mahnstufen außerhalb von 0 bis 3"), levels);
    add(findings, QStringLiteral("Rechnungen, deren Mahnstufe keine Mahnung hat"), unreminded);
}

void checkTables(Engine &engine, QList<Finding> &findings)
{
    const QList<Document> docs = readDocuments(engine);
    QHash<qint64, const Document *> byId;
    for (const Document &d : docs)
        byId.insert(d.id, &d);

    // Positions: those of no document, and the sums of the others, rounded
    // position by position as the program keeps its totals.
    QStringList orphans;
    QHash<qint64, Tax::Totals> sales;
    const bool tax = hasColumn(engine, QStringLiteral("Vorgang2"), "MwstSatz");
    auto st = engine.prepare(
        QStringLiteral("select id, vorgangID, Pos, Titel, Preis, anzahl%1 from Vorgang2 order by id")
            .arg(tax ? QStringLiteral(", MwstSatz, MwstKat") : QString()));
    while (st->step()) {
        const qint64 id = st->column(0, FieldType::Counter).rawInt();
        const Value owner = st->column(1, FieldType::Integer);
        if (owner.isNull() || !byId.contains(owner.rawInt())) {
            orphans << QStringLiteral("Position id %1: Vorgang-ID %2, Pos %3, „%4“")
                           .arg(id)
                           .arg(owner.isNull() ? QStringLiteral("leer") : QString::number(owner.rawInt()))
                           .arg(st->column(2, FieldType::Short).toDouble())
                           .arg(st->column(3, FieldType::Text).textOrEmpty());
            continue;
        }
        auto sum = sales.find(owner.rawInt());
        if (sum == sales.end())
            sum = sales.insert(owner.rawInt(), Tax::Totals(byId.value(owner.rawInt())->cents));
        // An empty rate or category is the program-wide rate, S, as everywhere else.
        const Value rate = tax ? st->column(6, FieldType::Number) : Value();
        const QString category = tax ? st->column(7, FieldType::Text).textOrEmpty().trimmed() : QString();
        sum->add(st->column(5, FieldType::Number).toDouble(), st->column(4, FieldType::Number).toDouble(),
                 rate.isNull() ? double(ProgramValues::instance().MwstSatz) : rate.toDouble(),
                 category.isEmpty() ? QStringLiteral("S") : category);
    }
    add(findings, QStringLiteral("Positionen ohne Vorgang"), orphans);

    // A received invoice (type E) keeps its supplier's figures and number:
    // it has no positions, and two suppliers may well use one number.
    const auto received = [](const Document &d) {
        return d.typ.compare(QLatin1String("E"), Qt::CaseInsensitive) == 0;
    };
    QStringList totals;
    for (const Document &d : docs) {
        if (received(d)) continue;
        // A cancelled document's totals are 0, whatever its positions say.
        const Tax::Totals sum = d.storniert ? Tax::Totals(d.cents) : sales.value(d.id, Tax::Totals(d.cents));
        const qint64 stored = Money::fromAmount(d.vk);
        const QString cancelled = d.storniert ? QStringLiteral(" (storniert)") : QString();
        if (stored != sum.net())
            totals << QStringLiteral("%1: gespeichert netto %2, aus den Positionen %3%4")
                          .arg(name(d), money(stored), money(sum.net()), cancelled);
        // The VAT of a document summed as an older version did is the one it was listed with.
        const qint64 vat = d.cents ? sum.vat() : (d.storniert ? 0 : Tax::legacyVatOf(d.vk));
        if (!d.mwst.isNull() && Money::fromAmount(d.mwst.toDouble()) != vat)
            totals << QStringLiteral("%1: gespeichert MwSt. %2, aus den Positionen %3%4")
                          .arg(name(d), money(Money::fromAmount(d.mwst.toDouble())), money(vat), cancelled);
    }
    add(findings, QStringLiteral("Vorgänge, deren gespeicherte Summe nicht zu ihren Positionen passt"),
        totals);

    std::map<std::pair<QString, QString>, QStringList> numbers;
    for (const Document &d : docs)
        if (!d.number.trimmed().isEmpty() && !received(d))
            numbers[{d.typ, d.number}] << QString::number(d.id);
    QStringList twice;
    for (const auto &[key, ids] : numbers)
        if (ids.size() > 1)
            twice << QStringLiteral("%1 %2: Vorgänge id %3")
                         .arg(key.first, key.second, ids.join(QStringLiteral(", ")));
    add(findings, QStringLiteral("Nummern, die innerhalb einer Vorgangsart mehrfach vergeben sind"), twice);

    QSet<qint64> customers;
    auto addresses = engine.prepare(QStringLiteral("select KDNR from Adress"));
    while (addresses->step()) {
        const Value k = addresses->column(0, FieldType::Number);
        if (!k.isNull()) customers.insert(qint64(k.toDouble()));
    }
    QStringList withoutCustomer;
    for (const Document &d : docs) {
        if (d.typ.compare(QLatin1String("R"), Qt::CaseInsensitive) != 0) continue;
        if (d.kdnr.isNull())
            withoutCustomer << QStringLiteral("%1: ohne Kundennummer").arg(name(d));
        else if (const double k = d.kdnr.toDouble(); k != qint64(k) || !customers.contains(qint64(k)))
            withoutCustomer
                << QStringLiteral("%1: Kundennummer %2 gibt es nicht").arg(name(d), German::formatFloat(k));
    }
    add(findings, QStringLiteral("Rechnungen ohne Kunden"), withoutCustomer);

    QStringList early;
    for (const Document &d : docs)
        if (d.datum.isValid() && d.zieldatum.isValid() && d.zieldatum < d.datum)
            early << QStringLiteral("%1: Datum %2, fällig am %3")
                         .arg(name(d), German::formatDate(d.datum), German::formatDate(d.zieldatum));
    add(findings, QStringLiteral("Fälligkeit vor dem Datum des Vorgangs"), early);

    if (hasColumn(engine, QStringLiteral("Vorgang1"), "mahnstufe")) checkReminders(engine, byId, findings);
}

} // namespace

QList<Finding> run(Engine &engine)
{
    QList<Finding> findings;
    if (!engine.isServer()) checkFile(engine, findings);
    try {
        checkTables(engine, findings);
        // Personal data kept past its time: each such address is to be made anonymous.
        QStringList expired;
        for (const PersonalData::Expired &e : PersonalData::retentionEnded(engine, Today()))
            expired << QStringLiteral("Kd-Nr %1 %2: zuletzt %3; anonymisieren mit tavirel anonymize %1")
                           .arg(e.kdnr)
                           .arg(e.name, e.last.text());
        if (!expired.isEmpty())
            findings.append({QStringLiteral("Adressen, deren Vorgänge nicht mehr aufbewahrt werden müssen"),
                             expired, true});
    } catch (const AppError &e) {
        findings.append({QStringLiteral("Die Datenbank kann nicht gelesen werden"), {e.message()}});
    }
    return findings;
}

QList<Finding> runOn(const QString &location)
{
    auto engine = Engine::required(Engine::kindOf(location));
    if (!Engine::isServerLocation(location) && !QFileInfo::exists(location))
        throw AppError(Engine::missingMessage(location));
    engine->open(location);
    QList<Finding> findings = run(*engine);
    engine->close();
    return findings;
}

bool anyFault(const QList<Finding> &findings)
{
    return std::any_of(findings.begin(), findings.end(), [](const Finding &f) { return !f.notice; });
}

QString report(const QString &location, const QList<Finding> &findings)
{
    QString text = QStringLiteral("Prüfung der Datenbank %1\n").arg(location);
    int rows = 0;
    for (const Finding &f : findings) {
        if (f.notice) continue;
        text += QStringLiteral("\n%1 (%2):\n").arg(f.title).arg(f.rows.size());
        for (const QString &row : f.rows)
            text += QStringLiteral("  %1\n").arg(row);
        rows += int(f.rows.size());
    }
    text += rows == 0 ? QStringLiteral("\nKeine Auffälligkeiten gefunden.\n")
                      : QStringLiteral("\n%1 %2.\n")
                            .arg(rows)
                            .arg(rows == 1 ? QStringLiteral("Befund") : QStringLiteral("Befunde"));
    for (const Finding &f : findings) {
        if (!f.notice) continue;
        text += QStringLiteral("\nHinweis: %1 (%2):\n").arg(f.title).arg(f.rows.size());
        for (const QString &row : f.rows)
            text += QStringLiteral("  %1\n").arg(row);
    }
    return text;
}

} // namespace DatabaseCheck
