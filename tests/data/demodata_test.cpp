// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/apperror.h"
#include "base/textfiles.h"
#include "data/demodata.h"
#include "data/schema.h"
#include "data/tax.h"
#include "tests/testdb.h"

#include <QSet>
#include <cmath>
#include <gtest/gtest.h>

namespace {

qint64 count(TestDb &db, const QString &sql)
{
    return db.scalar(sql).rawInt();
}

// Every table row by row, as text: two equal dumps mean equal content.
QString dump(Engine &engine)
{
    QString out;
    for (const Schema::TableDef &t : Schema::tables()) {
        auto st = engine.prepare(QStringLiteral("SELECT * FROM %1 ORDER BY %2")
                                     .arg(engine.quote(t.name), engine.rowIdColumn(t.name)));
        out += t.name + u'\n';
        while (st->step()) {
            for (int i = 0; i < st->columnCount(); ++i) {
                const Value v = st->columnDynamic(i);
                switch (v.kind()) {
                case Value::Double:
                    out += QString::number(v.rawDouble(), 'g', 17);
                    break;
                case Value::Int:
                    out += QString::number(v.rawInt());
                    break;
                case Value::Text:
                    out += u'"' + v.rawText() + u'"';
                    break;
                case Value::Bytes:
                    out += QString::fromLatin1(v.rawBytes().toHex());
                    break;
                default:
                    out += QStringLiteral("NULL");
                }
                out += u'|';
            }
            out += u'\n';
        }
    }
    return out;
}

// The document module's purchase sum: ten-thousandths, each product rounded half to even.
qint64 moneySum(Engine &engine, qint64 id, const char *column)
{
    auto st =
        engine.prepare(QStringLiteral("SELECT %1, anzahl FROM Vorgang2 WHERE vorgangID = ? ORDER BY Pos")
                           .arg(QLatin1String(column)));
    st->bind(1, Value(id));
    qint64 sum = 0;
    while (st->step())
        sum = qint64(std::nearbyint(
            st->columnDynamic(0).toDouble() * st->columnDynamic(1).toDouble() * 10000.0 + double(sum)));
    return sum;
}

// Its sales totals: each line to the cent, the VAT of each rate's sum.
Tax::Totals salesTotals(Engine &engine, qint64 id)
{
    auto st = engine.prepare(QStringLiteral(
        "SELECT Preis, anzahl, MwstSatz, MwstKat FROM Vorgang2 WHERE vorgangID = ? ORDER BY Pos"));
    st->bind(1, Value(id));
    Tax::Totals totals;
    while (st->step())
        totals.add(st->columnDynamic(1).toDouble(), st->columnDynamic(0).toDouble(),
                   st->columnDynamic(2).toDouble(), st->columnDynamic(3).rawText());
    return totals;
}

void expectTotalsMatchPositions(Engine &engine)
{
    auto docs = engine.prepare(QStringLiteral("SELECT id, ek, vk, storniert, vorgangnr, mwst FROM Vorgang1"));
    while (docs->step()) {
        const qint64 id = docs->columnDynamic(0).rawInt();
        const bool cancelled = docs->columnDynamic(3).rawInt() != 0;
        const qint64 ek = qint64(std::llround(docs->columnDynamic(1).toDouble() * 10000.0));
        const qint64 vk = qint64(std::llround(docs->columnDynamic(2).toDouble() * 10000.0));
        const qint64 mwst = qint64(std::llround(docs->columnDynamic(5).toDouble() * 10000.0));
        const auto nr = docs->columnDynamic(4).rawText().toStdString();
        const Tax::Totals sales = salesTotals(engine, id);
        EXPECT_EQ(ek, cancelled ? 0 : moneySum(engine, id, "EK")) << nr;
        EXPECT_EQ(vk, cancelled ? 0 : sales.net()) << nr;
        EXPECT_EQ(mwst, cancelled ? 0 : sales.vat()) << nr;
    }
}

} // namespace

