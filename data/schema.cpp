// SPDX-License-Identifier: GPL-3.0-or-later
#include "schema.h"

#include "base/apperror.h"
#include "base/money.h"
#include "base/safefile.h"
#include "demodata.h"
#include "engine.h"
#include "filerights.h"
#include "programvalues.h"
#include "tax.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <iterator>

namespace Schema {

namespace {

ColumnInfo text(const char *name, int size)
{
    return ColumnInfo{QString::fromUtf8(name), FieldType::Text, size, false};
}
ColumnInfo col(const char *name, FieldType type)
{
    return ColumnInfo{QString::fromUtf8(name), type, 0, type == FieldType::Counter};
}

QList<TableDef> makeTables()
{
    using T = FieldType;
    QList<TableDef> t;
    t << TableDef{QStringLiteral("Adress"),
                  {text("NAME1", 60),
                   text("VORNAME", 25),
                   col("ID", T::Number),
                   col("TYP", T::Number),
                   col("ANGELEGT", T::Date),
                   col("GEAENDERT", T::Date),
                   col("KDNR", T::Number),
                   col("NAMEN", T::Memo),
                   text("STRASSE", 30),
                   text("PLZ", 8),
                   text("ORT", 40),
                   text("VORWAHL", 7),
                   text("TELEFON1", 20),
                   text("TELEFAX", 20),
                   col("KONTAKT", T::Date),
                   col("BEMERKUNG", T::Memo),
                   text("WWW", 60),
                   text("EMAIL", 60),
                   text("LKDNR", 10),
                   col("kunde", T::Bool),
                   col("Lieferant", T::Bool),
                   text("KontoNr", 50),
                   text("KontoBank", 50),
                   text("KontoBLZ", 50),
                   text("KontoInhaber", 50),
                   col("Serienbrief", T::Bool),
                   text("Anrede", 50),
                   text("MA", 5),
                   text("GRUPPE", 8),
                   text("POSTFACH", 10),
                   text("PF_PLZ", 8),
                   col("Agenturprae", T::Integer),
                   col("Agenturnr", T::Integer),
                   text("LAND", 2),
                   text("USTID", 20),
                   col("VERBRAUCHER", T::Bool),
                   col("ZIELTAGE", T::Short)}};
    t << TableDef{QStringLiteral("Personen"),
                  {col("ID", T::Number), col("FIRMAID", T::Number), text("FUNKTION", 14), text("NAME", 40),
                   text("VORNAME", 20), text("DURCHWAHL", 25), text("EMAIL", 40)}};
    t << TableDef{QStringLiteral("Vorgang1"),
                  {col("id", T::Counter),
                   col("erledigt", T::Bool),
                   col("bezahlt", T::Bool),
                   col("bezahltdatum", T::Date),
                   col("zieltage", T::Short),
                   col("zieldatum", T::Date),
                   col("gedruckt", T::Bool),
                   col("weiter", T::Bool),
                   col("storniert", T::Bool),
                   text("vorgangnr", 15),
                   text("typ", 1),
                   col("kdnr", T::Number),
                   col("datum", T::Date),
                   col("anschrift", T::Memo),
                   col("Notiz", T::Memo),
                   col("Kopftext", T::Memo),
                   col("Fusstext", T::Memo),
                   col("ek", T::Number),
                   col("vk", T::Number),
                   text("VertragT", 1),
                   text("Waehrung", 3),
                   col("leistungsdatum", T::Date),
                   col("leistungbis", T::Date),
                   col("mwst", T::Number),
                   text("Steuerfall", 2),
                   col("Rundung", T::Short),
                   col("Zahlungsart", T::Short),
                   col("bezug", T::Integer),
                   col("mahnstufe", T::Short),
                   col("mahndatum", T::Date),
                   col("zahlbetrag", T::Number)}};
    t << TableDef{QStringLiteral("Vorgang2"),
                  {col("id", T::Counter), col("vorgangID", T::Integer), text("Artikel", 30),
                   text("Titel", 50), col("Bezeichnung", T::Memo), col("anzahl", T::Number),
                   text("einheit", 6), col("Preis", T::Number), col("EK", T::Number), col("Pos", T::Short),
                   col("MwstSatz", T::Number), text("MwstKat", 2)}};
    t << TableDef{QStringLiteral("VTyp"), {col("key", T::Counter), text("Typbez", 30), text("id", 1)}};
    t << TableDef{QStringLiteral("Artikel"),
                  {col("id", T::Counter), text("Art-Nr", 30), text("Beschreibung", 50),
                   col("Bezeichnung", T::Memo), col("Lieferant", T::Integer), col("Kategorie", T::Integer),
                   col("Notizen", T::Memo), col("EK", T::Number), col("VK", T::Number), text("Einheit", 4),
                   col("Preisdatum", T::Date), text("Waehrung", 3), col("MwstSatz", T::Number)}};
    // Contact notes of an address; not part of the delivered file of older installations.
    t << TableDef{QStringLiteral("Notizen"),
                  {col("id", T::Counter), col("KDNR", T::Number), col("Datum", T::Date), text("Typ", 50),
                   col("Text", T::Memo)}};
    // Per address what an e-invoice needs beyond the address: where it is mailed
    // and the buyer's reference (a public authority's Leitweg-ID). Empty values
    // fall back to the address's EMAIL and its customer number.
    t << TableDef{QStringLiteral("ERechnung"),
                  {col("id", T::Counter), col("KDNR", T::Number), text("Email", 80), text("Referenz", 60)}};
    // Received e-invoices: the original file byte for byte with its SHA-256
    // and the time of receipt, kept beside the document (type E) that lists
    // and pays it. A row is written once and never changed.
    t << TableDef{QStringLiteral("Eingangsrechnung"),
                  {col("id", T::Counter), col("vorgangID", T::Integer), col("kdnr", T::Number),
                   col("Empfangen", T::Date), text("Dateiname", 255), text("SHA256", 64),
                   col("Original", T::Blob), text("Format", 60), text("Rechnungsnr", 200),
                   text("Verkaeufer", 200), text("UStIdNr", 40), col("Befunde", T::Memo),
                   col("Vorausbezahlt", T::Number), col("Zahlbetrag", T::Number), text("Konten", 200)}};
    // The accounts a supplier is known to be paid to beyond the address's own
    // IBAN: confirmed by the user, or taken in with its first e-invoice. An
    // account a received invoice names outside them is a finding until the
    // user confirms it here.
    t << TableDef{QStringLiteral("Lieferantenkonto"),
                  {col("id", T::Counter), col("KDNR", T::Number), text("IBAN", 34), col("Seit", T::Date),
                   text("Anlass", 200)}};
    // Addresses blocked because their documents must still be kept, and
    // addresses made anonymous: what of them is personal is erased.
    t << TableDef{QStringLiteral("Datenschutz"),
                  {col("id", T::Counter), col("KDNR", T::Number), col("Gesperrt", T::Date),
                   col("Anonymisiert", T::Date), text("Grund", 200)}};
    return t;
}

QList<IndexDef> makeIndexes()
{
    using K = IndexDef;
    auto ix = [](const char *name, const char *table, QList<IndexDef::Part> parts, bool unique = false) {
        return IndexDef{QString::fromUtf8(name), QString::fromUtf8(table), std::move(parts), unique};
    };
    auto p = [](const char *column, IndexDef::Kind kind = K::Plain) {
        return IndexDef::Part{QString::fromUtf8(column), kind};
    };
    return {
        ix("ix_vorgang2_vorgangid", "Vorgang2", {p("vorgangID")}),
        ix("ix_personen_firmaid", "Personen", {p("FIRMAID")}),
        ix("ix_vorgang1_typ_nr", "Vorgang1", {p("typ", K::Text), p("vorgangnr", K::Text)}),
        // Serves "highest numeric number of a type" without reading every number.
        ix("ix_vorgang1_typ_numnr", "Vorgang1", {p("typ", K::Text), p("vorgangnr", K::Number)}),
        ix("ix_vorgang1_kdnr", "Vorgang1", {p("kdnr")}),
        ix("ix_vorgang1_datum", "Vorgang1", {p("datum")}),
        ix("ix_adress_kdnr", "Adress", {p("KDNR")}),
        ix("ix_notizen_kdnr", "Notizen", {p("KDNR")}),
        ix("ix_erechnung_kdnr", "ERechnung", {p("KDNR")}, true),
        // One file is taken in once.
        ix("ix_eingangsrechnung_sha256", "Eingangsrechnung", {p("SHA256")}, true),
        ix("ix_eingangsrechnung_vorgangid", "Eingangsrechnung", {p("vorgangID")}),
        ix("ix_lieferantenkonto_kdnr", "Lieferantenkonto", {p("KDNR")}),
        ix("ix_datenschutz_kdnr", "Datenschutz", {p("KDNR")}, true),
    };
}

// Tables of this program that older files may lack; made only in a file that
// holds the program's tables, never in some other database opened by mistake.
const char *const kAddedTables[] = {"Notizen", "ERechnung", "Eingangsrechnung", "Lieferantenkonto",
                                    "Datenschutz"};

// The type of the documents that list and pay received invoices.
const char *const kIncomingType[2] = {"Eingangsrechnung", "E"};
// The order confirmation, between an offer and its delivery or invoice.
const char *const kConfirmationType[2] = {"Auftragsbestätigung", "C"};

bool hasType(Engine &engine, const char *letter)
{
    auto st = engine.prepare(QStringLiteral("SELECT count(*) FROM VTyp WHERE id = ?"));
    st->bind(1, Value(QString::fromUtf8(letter)));
    return st->step() && st->columnDynamic(0).rawInt() > 0;
}

void insertType(Engine &engine, const char *name, const char *letter)
{
    auto st = engine.prepare(QStringLiteral("INSERT INTO VTyp (Typbez, id) VALUES (?, ?)"));
    st->bind(1, Value(QString::fromUtf8(name)));
    st->bind(2, Value(QString::fromUtf8(letter)));
    st->step();
}

// Columns that files of older versions lack: the country and VAT id of an
// address; the date of supply or service period, the VAT total, the tax case,
// the rounding rule and the payment means of a document; the rate and VAT
// category of a position and the default rate of an article.
const char *const kAddedColumns[][2] = {
    {"Adress", "LAND"},
    {"Adress", "USTID"},
    {"Vorgang1", "leistungsdatum"},
    {"Vorgang1", "leistungbis"},
    {"Vorgang1", "mwst"},
    {"Vorgang1", "Steuerfall"},
    {"Vorgang1", "Rundung"},
    {"Vorgang1", "Zahlungsart"},
    {"Vorgang2", "MwstSatz"},
    {"Vorgang2", "MwstKat"},
    {"Artikel", "MwstSatz"},
    // Dunning: whether an address is a consumer; on a reminder the invoice it
    // reminds of and its level, on an invoice the level reached and the day of
    // its last reminder. Empty in older rows: a firm, no reminder yet.
    {"Adress", "VERBRAUCHER"},
    {"Vorgang1", "bezug"},
    {"Vorgang1", "mahnstufe"},
    {"Vorgang1", "mahndatum"},
    // A received invoice's amounts paid in advance and left to pay; on its
    // document what is open (empty on every other document: the gross).
    {"Vorgang1", "zahlbetrag"},
    {"Eingangsrechnung", "Vorausbezahlt"},
    {"Eingangsrechnung", "Zahlbetrag"},
    // The customer's own payment days; empty: the firm's.
    {"Adress", "ZIELTAGE"},
    // The accounts a received invoice asks to be paid to.
    {"Eingangsrechnung", "Konten"}};

const ColumnInfo *columnOf(const TableDef &t, const QString &name)
{
    for (const ColumnInfo &c : t.columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

// What the older version showed stays as it was: every position carries the
// one rate it was printed with, every document the VAT of the gross it was
// listed with. Only the columns just added are filled.
void fillAddedColumns(Engine &engine, const QStringList &added)
{
    const QString rate = QString::number(ProgramValues::instance().MwstSatz);
    if (added.contains(QStringLiteral("Vorgang2.MwstSatz")))
        engine.exec(QStringLiteral("UPDATE Vorgang2 SET MwstSatz = %1").arg(rate));
    if (added.contains(QStringLiteral("Vorgang2.MwstKat")))
        engine.exec(QStringLiteral("UPDATE Vorgang2 SET MwstKat = 'S'"));
    if (added.contains(QStringLiteral("Artikel.MwstSatz")))
        engine.exec(QStringLiteral("UPDATE Artikel SET MwstSatz = %1").arg(rate));
    if (added.contains(QStringLiteral("Vorgang1.mwst"))) {
        QList<QPair<qint64, double>> rows;
        auto read = engine.prepare(QStringLiteral("SELECT id, vk FROM Vorgang1 WHERE vk IS NOT NULL"));
        while (read->step())
            rows << qMakePair(read->column(0, FieldType::Integer).rawInt(),
                              read->column(1, FieldType::Number).toDouble());
        auto write = engine.prepare(QStringLiteral("UPDATE Vorgang1 SET mwst = ? WHERE id = ?"));
        for (const auto &row : std::as_const(rows)) {
            write->reset();
            write->bind(1, Value(double(Money::toAmount(Tax::legacyVatOf(row.second)))));
            write->bind(2, Value(row.first));
            write->step();
        }
    }
}

void createTable(Engine &engine, const TableDef &t)
{
    engine.createTable(t.name, t.columns);
}

} // namespace

const QList<TableDef> &tables()
{
    static const QList<TableDef> t = makeTables();
    return t;
}

const TableDef *table(const QString &name)
{
    for (const TableDef &t : tables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

QStringList addedColumns()
{
    QStringList out;
    for (const auto &c : kAddedColumns)
        out << QString::fromUtf8(c[0]) + QLatin1Char('.') + QString::fromUtf8(c[1]);
    return out;
}

const QList<IndexDef> &indexes()
{
    static const QList<IndexDef> i = makeIndexes();
    return i;
}

void create(Engine &engine)
{
    engine.begin();
    try {
        engine.createSupport();
        for (const TableDef &t : tables())
            createTable(engine, t);
        for (const IndexDef &ix : indexes())
            engine.createIndex(ix);
        static const char *const types[][2] = {
            {"Angebot", "A"}, {"Bestellung", "B"}, {"Gutschrift", "G"}, {"Lieferschein", "L"},
            {"Mahnung", "M"}, {"Rechnung", "R"},   {"Vertrag", "V"}};
        for (const auto &row : types)
            insertType(engine, row[0], row[1]);
        insertType(engine, kIncomingType[0], kIncomingType[1]);
        insertType(engine, kConfirmationType[0], kConfirmationType[1]);
        engine.commit();
    } catch (...) {
        engine.rollback();
        throw;
    }
}

void upgrade(Engine &engine)
{
    const QStringList present = engine.tables();
    auto has = [&](const QString &name) {
        for (const QString &p : present)
            if (p.compare(name, Qt::CaseInsensitive) == 0) return true;
        return false;
    };
    // Only a file of this program is brought up to date: an unrelated or empty
    // file stays exactly as it is (it fails later, when a table is missing).
    auto added = [](const QString &name) {
        for (const char *a : kAddedTables)
            if (name.compare(QString::fromUtf8(a), Qt::CaseInsensitive) == 0) return true;
        return false;
    };
    for (const TableDef &t : tables())
        if (!added(t.name) && !has(t.name)) return;
    // "Table.column" of every column the file lacks.
    QStringList missingColumns;
    QHash<QString, QList<ColumnInfo>> stored;
    for (const QString &tc : addedColumns()) {
        const QString table = tc.section(QLatin1Char('.'), 0, 0), column = tc.section(QLatin1Char('.'), 1);
        if (!stored.contains(table)) stored.insert(table, engine.columns(table));
        const QList<ColumnInfo> &columns = stored[table];
        const bool there = std::any_of(columns.begin(), columns.end(), [&](const ColumnInfo &i) {
            return i.name.compare(column, Qt::CaseInsensitive) == 0;
        });
        if (!there) missingColumns << tc;
    }
    // A file whose VTyp gives the letter C another name keeps it.
    const bool confirmations = !has(QStringLiteral("VTyp")) || hasType(engine, kConfirmationType[1]);
    bool needed = !engine.hasSupport() || !missingColumns.isEmpty() || !confirmations;
    for (const char *a : kAddedTables)
        needed = needed || !has(QString::fromUtf8(a));
    const QStringList presentIndexes = engine.indexes();
    for (const IndexDef &ix : indexes())
        needed = needed || !presentIndexes.contains(ix.name, Qt::CaseInsensitive);
    if (!needed) return;
    engine.begin();
    try {
        if (!engine.hasSupport()) engine.createSupport();
        QStringList made;
        for (const char *newTable : kAddedTables) {
            const QString name = QString::fromUtf8(newTable);
            if (!has(name)) {
                createTable(engine, *table(name));
                made << name;
            }
        }
        for (const QString &tc : std::as_const(missingColumns)) {
            const QString t = tc.section(QLatin1Char('.'), 0, 0);
            if (made.contains(t)) continue; // made just now with every column
            engine.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                            .arg(engine.quote(t),
                                 engine.columnDdl(*columnOf(*table(t), tc.section(QLatin1Char('.'), 1)))));
        }
        fillAddedColumns(engine, missingColumns);
        // Received invoices come with their document type, unless the file
        // already gives the letter a name of its own.
        if (made.contains(QStringLiteral("Eingangsrechnung")) && !hasType(engine, kIncomingType[1]))
            insertType(engine, kIncomingType[0], kIncomingType[1]);
        if (!confirmations) insertType(engine, kConfirmationType[0], kConfirmationType[1]);
        for (const IndexDef &ix : indexes()) {
            // An index over a table the file does not have is simply not made.
            if ((has(ix.table) || made.contains(ix.table)) &&
                !presentIndexes.contains(ix.name, Qt::CaseInsensitive))
                engine.createIndex(ix);
        }
        engine.commit();
    } catch (...) {
        engine.rollback();
        throw;
    }
}

void createDatabase(const QString &location, bool withDemoData)
{
    if (!Engine::isServerLocation(location)) {
        createDatabaseFile(location, withDemoData);
        return;
    }
    auto engine = Engine::required(Engine::kindOf(location));
    engine->open(location);
    const QStringList present = engine->tables();
    if (!present.isEmpty())
        throw AppError(
            QStringLiteral("Die Datenbank %1 enthält bereits Tabellen (%2); sie wird nicht verändert")
                .arg(engine->path(), present.mid(0, 5).join(QStringLiteral(", "))));
    create(*engine);
    if (withDemoData) {
        try {
            DemoData::fill(*engine);
        } catch (...) {
            // The database is left as empty as it was found.
            try {
                engine->rollback();
                drop(*engine);
            } catch (const AppError &) {
            }
            throw;
        }
    }
    engine->close();
}

QString notOurs(const QString &location)
{
    if (Engine::isServerLocation(location)) return QString(); // the connection tells what is wrong there
    const QFileInfo file(location);
    if (!file.exists()) return QString(); // named as missing by whoever opens it
    QStringList present;
    try {
        const FileRights::LeaveAlone untouched; // perhaps not ours to change
        auto engine = Engine::create(Engine::kindOf(location));
        if (!engine) return QString();
        engine->open(location);
        present = engine->tables();
        engine->close();
    } catch (const AppError &) {
        present.clear();
    }
    // The tables of the first version: a file with them is ours, whatever it lacks of later ones.
    QStringList missing;
    for (const char *name : {"Adress", "Personen", "Vorgang1", "Vorgang2", "VTyp", "Artikel"}) {
        const QString n = QString::fromLatin1(name);
        if (!std::any_of(present.begin(), present.end(),
                         [&](const QString &p) { return p.compare(n, Qt::CaseInsensitive) == 0; }))
            missing << n;
    }
    if (missing.isEmpty()) return QString();
    return QStringLiteral(
               "Die Datei %1 ist keine Datenbank der Tavirelsverwaltung (es fehlen die Tabellen %2); sie "
               "wird nicht geöffnet und bleibt, wie sie ist.")
        .arg(QDir::toNativeSeparators(file.absoluteFilePath()), missing.join(QStringLiteral(", ")));
}

void drop(Engine &engine)
{
    engine.begin();
    try {
        for (const TableDef &t : tables())
            engine.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(engine.quote(t.name)));
        engine.dropSupport();
        engine.commit();
    } catch (...) {
        engine.rollback();
        throw;
    }
}

void createDatabaseFile(const QString &path, bool withDemoData)
{
    const QFileInfo fi(path);
    if (fi.exists())
        throw AppError(QStringLiteral("Die Datei %1 besteht bereits; sie wird nicht überschrieben")
                           .arg(QDir::toNativeSeparators(fi.absoluteFilePath())));
    // Names, addresses and bank data: the folder made and the file are for
    // their owner only (SQLite gives the journal the file's rights).
    FileRights::makeDatabaseFolder(fi.absolutePath());
    auto engine = Engine::required();
    SafeFile::createNew(fi.absoluteFilePath(), SafeFile::Access::Private);
    try {
        engine->open(fi.absoluteFilePath(), true);
        create(*engine);
        if (withDemoData) DemoData::fill(*engine);
        engine->close();
    } catch (...) {
        engine->close();
        QFile::remove(fi.absoluteFilePath());
        throw;
    }
}

} // namespace Schema
