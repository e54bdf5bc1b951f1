// SPDX-License-Identifier: GPL-3.0-or-later
// The dunning run over 10,000 overdue invoices of 1,000 customers (each at
// its first reminder already, so that every new one claims the invoice, a fee
// and the default interest: four rows written per invoice), as the command
// line makes it: the invoices listed with their charges, the reminders saved
// each under its own savepoint in one transaction. Beside it the raw
// baseline: the same candidates read and the same rows inserted and updated
// through the plain SQLite interface in one transaction.
#include "data/dates.h"
#include "data/dunning.h"
#include "data/programfolder.h"
#include "data/schema.h"
#include "data/tvexdaodatabase.h"
#include "lists/core/dunningrun.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

QTemporaryDir *g_dir = nullptr;
constexpr int kInvoices = 10000;

QString templatePath()
{
    return g_dir->path() + QStringLiteral("/dunning.mdb");
}

void exec(sqlite3 *db, const char *sql)
{
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

void makeDatabase()
{
    Schema::createDatabase(templatePath(), false);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(templatePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    exec(db, "BEGIN");
    sqlite3_stmt *adr = nullptr, *inv = nullptr;
    sqlite3_prepare_v2(db, "insert into Adress (ID, KDNR, NAME1, VERBRAUCHER) values (?, ?, ?, ?)", -1, &adr,
                       nullptr);
    for (int k = 1; k <= 1000; ++k) {
        sqlite3_bind_int(adr, 1, k);
        sqlite3_bind_int(adr, 2, k);
        sqlite3_bind_text(adr, 3, QByteArray("Kunde ").append(QByteArray::number(k)).constData(), -1,
                          SQLITE_TRANSIENT);
        sqlite3_bind_int(adr, 4, k % 3 == 0);
        sqlite3_step(adr);
        sqlite3_reset(adr);
    }
    sqlite3_prepare_v2(
        db,
        "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieltage, zieldatum, bezahlt, storniert, "
        "erledigt, gedruckt, weiter, vk, ek, mwst, Waehrung, anschrift, Rundung, Steuerfall, "
        "mahnstufe, mahndatum) values ('R', ?, ?, '2026-01-02', 14, '2026-01-16', 0, 0, 0, 0, 0, ?, "
        "0, ?, '€', 'Kunde\r\nWeg 1\r\n34117 Kassel', 1, 'S', 1, '2026-02-01')",
        -1, &inv, nullptr);
    for (int i = 0; i < kInvoices; ++i) {
        sqlite3_bind_text(inv, 1, QByteArray::number(10000 + i).constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(inv, 2, 1 + i % 1000);
        const double vk = 100 + i % 97;
        sqlite3_bind_double(inv, 3, vk);
        sqlite3_bind_double(inv, 4, vk * 0.19);
        sqlite3_step(inv);
        sqlite3_reset(inv);
    }
    sqlite3_finalize(adr);
    sqlite3_finalize(inv);
    exec(db, "COMMIT");
    sqlite3_close(db);
}

QString freshCopy()
{
    const QString path = g_dir->path() + QStringLiteral("/run.mdb");
    QFile::remove(path);
    QFile::copy(templatePath(), path);
    return path;
}

Dunning::Settings settings()
{
    Dunning::Settings s;
    s.zinsen = true;
    return s;
}

void BM_DunningRun(benchmark::State &state)
{
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshCopy();
        state.ResumeTiming();
        TVexDaoDatabase db;
        db.SmartOpen = false;
        db.setDatabase(path);
        db.Open();
        const Dunning::Settings s = settings();
        made = int(CreateReminders(db, s, OverdueInvoices(db, s, Today())).made.size());
    }
    state.counters["reminders"] = made;
}

void BM_DunningRun_Raw(benchmark::State &state)
{
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshCopy();
        state.ResumeTiming();
        sqlite3 *db = nullptr;
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        exec(db, "BEGIN IMMEDIATE");
        sqlite3_stmt *list = nullptr, *doc = nullptr, *pos = nullptr, *inv = nullptr;
        sqlite3_prepare_v2(
            db,
            "select v.id, v.vorgangnr, v.kdnr, v.datum, v.zieldatum, v.vk, v.mwst, v.Waehrung, "
            "v.anschrift, a.NAME1, a.VERBRAUCHER from Vorgang1 v join Adress a on v.kdnr = a.KDNR "
            "where v.typ = 'R' and not v.bezahlt and not v.storniert and v.vk > 0 and v.zieldatum < "
            "date('now', '-7 days') and (v.mahndatum is null or v.mahndatum <= date('now', '-14 "
            "days')) order by v.zieldatum, v.id",
            -1, &list, nullptr);
        sqlite3_prepare_v2(
            db,
            "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieltage, zieldatum, anschrift, "
            "Kopftext, Waehrung, ek, vk, mwst, Rundung, Steuerfall, bezug, mahnstufe) values ('M', ?, "
            "?, date('now'), 14, date('now', '+14 days'), ?, 'Sehr geehrte Damen und Herren', '€', "
            "0, ?, 0, 1, 'S', ?, 2)",
            -1, &doc, nullptr);
        sqlite3_prepare_v2(
            db,
            "insert into Vorgang2 (vorgangID, Pos, Artikel, Titel, Bezeichnung, anzahl, Preis, EK, "
            "MwstSatz, MwstKat) values (?, ?, ?, ?, ?, 1, ?, 0, 0, 'O')",
            -1, &pos, nullptr);
        sqlite3_prepare_v2(db, "update Vorgang1 set mahnstufe = 2, mahndatum = date('now') where id = ?", -1,
                           &inv, nullptr);
        made = 0;
        while (sqlite3_step(list) == SQLITE_ROW) {
            const sqlite3_int64 id = sqlite3_column_int64(list, 0);
            const double gross = sqlite3_column_double(list, 5) + sqlite3_column_double(list, 6);
            sqlite3_bind_text(doc, 1, QByteArray::number(20000 + made).constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(doc, 2, sqlite3_column_int64(list, 2));
            sqlite3_bind_text(doc, 3, reinterpret_cast<const char *>(sqlite3_column_text(list, 8)), -1,
                              SQLITE_TRANSIENT);
            sqlite3_bind_double(doc, 4, gross + 5);
            sqlite3_bind_int64(doc, 5, id);
            sqlite3_step(doc);
            sqlite3_reset(doc);
            const sqlite3_int64 docId = sqlite3_last_insert_rowid(db);
            const struct
            {
                const char *item, *title;
                double amount;
            } rows[] = {{"Rechnung", "Rechnung", gross},
                        {"Mahngebühr", "Mahngebühr", 5},
                        {"Verzugszinsen", "Verzugszinsen", 1}};
            int nr = 0;
            for (const auto &r : rows) {
                sqlite3_bind_int64(pos, 1, docId);
                sqlite3_bind_int(pos, 2, ++nr);
                sqlite3_bind_text(pos, 3, r.item, -1, SQLITE_STATIC);
                sqlite3_bind_text(pos, 4, r.title, -1, SQLITE_STATIC);
                sqlite3_bind_text(pos, 5, r.title, -1, SQLITE_STATIC);
                sqlite3_bind_double(pos, 6, r.amount);
                sqlite3_step(pos);
                sqlite3_reset(pos);
            }
            sqlite3_bind_int64(inv, 1, id);
            sqlite3_step(inv);
            sqlite3_reset(inv);
            ++made;
        }
        for (sqlite3_stmt *st : {list, doc, pos, inv})
            sqlite3_finalize(st);
        exec(db, "COMMIT");
        sqlite3_close(db);
    }
    state.counters["reminders"] = made;
}

} // namespace

BENCHMARK(BM_DunningRun)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DunningRun_Raw)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    // The letter texts of the program folder are not there: the built-in ones.
    ProgramFolder::setDirForTests(dir.path());
    makeDatabase();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
