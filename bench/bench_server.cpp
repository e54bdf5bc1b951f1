// SPDX-License-Identifier: GPL-3.0-or-later
// The dataset layer on a database server beside the same work on a file: the
// document list of 100,000 documents opened, a filter change, and the
// periodic run over 1,000 monthly contracts, alone and among 100,000
// documents (where finding the next number must not read them all). The server cases run beside a
// raw baseline in this binary: the same statements through plain libpq.
// Needs a server: scripts/bench-server starts a throwaway cluster and names
// it in TAVIREL_BENCH_PG.
#include "data/databasecopy.h"
#include "data/demodata.h"
#include "data/engine.h"
#include "data/programfolder.h"
#include "data/schema.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"
#include "documents/core/tfumw.h"
#include "lists/core/documentlistsql.h"
#include "lists/core/periodicinvoicing.h"

#include "bench/benchsupport.h"
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <libpq-fe.h>

namespace {

QTemporaryDir *g_dir = nullptr;
QString g_server; // the cluster's database

QString filePath()
{
    return g_dir->path() + QStringLiteral("/list.mdb");
}
QString contractsFile()
{
    return g_dir->path() + QStringLiteral("/contracts.mdb");
}
// A schema of the cluster's database, as a location.
QString inSchema(const QString &schema)
{
    return g_server + (g_server.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) +
           QStringLiteral("options=-csearch_path%3D") + schema;
}
QString listServer()
{
    return inSchema(QStringLiteral("bench_list"));
}

void adminExec(const QString &sql)
{
    auto e = Engine::create(QStringLiteral("postgresql"));
    e->open(g_server);
    e->exec(sql);
}

void addMonthlyContracts(Engine &engine)
{
    engine.begin();
    auto doc = engine.prepare(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieltage, VertragT, Waehrung, anschrift, "
        "Kopftext, "
        "Fusstext, ek, vk) values ('V', ?, ?, '2026-01-05', 14, 'M', '€', 'Firma\r\nWeg 1\r\n34117 Kassel', "
        "'Wartung %Monat', 'Abbuchung von %KONTONR', 25, 50)"));
    auto pos = engine.prepare(
        QStringLiteral("insert into Vorgang2 (vorgangID, Pos, Titel, anzahl, einheit, Preis, EK) "
                       "values (?, ?, 'Wartung', 1, 'Stk', 10, 5)"));
    for (int i = 0; i < 1000; ++i) {
        doc->reset();
        doc->bind(1, Value(QString::number(90000 + i)));
        doc->bind(2, Value(qint64(1 + i * 7 % 10000)));
        doc->step();
        const qint64 id = engine.lastInsertId();
        for (int p = 1; p <= 5; ++p) {
            pos->reset();
            pos->bind(1, Value(id));
            pos->bind(2, Value(qint64(p)));
            pos->step();
        }
    }
    engine.commit();
}

// The list on a file, copied to the server as a firm moves; the contracts
// alone on a file of their own, copied afresh for each run.
void makeData()
{
    Schema::createDatabaseFile(filePath(), false);
    auto engine = Engine::create();
    engine->open(filePath());
    DemoData::fillLarge(*engine, 10000, 100000, 4);
    engine->exec(QStringLiteral("update Vorgang1 set VertragT = 'J' where typ = 'V'"));
    addMonthlyContracts(*engine);
    engine->exec(QStringLiteral("analyze"));
    engine->close();

    Schema::createDatabaseFile(contractsFile(), false);
    engine->open(contractsFile());
    engine->exec(
        QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < 9999) "
                       "insert into Adress (KDNR, NAME1, Kontonr, Kontobank, Kontoblz, KontoInhaber) "
                       "select 1 + i * 7 % 10000, 'Firma ' || i, '1234567', 'Kasseler Bank', '52050353', "
                       "'Firma ' || i from n where i < 1000"));
    addMonthlyContracts(*engine);
    engine->close();

    adminExec(QStringLiteral("DROP SCHEMA IF EXISTS bench_list CASCADE; CREATE SCHEMA bench_list"));
    DatabaseCopy::copy(filePath(), listServer());
    auto server = Engine::create(QStringLiteral("postgresql"));
    server->open(listServer());
    server->exec(QStringLiteral("ANALYZE"));
}

// ---- the document list

void openList(benchmark::State &state, const QString &location)
{
    TVexDaoDatabase db;
    db.setDatabase(location);
    db.Open();
    for (auto _ : state) {
        TVexDaoTable list(nullptr, QStringLiteral("vorganglist"));
        list.setDatabase(&db);
        list.SQL() << DocumentListSql();
        list.Open();
        benchmark::DoNotOptimize(list.RecordCount());
        state.counters["rows"] = list.RecordCount();
    }
}