TEST(DemoData, SmallFirmHasEveryKindOfRecord)
{
    TestDb db(true);
    EXPECT_GE(count(db, QStringLiteral("select count(*) from Adress")), 20);
    EXPECT_LE(count(db, QStringLiteral("select count(*) from Adress")), 35);
    EXPECT_GE(count(db, QStringLiteral("select count(*) from Artikel")), 35);
    EXPECT_GE(count(db, QStringLiteral("select count(*) from Vorgang1")), 50);
    EXPECT_LE(count(db, QStringLiteral("select count(*) from Vorgang1")), 80);
    EXPECT_GT(count(db, QStringLiteral("select count(*) from Personen")), 5);
    EXPECT_GT(
        count(db, QStringLiteral("select count(*) from Adress where Lieferant = true and kunde = true")), 0);
    EXPECT_GT(
        count(db, QStringLiteral("select count(*) from Adress where Lieferant = true and kunde = false")), 0);
    EXPECT_GT(count(db, QStringLiteral("select count(*) from Adress where KontoNr is not null")), 3);
    for (const char *typ : {"A", "B", "L", "R", "V", "G"})
        EXPECT_GT(
            count(db,
                  QStringLiteral("select count(*) from Vorgang1 where typ = '%1'").arg(QLatin1String(typ))),
            0)
            << typ;
    for (const char *period : {"Q", "H", "J"})
        EXPECT_GE(
            count(db, QStringLiteral("select count(*) from Vorgang1 where typ = 'V' and VertragT = '%1'")
                          .arg(QLatin1String(period))),
            1)
            << period;
    EXPECT_GE(count(db, QStringLiteral("select count(*) from Vorgang1 where typ = 'V' and VertragT = 'M'")),
              2);
    EXPECT_EQ(
        count(db, QStringLiteral("select count(*) from Vorgang1 where typ <> 'V' and VertragT is not null")),
        0);
    // Invoices in every state.
    EXPECT_GT(
        count(
            db,
            QStringLiteral(
                "select count(*) from Vorgang1 where typ='R' and bezahlt=true and bezahltdatum is not null")),
        0);
    EXPECT_GT(
        count(db, QStringLiteral(
                      "select count(*) from Vorgang1 where typ='R' and bezahlt=false and storniert=false")),
        0);
    EXPECT_GT(count(db, QStringLiteral("select count(*) from Vorgang1 where typ='R' and storniert=true")), 0);
    EXPECT_EQ(
        count(db, QStringLiteral("select count(*) from Vorgang1 where storniert=true and (ek<>0 or vk<>0)")),
        0);
    EXPECT_EQ(
        count(db, QStringLiteral("select count(*) from Vorgang1 where storniert=true and bezahlt=true")), 0);
    // Contract texts carry the placeholders that periodic invoicing fills.
    EXPECT_GT(
        count(db, QStringLiteral("select count(*) from Vorgang1 where typ='V' and Kopftext like '%Monat%'")),
        0);
    EXPECT_GT(count(db, QStringLiteral(
                            "select count(*) from Vorgang1 where typ='V' and Fusstext like '%KONTONR%'")),
              0);
}

TEST(DemoData, DocumentsFollowTheProgramsRules)
{
    TestDb db(true);
    Engine &e = db.raw();
    expectTotalsMatchPositions(e);
    // Numbers count up per type from the start number, in date order.
    const QList<std::pair<const char *, int>> starts = {{"A", 5000},  {"B", 1000},  {"G", 4000},
                                                        {"L", 10000}, {"R", 10000}, {"V", 30000}};
    for (const auto &[typ, start] : starts) {
        auto st =
            e.prepare(QStringLiteral("select vorgangnr from Vorgang1 where typ = ? order by datum, id"));
        st->bind(1, Value(QString::fromLatin1(typ)));
        int expected = start;
        while (st->step())
            EXPECT_EQ(st->columnDynamic(0).rawText(), QString::number(expected++)) << typ;
    }
    // Positions numbered 1..n, every document has some and belongs to an address.
    EXPECT_EQ(count(db, QStringLiteral("select count(*) from Vorgang1 v where not exists "
                                       "(select 1 from Vorgang2 p where p.vorgangID = v.id)")),
              0);
    EXPECT_EQ(count(db, QStringLiteral(
                            "select count(*) from (select vorgangID, count(*) n, min(Pos) lo, max(Pos) hi "
                            "from Vorgang2 group by vorgangID) g where lo <> 1 or hi <> n")),
              0);
    EXPECT_EQ(count(db, QStringLiteral("select count(*) from Vorgang1 v where not exists "
                                       "(select 1 from Adress a where a.KDNR = v.kdnr)")),
              0);
    EXPECT_EQ(count(db, QStringLiteral("select count(*) from Personen p where not exists "
                                       "(select 1 from Adress a where a.KDNR = p.FIRMAID)")),
              0);
    // Due date = date + payment days; dates stored as ISO text within the sample years.
    if (!db.isServer()) {
        EXPECT_EQ(count(db, QStringLiteral("select count(*) from Vorgang1 where zieldatum <> "
                                           "date(datum, '+' || zieltage || ' days')")),
                  0);
    } else {
        EXPECT_EQ(count(db, QStringLiteral("select count(*) from Vorgang1 where zieldatum <> "
                                           "datum + zieltage * interval '1 day'")),
                  0);
    }
    EXPECT_EQ(
        count(db, QStringLiteral(
                      "select count(*) from Vorgang1 where datum < '2019-01-01' or datum > '2026-12-31' "
                      "or datum <> %1")
                      .arg(db.isServer() ? QStringLiteral("date_trunc('day', datum)")
                                         : QStringLiteral("substr(datum, 1, 10)"))),
        0);
    EXPECT_EQ(count(db, QStringLiteral("select count(*) from Vorgang1 where Waehrung <> '€'")), 0);
    // A text that names a direct debit goes with that payment means, and only then.
    EXPECT_EQ(
        count(db, QStringLiteral("select count(*) from Vorgang1 where (Fusstext like '%Lastschrift%') <> "
                                 "(coalesce(Zahlungsart, 58) = 59)")),
        0);
    EXPECT_GT(count(db, QStringLiteral("select count(*) from Vorgang1 where Zahlungsart = 59")), 0);
    EXPECT_EQ(count(db, QStringLiteral("select count(*) from Artikel where Waehrung <> '€'")), 0);
    EXPECT_EQ(count(db, QStringLiteral(
                            "select count(*) from Adress where ID <> KDNR or TYP <> 1 or ANGELEGT is null "
                            "or GEAENDERT < ANGELEGT")),
              0);
    EXPECT_EQ(count(db, QStringLiteral("select cast(max(KDNR) as integer) from Adress")),
              count(db, QStringLiteral("select count(*) from Adress")));
    EXPECT_GT(
        count(db, QStringLiteral("select count(*) from Adress where NAME1 like '%ü%' or NAME1 like '%ß%'")),
        0);
}

