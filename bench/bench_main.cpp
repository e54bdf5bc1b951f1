// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of the dataset layer and the periodic invoicing run on a
// generated database of 10,000 addresses, 100,000 documents and 400,000
// positions (plus 1,000 monthly contracts of 5 positions each), and of the
// run on a file that holds only the 1,000 contracts and their customers, and
// of the article currency changeover on a catalogue of 50,000 articles. Every
// case runs beside a raw baseline in this binary: the same work through the
// plain SQLite C interface.
#include "articles/core/articlechangeover.h"
#include "data/databasebackup.h"
#include "data/databasecheck.h"
#include "data/dates.h"
#include "data/demodata.h"
#include "data/engine.h"
#include "data/programfolder.h"
#include "data/schema.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/textcompare.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"
#include "documents/core/tfumw.h"
#include "lists/core/documentlistsql.h"
#include "lists/core/periodicinvoicing.h"

#include "bench/benchsupport.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#if defined(__linux__)
#include <malloc.h>
#endif
#include <sqlite3.h>
#include <unistd.h>

namespace {

QTemporaryDir *g_dir = nullptr;

QString templatePath()
{
    return g_dir->path() + QStringLiteral("/template.mdb");
}

// Memory in use by this process in bytes: the heap's allocated bytes where
// the C library tells them (what the process gives back to the system after
// a free depends on what else lies on the heap), else the resident size.
double residentBytes()
{
#ifdef __GLIBC__
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd);
#else
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * double(sysconf(_SC_PAGESIZE)) : 0;
#endif
}

QString contractsPath()
{
    return g_dir->path() + QStringLiteral("/contracts.mdb");
}

// 1,000 monthly contracts of five positions each, for the periodic run.
void addMonthlyContracts(Engine *engine)
{
    engine->begin();
    auto doc = engine->prepare(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieltage, VertragT, Waehrung, anschrift, "
        "Kopftext, "
        "Fusstext, ek, vk) values ('V', ?, ?, '2026-01-05', 14, 'M', '€', 'Firma\r\nWeg 1\r\n34117 Kassel', "
        "'Wartung %Monat', 'Abbuchung von %KONTONR', 25, 50)"));
    auto pos = engine->prepare(
        QStringLiteral("insert into Vorgang2 (vorgangID, Pos, Titel, anzahl, einheit, Preis, EK) "
                       "values (?, ?, 'Wartung', 1, 'Stk', 10, 5)"));
    for (int i = 0; i < 1000; ++i) {
        doc->reset();
        doc->bind(1, Value(QString::number(90000 + i)));
        doc->bind(2, Value(qint64(1 + i * 7 % 10000)));
        doc->step();
        const qint64 id = engine->lastInsertId();
        for (int p = 1; p <= 5; ++p) {
            pos->reset();
            pos->bind(1, Value(id));
            pos->bind(2, Value(qint64(p)));
            pos->step();
        }
    }
    engine->commit();
}

void makeDatabase()
{
    Schema::createDatabaseFile(templatePath(), false);
    auto engine = Engine::create();
    engine->open(templatePath());
    DemoData::fillLarge(*engine, 10000, 100000, 4);
    // The generated contracts become yearly ones: the run meets exactly the 1,000 below.
    engine->exec(QStringLiteral("update Vorgang1 set VertragT = 'J' where typ = 'V'"));
    addMonthlyContracts(engine.get());
    engine->exec(QStringLiteral("analyze"));
    engine->close();

    // The contracts alone, with a customer each.
    Schema::createDatabaseFile(contractsPath(), false);
    engine->open(contractsPath());
    engine->exec(
        QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < 9999) "
                       "insert into Adress (KDNR, NAME1, Kontonr, Kontobank, Kontoblz, KontoInhaber) "
                       "select 1 + i * 7 % 10000, 'Firma ' || i, '1234567', 'Kasseler Bank', '52050353', "
                       "'Firma ' || i from n where i < 1000"));
    addMonthlyContracts(engine.get());
    engine->exec(QStringLiteral("analyze"));
    engine->close();
}