void BM_OpenDocumentList_File(benchmark::State &state)
{
    openList(state, filePath());
}
void BM_OpenDocumentList_Server(benchmark::State &state)
{
    openList(state, listServer());
}

// The SQL the layer sends, run through libpq alone, every cell read as text.
struct RawServer
{
    PGconn *conn = nullptr;
    RawServer() { conn = PQconnectdb(listServer().toUtf8().constData()); }
    ~RawServer() { PQfinish(conn); }
    qint64 readAll(const char *sql, const std::vector<QByteArray> &params = {})
    {
        std::vector<const char *> values;
        for (const QByteArray &p : params)
            values.push_back(p.constData());
        PGresult *res =
            PQexecParams(conn, sql, int(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
        qint64 n = 0;
        const int rows = PQntuples(res), cols = PQnfields(res);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                n += PQgetlength(res, r, c) + (PQgetisnull(res, r, c) ? 1 : 0);
        PQclear(res);
        return n;
    }
};

QByteArray g_listSql; // as the layer emitted it, parameters numbered

QByteArray serverSql(TVexDaoTable &t)
{
    QString sql = t.lastQuerySql();
    int n = 0;
    QString out;
    for (const QChar c : sql)
        out += c == QLatin1Char('?') ? QLatin1Char('$') + QString::number(++n) : QString(c);
    return out.toUtf8();
}

void BM_OpenDocumentList_ServerRaw(benchmark::State &state)
{
    {
        TVexDaoDatabase db;
        db.setDatabase(listServer());
        db.Open();
        TVexDaoTable list;
        list.setDatabase(&db);
        list.SQL() << DocumentListSql();
        list.Open();
        g_listSql = serverSql(list);
    }
    RawServer raw;
    for (auto _ : state)
        benchmark::DoNotOptimize(raw.readAll(g_listSql.constData()));
}

// ---- a filter change on the open list

QString customerFilter(int k)
{
    return QStringLiteral("kdnr =%1 and datum >= #01/01/1999# and datum <=#12/31/2100#")
        .arg(1 + (k * 37) % 10000);
}

void filterChange(benchmark::State &state, const QString &location)
{
    TVexDaoDatabase db;
    db.setDatabase(location);
    db.Open();
    TVexDaoTable list(nullptr, QStringLiteral("vorganglist"));
    list.setDatabase(&db);
    list.SQL() << DocumentListSql();
    list.Open();
    list.setFiltered(true);
    int k = 0;
    for (auto _ : state) {
        list.setFilter(customerFilter(k++));
        benchmark::DoNotOptimize(list.RecordCount());
    }
}

void BM_FilterChange_File(benchmark::State &state)
{
    filterChange(state, filePath());
}
void BM_FilterChange_Server(benchmark::State &state)
{
    filterChange(state, listServer());
}

void BM_FilterChange_ServerRaw(benchmark::State &state)
{
    QByteArray sql;
    {
        TVexDaoDatabase db;
        db.setDatabase(listServer());
        db.Open();
        TVexDaoTable list;
        list.setDatabase(&db);
        list.SQL() << DocumentListSql();
        list.setFilter(customerFilter(0));
        list.setFiltered(true);
        list.Open();
        sql = serverSql(list);
    }
    RawServer raw;
    int k = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(raw.readAll(
            sql.constData(), {QByteArray::number(1 + (k++ * 37) % 10000), "1999-01-01", "2100-12-31"}));
}

// ---- the periodic run over 1,000 monthly contracts

QString freshContracts(bool server)
{
    if (!server) {
        const QString path = g_dir->path() + QStringLiteral("/run.mdb");
        QFile::remove(path);
        QFile::copy(contractsFile(), path);
        return path;
    }
    adminExec(QStringLiteral("DROP SCHEMA IF EXISTS bench_run CASCADE; CREATE SCHEMA bench_run"));
    DatabaseCopy::copy(contractsFile(), inSchema(QStringLiteral("bench_run")));
    return inSchema(QStringLiteral("bench_run"));
}

// The run among the 100,000 documents of the list: a fresh copy of the file
// each time; the server's database gains 1,000 invoices a run, which changes
// nothing measurable.
QString bigRunLocation(bool server)
{
    if (server) return listServer();
    const QString path = g_dir->path() + QStringLiteral("/bigrun.mdb");
    QFile::remove(path);
    QFile::copy(filePath(), path);
    return path;
}

void periodicRun(benchmark::State &state, bool server, bool big)
{
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString location = big ? bigRunLocation(server) : freshContracts(server);
        state.ResumeTiming();
        made = RunMonthlyInvoices(location);
    }
    state.counters["invoices"] = made;
}

void BM_PeriodicRun_File(benchmark::State &state)
{
    periodicRun(state, false, false);
}
void BM_PeriodicRun_Server(benchmark::State &state)
{
    periodicRun(state, true, false);
}
void BM_PeriodicRunAmong100k_File(benchmark::State &state)
{
    periodicRun(state, false, true);
}
void BM_PeriodicRunAmong100k_Server(benchmark::State &state)
{
    periodicRun(state, true, true);
}

// The same invoices made by three statements per contract in one
// transaction, through libpq alone.
int rawRun(const QString &location)
{
    PGconn *conn = PQconnectdb(location.toUtf8().constData());
    PQclear(PQexec(conn, "BEGIN"));
    PGresult *ids =
        PQexec(conn, "select v.id from vorgang1 v join adress a on v.kdnr = a.kdnr where v.typ = 'V' "
                     "and v.vertragt = 'M' order by v.datum desc, v.vorgangnr desc, a.name1");
    PQclear(PQprepare(
        conn, "doc",
        "insert into vorgang1 (typ, vorgangnr, datum, zieltage, zieldatum, kdnr, anschrift, kopftext, "
        "fusstext, waehrung, ek, vk) select 'R', $1, current_date, zieltage, current_date + zieltage, "
        "kdnr, anschrift, kopftext, fusstext, '€', ek, vk from vorgang1 where id = $2 returning id",
        2, nullptr));
    PQclear(PQprepare(
        conn, "pos",
        "insert into vorgang2 (vorgangid, artikel, titel, bezeichnung, anzahl, einheit, preis, ek, "
        "pos) select $1, artikel, titel, bezeichnung, anzahl, einheit, preis, ek, pos from vorgang2 "
        "where vorgangid = $2",
        2, nullptr));
    int made = 0;
    for (int r = 0; r < PQntuples(ids); ++r) {
        const QByteArray number = QByteArray::number(200000 + r);
        const char *docParams[] = {number.constData(), PQgetvalue(ids, r, 0)};
        PGresult *doc = PQexecPrepared(conn, "doc", 2, docParams, nullptr, nullptr, 0);
        const QByteArray newId(PQgetvalue(doc, 0, 0));
        PQclear(doc);
        const char *posParams[] = {newId.constData(), PQgetvalue(ids, r, 0)};
        PQclear(PQexecPrepared(conn, "pos", 2, posParams, nullptr, nullptr, 0));
        ++made;
    }
    PQclear(ids);
    PQclear(PQexec(conn, "COMMIT"));
    PQfinish(conn);
    return made;
}

void BM_PeriodicRun_ServerRaw(benchmark::State &state)
{
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString location = freshContracts(true);
        state.ResumeTiming();
        made = rawRun(location);
    }
    state.counters["invoices"] = made;
}
void BM_PeriodicRunAmong100k_ServerRaw(benchmark::State &state)
{
    int made = 0;
    for (auto _ : state)
        made = rawRun(listServer());
    state.counters["invoices"] = made;
}

} // namespace

BENCHMARK(BM_OpenDocumentList_File)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenDocumentList_Server)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenDocumentList_ServerRaw)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FilterChange_File)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterChange_Server)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterChange_ServerRaw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeriodicRun_File)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeriodicRun_Server)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeriodicRun_ServerRaw)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeriodicRunAmong100k_File)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeriodicRunAmong100k_Server)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeriodicRunAmong100k_ServerRaw)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    g_server = qEnvironmentVariable("TAVIREL_BENCH_PG");
    if (g_server.isEmpty()) {
        std::fprintf(stderr, "TAVIREL_BENCH_PG fehlt: scripts/bench-server startet einen Server dafür\n");
        return 0;
    }
    QTemporaryDir dir;
    g_dir = &dir;
    ProgramFolder::setDirForTests(dir.path());
    QFile::copy(QStringLiteral(TAVIREL_PROGRAM_DIR "/vliste.sql"),
                dir.path() + QStringLiteral("/vliste.sql"));
    makeData();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    adminExec(
        QStringLiteral("DROP SCHEMA IF EXISTS bench_list CASCADE; DROP SCHEMA IF EXISTS bench_run CASCADE"));
    return 0;
}
