// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of the document list window on the generated database of 10,000
// addresses and 100,000 documents: opening it, a change of the status filter,
// a click on a column title and the export of the whole list. Each case runs
// beside its raw baseline in this binary: the same select read (and, for the
// export, the same file written) through the plain SQLite C interface.
#include "app/tfmain.h"
#include "base/textfiles.h"
#include "data/demodata.h"
#include "data/engine.h"
#include "data/programfolder.h"
#include "data/schema.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/textcompare.h"
#include "data/tvexdaotable.h"
#include "lists/tfvliste.h"
#include "widgets/dbgrid.h"
#include "widgets/scripteddialogs.h"

#include "bench/benchsupport.h"
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

QTemporaryDir *g_dir = nullptr;

QString databasePath()
{
    return g_dir->path() + QStringLiteral("/daten/tavirel.mdb");
}

void makeDatabase()
{
    Schema::createDatabaseFile(databasePath(), false);
    auto engine = Engine::create();
    engine->open(databasePath());
    DemoData::fillLarge(*engine, 10000, 100000, 4);
    engine->exec(QStringLiteral("analyze"));
    engine->close();
}

// The program as it runs: the data modules on the file, the main window.
struct Program
{
    Tdataa addresses;
    TData documents{&addresses.Datenbank};
    Tfmain main;
    Program()
    {
        dataa = &addresses;
        Data = &documents;
        addresses.DataModuleCreate(databasePath());
        documents.DataCreate();
    }
    ~Program()
    {
        dataa = nullptr;
        Data = nullptr;
    }
};