struct RawDb
{
    sqlite3 *db = nullptr;
    explicit RawDb(const QString &path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        // The same collation the program registers, so the same SQL runs.
        sqlite3_create_collation(db, "TVDE", SQLITE_UTF8, nullptr,
                                 [](void *, int al, const void *a, int bl, const void *b) {
                                     return TextCompare::compareUtf8(static_cast<const char *>(a), al,
                                                                     static_cast<const char *>(b), bl);
                                 });
    }
    ~RawDb() { sqlite3_close(db); }
    // Runs a select, reading every column of every row; returns the row count.
    int readAll(const QString &sql, const QList<Value> &params = {})
    {
        sqlite3_stmt *st = nullptr;
        const QByteArray s = sql.toUtf8();
        sqlite3_prepare_v2(db, s.constData(), int(s.size()), &st, nullptr);
        for (int i = 0; i < params.size(); ++i) {
            const Value &v = params[i];
            if (v.kind() == Value::Text) {
                const QByteArray t = v.rawText().toUtf8();
                sqlite3_bind_text(st, i + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_double(st, i + 1, v.toDouble());
            }
        }
        return ReadEveryRow(st);
    }
    void exec(const char *sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
};

struct Connection
{
    TVexDaoDatabase db;
    Connection()
    {
        db.setDatabase(templatePath());
        db.Open();
    }
};

QString g_listSql;     // the SQL the dataset emitted for the list
QString g_filteredSql; // ... and for the list filtered to one customer

// ---- the document list

void BM_OpenDocumentList(benchmark::State &state)
{
    Connection c;
    double bytes = 0;
    for (auto _ : state) {
        const double before = residentBytes();
        TVexDaoTable list(nullptr, QStringLiteral("vorganglist"));
        list.setDatabase(&c.db);
        list.SQL() << DocumentListSql();
        list.Open();
        bytes = residentBytes() - before;
        benchmark::DoNotOptimize(list.RecordCount());
        g_listSql = list.lastQuerySql();
    }
    state.counters["rows"] = 101000;
    state.counters["MB"] = bytes / 1e6;
}

void BM_OpenDocumentList_Raw(benchmark::State &state)
{
    RawDb raw(templatePath());
    for (auto _ : state)
        benchmark::DoNotOptimize(raw.readAll(g_listSql));
}

void BM_FilterOneCustomer(benchmark::State &state)
{
    Connection c;
    TVexDaoTable list(nullptr, QStringLiteral("vorganglist"));
    list.setDatabase(&c.db);
    list.SQL() << DocumentListSql();
    list.Open();
    list.setFiltered(true);
    int k = 0;
    for (auto _ : state) {
        list.setFilter(QStringLiteral("kdnr =%1 and datum >= #01/01/1999# and datum <=#12/31/2100#")
                           .arg(1 + (k++ * 37) % 10000));
        benchmark::DoNotOptimize(list.RecordCount());
    }
    g_filteredSql = list.lastQuerySql();
}

void BM_FilterOneCustomer_Raw(benchmark::State &state)
{
    RawDb raw(templatePath());
    int k = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(raw.readAll(g_filteredSql, {Value(double(1 + (k++ * 37) % 10000)),
                                                             Value(QStringLiteral("1999-01-01")),
                                                             Value(QStringLiteral("2100-12-31"))}));
}

// ---- the addresses

void BM_LocateNamePrefix(benchmark::State &state)
{
    Connection c;
    TVexDaoTable adr(nullptr, QStringLiteral("Adress"));
    adr.setDatabase(&c.db);
    adr.setTableName(QStringLiteral("Adress"));
    adr.Open();
    const QString name = adr.FieldByName(QStringLiteral("NAME1"))->DisplayTextAt(adr.RowCount() - 7).left(5);
    for (auto _ : state)
        benchmark::DoNotOptimize(adr.Locate(QStringLiteral("NAME1"), Value(name),
                                            TVexDaoTable::LoCaseInsensitive | TVexDaoTable::LoPartialKey));
    state.SetLabel(name.toStdString());
}

void BM_LocateNamePrefix_Raw(benchmark::State &state)
{
    RawDb raw(templatePath());
    Connection c;
    TVexDaoTable adr(nullptr, QStringLiteral("Adress"));
    adr.setDatabase(&c.db);
    adr.setTableName(QStringLiteral("Adress"));
    adr.Open();
    const QString name = adr.FieldByName(QStringLiteral("NAME1"))->DisplayTextAt(adr.RowCount() - 7).left(5);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            raw.readAll(QStringLiteral("select * from Adress where NAME1 like ? limit 1"),
                        {Value(name + QLatin1Char('%'))}));
}

void BM_WalkAddresses(benchmark::State &state)
{
    Connection c;
    for (auto _ : state) {
        TVexDaoTable adr(nullptr, QStringLiteral("Adress"));
        adr.setDatabase(&c.db);
        adr.setTableName(QStringLiteral("Adress"));
        adr.Open();
        TField *name = adr.FieldByName(QStringLiteral("NAME1"));
        int n = 0;
        for (adr.First(); !adr.Eof(); adr.Next()) {
            benchmark::DoNotOptimize(name->value());
            ++n;
        }
        benchmark::DoNotOptimize(n);
    }
}

// The walk alone, on the open dataset, as the address window moves through it.
void BM_WalkOpenAddresses(benchmark::State &state)
{
    Connection c;
    TVexDaoTable adr(nullptr, QStringLiteral("Adress"));
    adr.setDatabase(&c.db);
    adr.setTableName(QStringLiteral("Adress"));
    adr.Open();
    TField *name = adr.FieldByName(QStringLiteral("NAME1"));
    for (auto _ : state) {
        int n = 0;
        for (adr.First(); !adr.Eof(); adr.Next()) {
            benchmark::DoNotOptimize(name->value());
            ++n;
        }
        benchmark::DoNotOptimize(n);
    }
}

void BM_WalkAddresses_Raw(benchmark::State &state)
{
    RawDb raw(templatePath());
    for (auto _ : state)
        benchmark::DoNotOptimize(raw.readAll(QStringLiteral("select *, rowid from Adress")));
}

// ---- the periodic run and the document rules

QString freshCopy(const QString &from = templatePath())
{
    const QString path = g_dir->path() + QStringLiteral("/run.mdb");
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    QFile::copy(from, path);
    return path;
}

void BM_PeriodicRun(benchmark::State &state)
{
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshCopy();
        {
            Tdataa addresses;
            TData documents(&addresses.Datenbank);
            dataa = &addresses;
            Data = &documents;
            addresses.DataModuleCreate(path);
            documents.DataCreate();
            TVexDaoTable list(nullptr, QStringLiteral("vorganglist"));
            list.setDatabase(&addresses.Datenbank);
            list.SQL() << DocumentListSql();
            list.Open();
            TFumw umw(nullptr);
            state.ResumeTiming();
            const PeriodicRunResult r = CreatePeriodicInvoicesRun(list, umw, QStringLiteral("M"));
            state.PauseTiming();
            made = r.count;
        }
        state.ResumeTiming();
    }
    state.counters["invoices"] = made;
}

