// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of the document print: a document of 1,000 positions laid out on
// its letterhead pages and written as PDF, beside the time to read those
// positions through the dataset layer and, as the raw baseline, through the
// plain SQLite C interface.
#include "data/engine.h"
#include "data/programfolder.h"
#include "data/programvalues.h"
#include "data/schema.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"
#include "printing/tbvorgang.h"
#include "report/pageset.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

QTemporaryDir *g_dir = nullptr;
qint64 g_document = 0;

QString databasePath()
{
    return g_dir->path() + QStringLiteral("/daten/tavirel.mdb");
}

// One invoice of 1,000 positions, each with a two-line description.
void makeDatabase()
{
    Schema::createDatabaseFile(databasePath(), false);
    auto engine = Engine::create();
    engine->open(databasePath());
    engine->begin();
    engine->exec(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieldatum, zieltage, anschrift, Kopftext, "
        "Fusstext, "
        "Waehrung) values ('R', '10000', 1005, '2026-01-05', '2026-01-19', 14, 'Gemeinde Fuldabrück' || "
        "char(13,10) || 'Am Rathaus 2' || char(13,10) || '34277 Fuldabrück', 'Für die ausgeführten Arbeiten "
        "berechnen wir Ihnen:', 'Vielen Dank für Ihren Auftrag.', '€')"));
    g_document = engine->lastInsertId();
    auto pos = engine->prepare(QStringLiteral(
        "insert into Vorgang2 (vorgangID, Pos, Artikel, Titel, Bezeichnung, anzahl, einheit, Preis, EK) "
        "values (?, ?, 'HZ-1', 'Montage', 'Montagearbeiten Heizung Obergeschoss' || char(13,10) || "
        "'inklusive Kleinmaterial und Anfahrt', ?, 'Std', ?, 20)"));
    for (int p = 1; p <= 1000; ++p) {
        pos->reset();
        pos->bind(1, Value(g_document));
        pos->bind(2, Value(qint64(p)));
        pos->bind(3, Value(double(p % 7 + 1)));
        pos->bind(4, Value(58.5 + p % 13));
        pos->step();
    }
    engine->commit();
    engine->close();
}

struct Connection
{
    TVexDaoDatabase db;
    Connection()
    {
        db.setDatabase(databasePath());
        db.Open();
    }
};

// ---- reading the 1,000 positions

void BM_ReadPositions(benchmark::State &state)
{
    Connection c;
    for (auto _ : state) {
        TVexDaoTable positions(nullptr, QStringLiteral("vorgang2"));
        positions.setDatabase(&c.db);
        positions.setTableName(QStringLiteral("Vorgang2"));
        positions.setFilter(QStringLiteral("vorgangID = %1").arg(g_document));
        positions.setFiltered(true);
        positions.Open();
        TField *text = positions.FieldByName(QStringLiteral("Bezeichnung"));
        TField *anzahl = positions.FieldByName(QStringLiteral("anzahl"));
        TField *preis = positions.FieldByName(QStringLiteral("Preis"));
        double sum = 0;
        for (positions.First(); !positions.Eof(); positions.Next()) {
            benchmark::DoNotOptimize(text->AsString());
            sum += anzahl->AsFloat() * preis->AsFloat();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["rows"] = 1000;
}

void BM_ReadPositions_Raw(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "select * from Vorgang2 where vorgangID = ?", -1, &st, nullptr);
        sqlite3_bind_int64(st, 1, g_document);
        const int n = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int col = 0; col < n; ++col)
                if (sqlite3_column_type(st, col) == SQLITE_TEXT)
                    benchmark::DoNotOptimize(
                        QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, col)),
                                          sqlite3_column_bytes(st, col)));
                else
                    benchmark::DoNotOptimize(sqlite3_column_double(st, col));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
}

// ---- the print

void BM_BuildPages(benchmark::State &state)
{
    Connection c;
    int pages = 0;
    for (auto _ : state) {
        TBvorgang form(&c.db);
        form.FormCreate(QString::number(g_document));
        pages = form.Bericht.build()->pagesAvailable();
    }
    state.counters["pages"] = pages;
    state.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BuildPagesAndWritePdf(benchmark::State &state)
{
    Connection c;
    const QString pdf = g_dir->path() + QStringLiteral("/vorgang.pdf");
    int pages = 0;
    for (auto _ : state) {
        TBvorgang form(&c.db);
        form.FormCreate(QString::number(g_document));
        const auto set = form.Bericht.build();
        set->writePdf(pdf);
        pages = set->pagesAvailable();
    }
    state.counters["pages"] = pages;
    state.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["KB"] = double(QFile(pdf).size()) / 1024;
}

} // namespace

BENCHMARK(BM_ReadPositions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPositions_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildPagesAndWritePdf)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    // Fonts need a GUI application; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    // The letterhead files of the built program folder.
    ProgramFolder::setDirForTests(QStringLiteral(TAVIREL_PROGRAM_DIR));
    ProgramValues::instance().UstId = QStringLiteral("DE284716392");
    QDir().mkpath(dir.path() + QStringLiteral("/daten"));
    makeDatabase();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