struct RawDb
{
    sqlite3 *db = nullptr;
    RawDb()
    {
        sqlite3_open_v2(databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        // The collation the program registers, so that the same SQL runs.
        sqlite3_create_collation(db, "TVDE", SQLITE_UTF8, nullptr,
                                 [](void *, int al, const void *a, int bl, const void *b) {
                                     return TextCompare::compareUtf8(static_cast<const char *>(a), al,
                                                                     static_cast<const char *>(b), bl);
                                 });
    }
    ~RawDb() { sqlite3_close(db); }
    sqlite3_stmt *prepare(const QString &sql, const QStringList &params)
    {
        sqlite3_stmt *st = nullptr;
        const QByteArray s = sql.toUtf8();
        sqlite3_prepare_v2(db, s.constData(), int(s.size()), &st, nullptr);
        for (int i = 0; i < params.size(); ++i) {
            const QByteArray t = params[i].toUtf8();
            sqlite3_bind_text(st, i + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
        return st;
    }
    // Runs a select, reading every column of every row; returns the row count.
    int readAll(const QString &sql, const QStringList &params = {})
    {
        sqlite3_stmt *st = prepare(sql, params);
        return ReadEveryRow(st);
    }
};

// The statements the list sent, for the baselines to run as they are.
QString g_openSql, g_invoicesSql, g_openInvoicesSql, g_byCustomerSql, g_byCustomerDescSql;
// The parameters of both status filters: "R" and the whole period.
const QStringList kFilterParams = {QStringLiteral("R"), QStringLiteral("1999-01-01"),
                                   QStringLiteral("2100-12-31")};

int rowsOf(TFVListe &w)
{
    return w.vorganglist->RecordCount();
}

void BM_ListOpen(benchmark::State &state)
{
    Program p;
    int rows = 0;
    for (auto _ : state) {
        TFVListe w;
        rows = rowsOf(w);
        g_openSql = w.vorganglist->lastQuerySql();
    }
    state.counters["rows"] = rows;
}

void BM_ListOpen_Raw(benchmark::State &state)
{
    RawDb raw;
    int rows = 0;
    for (auto _ : state)
        rows = raw.readAll(g_openSql);
    state.counters["rows"] = rows;
}

// Between "alle Rechnungen" and "Offene Rechnungen", the whole period.
void BM_ListFilterChange(benchmark::State &state)
{
    Program p;
    TFVListe w;
    int k = 0, rows = 0;
    for (auto _ : state) {
        const bool open = k++ % 2;
        w.cstatus->setCurrentIndex(open ? 7 : 3);
        w.cstatusChange();
        rows += rowsOf(w);
        (open ? g_openInvoicesSql : g_invoicesSql) = w.vorganglist->lastQuerySql();
    }
    state.counters["rows"] = rows;
}

void BM_ListFilterChange_Raw(benchmark::State &state)
{
    RawDb raw;
    int k = 0, rows = 0;
    for (auto _ : state)
        rows += raw.readAll(k++ % 2 ? g_openInvoicesSql : g_invoicesSql, kFilterParams);
    state.counters["rows"] = rows;
}

// A click on "Kunde", again and again: ascending, descending, ascending...,
// on the list as it opens (every document).
void BM_ListSortChange(benchmark::State &state)
{
    Program p;
    TFVListe w;
    int kunde = -1;
    for (int c = 0; c < w.liste->model()->columnCount(); ++c)
        if (w.liste->fieldNameAt(c) == QLatin1String("Kunde")) kunde = c;
    int k = 0;
    for (auto _ : state) {
        w.listeTitleClick(kunde);
        (k++ % 2 ? g_byCustomerDescSql : g_byCustomerSql) = w.vorganglist->lastQuerySql();
    }
    state.counters["rows"] = rowsOf(w);
}

void BM_ListSortChange_Raw(benchmark::State &state)
{
    RawDb raw;
    int k = 0, rows = 0;
    for (auto _ : state)
        rows = raw.readAll(k++ % 2 ? g_byCustomerDescSql : g_byCustomerSql);
    state.counters["rows"] = rows;
}

void BM_ListExport(benchmark::State &state)
{
    Program p;
    TFVListe w;
    ScriptedDialogsScope dialogs;
    const QString path = g_dir->path() + QStringLiteral("/liste.txt");
    for (auto _ : state) {
        dialogs->answerSaveFile(path);
        w.ToolButton4Click();
    }
    state.counters["rows"] = rowsOf(w);
    state.counters["MB"] = double(QFile(path).size()) / 1e6;
}

// The same file through the C interface: the rows read, their fields
// formatted and quoted, the text in Windows-1252 written at once.
QString dateOf(const unsigned char *iso, int n)
{
    if (!iso || n < 10) return QString();
    QString d = QString::fromLatin1(reinterpret_cast<const char *>(iso) + 8, 2) + QLatin1Char('.') +
                QString::fromLatin1(reinterpret_cast<const char *>(iso) + 5, 2) + QLatin1Char('.') +
                QString::fromLatin1(reinterpret_cast<const char *>(iso), 4);
    if (n > 10) d += QLatin1Char(' ') + QString::fromLatin1(reinterpret_cast<const char *>(iso) + 11, n - 11);
    return d;
}

QString numberOf(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    QString s = QString::fromLatin1(buf);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

QString quoted(const QString &field)
{
    if (!field.contains(QLatin1Char(';')) && !field.contains(QLatin1Char('"'))) return field;
    QString q = field;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

void BM_ListExport_Raw(benchmark::State &state)
{
    RawDb raw;
    QHash<QString, QString> types;
    {
        sqlite3_stmt *st = raw.prepare(QStringLiteral("select id, Typbez from VTyp"), {});
        while (sqlite3_step(st) == SQLITE_ROW)
            types.insert(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))),
                         QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1))));
        sqlite3_finalize(st);
    }
    const QString path = g_dir->path() + QStringLiteral("/liste-raw.txt");
    for (auto _ : state) {
        sqlite3_stmt *st = raw.prepare(g_openSql, {});
        QString out = QStringLiteral("Datum;V-Nr;Art;Kunde;bezahlenbis;bezahltam;netto;brutto\r\n");
        const auto text = [st](int c) {
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                     sqlite3_column_bytes(st, c));
        };
        while (sqlite3_step(st) == SQLITE_ROW) {
            out += dateOf(sqlite3_column_text(st, 2), sqlite3_column_bytes(st, 2));
            out += QLatin1Char(';');
            out += quoted(text(4));
            out += QLatin1Char(';');
            out += quoted(types.value(text(3)));
            out += QLatin1Char(';');
            out += quoted(text(5));
            out += QLatin1Char(';');
            out += dateOf(sqlite3_column_text(st, 6), sqlite3_column_bytes(st, 6));
            out += QLatin1Char(';');
            out += dateOf(sqlite3_column_text(st, 8), sqlite3_column_bytes(st, 8));
            out += QLatin1Char(';');
            const bool noVk = sqlite3_column_type(st, 10) == SQLITE_NULL;
            const double vk = sqlite3_column_double(st, 10);
            if (!noVk) out += numberOf(vk);
            out += QLatin1Char(';');
            out += numberOf(std::round(vk * 1.19 * 10000) / 10000);
            out += QLatin1String("\r\n");
        }
        sqlite3_finalize(st);
        const QByteArray bytes = TextFiles::encodeCp1252(out);
        QSaveFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.commit();
    }
    state.counters["MB"] = double(QFile(path).size()) / 1e6;
}

} // namespace

BENCHMARK(BM_ListOpen)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ListOpen_Raw)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ListFilterChange)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ListFilterChange_Raw)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ListSortChange)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ListSortChange_Raw)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ListExport)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ListExport_Raw)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    ProgramFolder::setDirForTests(dir.path());
    QFile::copy(QStringLiteral(TAVIREL_PROGRAM_DIR "/vliste.sql"),
                dir.path() + QStringLiteral("/vliste.sql"));
    makeDatabase();
    // For profiling outside the benchmark: a copy of the generated file.
    if (const QString keep = qEnvironmentVariable("TAVIREL_BENCH_KEEP"); !keep.isEmpty())
        QFile::copy(databasePath(), keep);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