// The run as the command line makes it, on the file of contracts only: the
// data modules opened, the contracts listed, every one copied with its
// positions, each invoice under its own savepoint in one transaction.
void BM_PeriodicRunContractsOnly(benchmark::State &state)
{
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshCopy(contractsPath());
        state.ResumeTiming();
        made = RunMonthlyInvoices(path);
    }
    state.counters["invoices"] = made;
}

void rawPeriodicRun(benchmark::State &state, const QString &file)
{
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshCopy(file);
        RawDb raw(path);
        state.ResumeTiming();
        raw.exec("BEGIN IMMEDIATE");
        sqlite3_stmt *ids = nullptr, *doc = nullptr, *pos = nullptr;
        sqlite3_prepare_v2(
            raw.db,
            "select v.id from Vorgang1 v join Adress a on v.kdnr = a.KDNR where v.typ = 'V' and "
            "v.VertragT = 'M' order by v.datum desc, v.vorgangnr desc, a.NAME1",
            -1, &ids, nullptr);
        sqlite3_prepare_v2(
            raw.db,
            "insert into Vorgang1 (typ, vorgangnr, datum, zieltage, zieldatum, kdnr, anschrift, Kopftext, "
            "Fusstext, Waehrung, ek, vk) select 'R', ?, date('now'), zieltage, date('now', '+' || "
            "zieltage || ' days'), kdnr, anschrift, Kopftext, Fusstext, '€', ek, vk from Vorgang1 where id = "
            "?",
            -1, &doc, nullptr);
        sqlite3_prepare_v2(
            raw.db,
            "insert into Vorgang2 (vorgangID, Artikel, Titel, Bezeichnung, anzahl, einheit, Preis, EK, Pos) "
            "select ?, Artikel, Titel, Bezeichnung, anzahl, einheit, Preis, EK, Pos from Vorgang2 where "
            "vorgangID = ?",
            -1, &pos, nullptr);
        int number = 200000;
        made = 0;
        while (sqlite3_step(ids) == SQLITE_ROW) {
            const sqlite3_int64 id = sqlite3_column_int64(ids, 0);
            sqlite3_reset(doc);
            sqlite3_bind_text(doc, 1, QByteArray::number(number++).constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(doc, 2, id);
            sqlite3_step(doc);
            const sqlite3_int64 newId = sqlite3_last_insert_rowid(raw.db);
            sqlite3_reset(pos);
            sqlite3_bind_int64(pos, 1, newId);
            sqlite3_bind_int64(pos, 2, id);
            sqlite3_step(pos);
            ++made;
        }
        sqlite3_finalize(ids);
        sqlite3_finalize(doc);
        sqlite3_finalize(pos);
        raw.exec("COMMIT");
    }
    state.counters["invoices"] = made;
}