TEST(DemoData, TextsFitTheirColumnsAndUnitsComeFromTheUnitList)
{
    TestDb db(true);
    Engine &e = db.raw();
    for (const Schema::TableDef &t : Schema::tables()) {
        for (const ColumnInfo &c : t.columns) {
            if (c.type != FieldType::Text) continue;
            auto st = e.prepare(QStringLiteral("select %1 from %2 where %1 is not null")
                                    .arg(e.quote(c.name), e.quote(t.name)));
            while (st->step()) {
                const QString v = st->columnDynamic(0).rawText();
                EXPECT_LE(v.size(), c.size)
                    << t.name.toStdString() << "." << c.name.toStdString() << ": " << v.toStdString();
            }
        }
    }
    const QStringList units = TextFiles::loadLines(QStringLiteral(TAVIREL_PROGRAM_DIR "/einheit.txt"));
    auto st = e.prepare(QStringLiteral("select Einheit from Artikel union select einheit from Vorgang2"));
    while (st->step())
        EXPECT_TRUE(units.contains(st->columnDynamic(0).rawText()))
            << st->columnDynamic(0).rawText().toStdString();
}

TEST(DemoData, DocumentListSelectRunsOnTheSample)
{
    TestDb db(true);
    const QString sql = TextFiles::loadLines(QStringLiteral(TAVIREL_PROGRAM_DIR "/vliste.sql")).join(u'\n');
    auto st = db.raw().prepare(sql);
    EXPECT_EQ(st->columnCount(), 16)
        << "the fourteen columns the list binds, the VAT and what a received invoice leaves to pay";
    qint64 rows = 0;
    while (st->step())
        ++rows;
    EXPECT_EQ(rows, count(db, QStringLiteral("select count(*) from Vorgang1")));
}

TEST(DemoData, SameContentEveryTime)
{
    TestDb a(true), b(true);
    const QString first = dump(a.raw());
    EXPECT_GT(first.size(), 10000);
    EXPECT_EQ(first, dump(b.raw()));
}

TEST(DemoData, RefusesAFilledDatabase)
{
    TestDb db(true);
    const QString before = dump(db.raw());
    EXPECT_THROW(DemoData::fill(db.raw()), AppError);
    EXPECT_THROW(DemoData::fillLarge(db.raw(), 10, 10, 1), AppError);
    EXPECT_EQ(dump(db.raw()), before);
}

TEST(DemoDataLarge, ShapeAndDeterminism)
{
    TestDb a, b;
    DemoData::fillLarge(a.raw(), 200, 1000, 3);
    DemoData::fillLarge(b.raw(), 200, 1000, 3);
    EXPECT_EQ(count(a, QStringLiteral("select count(*) from Adress")), 200);
    EXPECT_EQ(count(a, QStringLiteral("select count(*) from Vorgang1")), 1000);
    EXPECT_EQ(count(a, QStringLiteral("select count(*) from Vorgang2")), 3000);
    for (const char *typ : {"A", "B", "L", "R", "V", "G"})
        EXPECT_GT(
            count(a,
                  QStringLiteral("select count(*) from Vorgang1 where typ = '%1'").arg(QLatin1String(typ))),
            0);
    for (const char *period : {"M", "Q", "H", "J"})
        EXPECT_GT(count(a, QStringLiteral("select count(*) from Vorgang1 where VertragT = '%1'")
                               .arg(QLatin1String(period))),
                  0);
    EXPECT_EQ(count(a, QStringLiteral("select count(*) from Vorgang1 v join Adress s on s.KDNR = v.kdnr "
                                      "where v.typ = 'B' and s.Lieferant = false")),
              0);
    expectTotalsMatchPositions(a.raw());
    EXPECT_EQ(dump(a.raw()), dump(b.raw()));
    EXPECT_THROW(DemoData::fillLarge(b.raw(), -1, 0, 0), AppError);
}