void BM_PeriodicRun_Raw(benchmark::State &state)
{
    rawPeriodicRun(state, templatePath());
}

void BM_PeriodicRunContractsOnly_Raw(benchmark::State &state)
{
    rawPeriodicRun(state, contractsPath());
}

struct ModulesOnTemplate
{
    Tdataa addresses;
    TData documents{&addresses.Datenbank};
    explicit ModulesOnTemplate(const QString &path)
    {
        dataa = &addresses;
        Data = &documents;
        addresses.DataModuleCreate(path);
        documents.DataCreate();
    }

    // A new, numbered invoice holding the positions the SQL text inserts
    // (%1 stands for the invoice's id); it stays the current document.
    void newInvoiceWith(const QString &positionsSql)
    {
        TVexDaoTable &vorgang = documents.vorgang;
        vorgang.Insert();
        vorgang.FieldByName(QStringLiteral("typ"))->SetAsString(QStringLiteral("R"));
        documents.AssignVorgangNr(QStringLiteral("R"));
        const qint64 id = vorgang.FieldByName(QStringLiteral("id"))->AsInteger();
        vorgang.Post();
        addresses.Datenbank.engine().exec(positionsSql.arg(id));
    }
};

void BM_NextDocumentNumber(benchmark::State &state)
{
    ModulesOnTemplate m(freshCopy());
    TVexDaoTable &vorgang = m.documents.vorgang;
    vorgang.Insert();
    vorgang.FieldByName(QStringLiteral("typ"))->SetAsString(QStringLiteral("R"));
    for (auto _ : state) {
        m.documents.AssignVorgangNr(
            QStringLiteral("R")); // saves the same document again with the next number
        benchmark::DoNotOptimize(vorgang.FieldByName(QStringLiteral("vorgangnr"))->AsString());
    }
}

void BM_NextDocumentNumber_Raw(benchmark::State &state)
{
    RawDb raw(freshCopy());
    for (auto _ : state) {
        raw.exec("BEGIN IMMEDIATE");
        benchmark::DoNotOptimize(raw.readAll(QStringLiteral(
            "select max(cast(vorgangnr as integer)) from Vorgang1 where typ = 'R' collate nocase")));
        raw.exec("update Vorgang1 set vorgangnr = vorgangnr where id = 1");
        raw.exec("COMMIT");
    }
}

void BM_RecalcTotals1000Positions(benchmark::State &state)
{
    ModulesOnTemplate m(freshCopy());
    TVexDaoTable &vorgang = m.documents.vorgang;
    m.newInvoiceWith(QStringLiteral(
        "with recursive n(i) as (select 1 union all select i+1 from n where i < 1000) insert into "
        "Vorgang2 (vorgangID, Pos, anzahl, Preis, EK) select %1, i, 3, 0.1, 0.05 from n"));
    vorgang.Refresh();
    for (auto _ : state) {
        m.documents.RecalcTotals();
        benchmark::DoNotOptimize(vorgang.FieldByName(QStringLiteral("vk"))->AsFloat());
    }
}

void BM_RecalcTotals1000Positions_Raw(benchmark::State &state)
{
    RawDb raw(freshCopy());
    for (auto _ : state)
        benchmark::DoNotOptimize(raw.readAll(QStringLiteral(
            "select sum(EK * anzahl), sum(Preis * anzahl) from Vorgang2 where vorgangID = 5")));
}

// 1,000 positions at 7 % and 19 % (and a few at 0 %), as a bakery's invoice has them.
const char *const kMixedPositions =
    "with recursive n(i) as (select 1 union all select i+1 from n where i < 1000) insert into "
    "Vorgang2 (vorgangID, Pos, anzahl, Preis, EK, MwstSatz, MwstKat) select %1, i, 1 + i % 7, "
    "0.01 * (i % 997) + 0.333, 0.05, case i % 10 when 0 then 0 when 1 then 19 when 2 then 19 else 7 end, "
    "case i % 10 when 0 then 'Z' else 'S' end from n";

// Opening the invoice's positions and recomputing its totals per rate.
void BM_OpenAndRecalcMixedRates(benchmark::State &state)
{
    ModulesOnTemplate m(freshCopy());
    TVexDaoTable &vorgang = m.documents.vorgang;
    m.newInvoiceWith(QString::fromLatin1(kMixedPositions));
    for (auto _ : state) {
        m.documents.vorgangdata.Refresh();
        m.documents.RecalcTotals();
        benchmark::DoNotOptimize(vorgang.FieldByName(QStringLiteral("mwst"))->AsFloat());
    }
    state.counters["positions"] = double(m.documents.vorgangdata.RecordCount());
}

// The same positions read and summed per rate by SQLite alone.
void BM_OpenAndRecalcMixedRates_Raw(benchmark::State &state)
{
    RawDb raw(freshCopy());
    raw.exec(QString::fromLatin1(kMixedPositions).arg(999999).toUtf8().constData());
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            raw.readAll(QStringLiteral("select * from Vorgang2 where vorgangID = 999999 order by Pos")));
        benchmark::DoNotOptimize(raw.readAll(QStringLiteral(
            "select MwstSatz, MwstKat, sum(round(anzahl * Preis, 2)), sum(EK * anzahl) from Vorgang2 "
            "where vorgangID = 999999 group by MwstSatz, MwstKat")));
    }
}

// ---- the article currency changeover

constexpr int kArticles = 50000;

QString catalogueTemplatePath()
{
    return g_dir->path() + QStringLiteral("/artikel.mdb");
}

void makeCatalogue()
{
    Schema::createDatabaseFile(catalogueTemplatePath(), false);
    auto engine = Engine::create();
    engine->open(catalogueTemplatePath());
    engine->exec(
        QStringLiteral(
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
            "insert into Artikel (\"Art-Nr\", Beschreibung, Bezeichnung, EK, VK, Einheit, Preisdatum, "
            "Waehrung) "
            "select printf('A-%06d', i), 'Artikel ' || i, 'Beschreibung des Artikels ' || i, 10 + i % 500, "
            "25 + i % 700, 'Stk', '2001-06-01', 'DM' from n")
            .arg(kArticles));
    engine->close();
}

QString freshCatalogue()
{
    const QString path = g_dir->path() + QStringLiteral("/artikelrun.mdb");
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    QFile::copy(catalogueTemplatePath(), path);
    return path;
}

// The run as the window starts it: over the open shared article dataset,
// each article put into editing, changed and saved by the move to the next.
void BM_EuroChangeover(benchmark::State &state)
{
    ModulesOnTemplate m(freshCatalogue());
    TVexDaoTable &artikel = m.documents.Artikel;
    int seen = 0;
    for (auto _ : state) {
        ArticleChangeover::ConvertToEuro(artikel, 1.95583L, ProgramFolder::iniPath(),
                                         [&](int n) { seen = n; });
        benchmark::DoNotOptimize(seen);
    }
    state.counters["articles"] = seen;
}

// The same rows changed by one UPDATE in one transaction.
void BM_EuroChangeover_Raw(benchmark::State &state)
{
    RawDb raw(freshCatalogue());
    for (auto _ : state) {
        raw.exec("BEGIN IMMEDIATE");
        raw.exec("update Artikel set Waehrung = '€', EK = EK / 1.95583, VK = VK / 1.95583, "
                 "Preisdatum = '2026-01-05'");
        raw.exec("COMMIT");
    }
    state.counters["articles"] = kArticles;
}

// The same rows changed one by one through one prepared UPDATE by row id.
void BM_EuroChangeover_RawPerRow(benchmark::State &state)
{
    RawDb raw(freshCatalogue());
    std::vector<sqlite3_int64> ids;
    {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(raw.db, "select rowid from Artikel order by \"Art-Nr\"", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            ids.push_back(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_stmt *update = nullptr;
    sqlite3_prepare_v2(raw.db,
                       "update Artikel set Waehrung = '€', EK = EK / 1.95583, VK = VK / 1.95583, "
                       "Preisdatum = '2026-01-05' where rowid = ?",
                       -1, &update, nullptr);
    for (auto _ : state) {
        raw.exec("BEGIN IMMEDIATE");
        for (sqlite3_int64 id : ids) {
            sqlite3_bind_int64(update, 1, id);
            sqlite3_step(update);
            sqlite3_reset(update);
        }
        raw.exec("COMMIT");
    }
    sqlite3_finalize(update);
    state.counters["articles"] = double(ids.size());
}

} // namespace

BENCHMARK(BM_OpenDocumentList)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenDocumentList_Raw)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FilterOneCustomer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterOneCustomer_Raw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LocateNamePrefix)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LocateNamePrefix_Raw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WalkAddresses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkAddresses_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkOpenAddresses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeriodicRun)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_PeriodicRun_Raw)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_PeriodicRunContractsOnly)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PeriodicRunContractsOnly_Raw)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_NextDocumentNumber)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NextDocumentNumber_Raw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecalcTotals1000Positions)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecalcTotals1000Positions_Raw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenAndRecalcMixedRates)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenAndRecalcMixedRates_Raw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EuroChangeover)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EuroChangeover_Raw)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EuroChangeover_RawPerRow)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- the check and the backup of the data

void BM_CheckDb(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(DatabaseCheck::runOn(templatePath()).size());
}

// The same rows read and the file's check made through the plain interface.
void BM_CheckDb_Raw(benchmark::State &state)
{
    RawDb raw(templatePath());
    for (auto _ : state) {
        benchmark::DoNotOptimize(raw.readAll(QStringLiteral("PRAGMA integrity_check(100)")));
        benchmark::DoNotOptimize(raw.readAll(QStringLiteral(
            "select id, typ, vorgangnr, kdnr, datum, zieldatum, vk, storniert from Vorgang1 order by id")));
        benchmark::DoNotOptimize(raw.readAll(
            QStringLiteral("select id, vorgangID, Pos, Titel, Preis, anzahl from Vorgang2 order by id")));
        benchmark::DoNotOptimize(raw.readAll(QStringLiteral("select KDNR from Adress")));
    }
}

void BM_Backup(benchmark::State &state)
{
    int n = 0;
    for (auto _ : state) {
        const QString target = g_dir->filePath(QStringLiteral("sicherung%1.mdb").arg(++n));
        DatabaseBackup::write(templatePath(), target);
        state.PauseTiming();
        QFile::remove(target);
        state.ResumeTiming();
    }
    state.counters["MB"] = double(QFileInfo(templatePath()).size()) / 1e6;
}

// A plain copy of the file's bytes, which the backup must never be (it could
// catch half a save), as the floor of what copying the file costs.
void BM_Backup_RawFileCopy(benchmark::State &state)
{
    int n = 0;
    for (auto _ : state) {
        const QString target = g_dir->filePath(QStringLiteral("kopie%1.mdb").arg(++n));
        QFile::copy(templatePath(), target);
        state.PauseTiming();
        QFile::remove(target);
        state.ResumeTiming();
    }
}

BENCHMARK(BM_CheckDb)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CheckDb_Raw)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Backup_RawFileCopy)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    ProgramFolder::setDirForTests(dir.path());
    QFile::copy(QStringLiteral(TAVIREL_PROGRAM_DIR "/vliste.sql"),
                dir.path() + QStringLiteral("/vliste.sql"));
    makeDatabase();
    makeCatalogue();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
