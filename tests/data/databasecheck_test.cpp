// SPDX-License-Identifier: GPL-3.0-or-later
// The check of a firm's data: each kind of fault found with its rows on a
// crafted database, nothing on the demo, and the file left as it was.
#include "data/databasecheck.h"
#include "data/dates.h"
#include "tests/testdb.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

QByteArray hashOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QStringList titles(const QList<DatabaseCheck::Finding> &findings)
{
    QStringList t;
    for (const DatabaseCheck::Finding &f : findings)
        t << f.title;
    return t;
}

struct TodayScope
{
    explicit TodayScope(const QDate &day) { SetTodayForTests(day); }
    ~TodayScope() { SetTodayForTests(QDate()); }
};

} // namespace

TEST(DatabaseCheck, TheDemoIsClean)
{
    // In the demo's own time: on a later day its oldest letters need no longer be kept.
    const TodayScope demoTime(QDate(2025, 6, 30));
    TestDb db(true);
    // Received invoices: the suppliers' figures without positions, one number from two suppliers.
    db.exec(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr, kdnr, vk) values ('E', '1001', "
        "(select min(KDNR) from Adress), 123.45), ('E', '1001', (select max(KDNR) from Adress), 50)"));
    const QByteArray before = db.isServer() ? QByteArray() : hashOf(db.path());
    const QList<DatabaseCheck::Finding> findings = DatabaseCheck::runOn(db.path());
    EXPECT_TRUE(findings.isEmpty()) << DatabaseCheck::report(db.path(), findings).toStdString();
    if (!db.isServer()) {
        EXPECT_EQ(hashOf(db.path()), before) << "the check changes nothing";
    }
    EXPECT_TRUE(DatabaseCheck::report(db.path(), findings)
                    .endsWith(QStringLiteral("Keine Auffälligkeiten gefunden.\n")));
}

TEST(DatabaseCheck, FindsEachKindOfFaultWithItsRows)
{
    const TodayScope demoTime(QDate(2025, 6, 30));
    TestDb db(true);
    const qint64 withPositions = db.scalar(QStringLiteral("select min(vorgangID) from Vorgang2")).rawInt();
    const QString invoiceNumber =
        db.scalar(QStringLiteral("select max(vorgangnr) from Vorgang1 where typ = 'R'")).rawText();
    const qint64 customer = qint64(db.scalar(QStringLiteral("select min(KDNR) from Adress")).toDouble());
    db.exec(QStringLiteral(
        "insert into Vorgang2 (vorgangID, Pos, Titel, Preis, anzahl) values (987654, 1, 'Verwaist', 5, 1)"));
    db.exec(QStringLiteral("update Vorgang1 set vk = vk + 0.01, mwst = mwst - 0.01 where id = %1")
                .arg(withPositions));
    db.exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, vk) values ('R', '%1', %2, 0)")
                .arg(invoiceNumber)
                .arg(customer));
    db.exec(
        QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, vk) values ('R', '99999', 424242, 0)"));
    db.exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, vk) values ('R', '99998', 0)"));
    db.exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, vk, datum, zieldatum) "
                           "values ('A', '99997', %1, 0, '2024-03-10', '2024-03-01')")
                .arg(customer));

    // Line amounts rounded to the cent, as the program sums them now: no finding.
    db.exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, vk, mwst, Rundung) "
                           "values ('A', '99996', %1, 0.33, 0.06, 1)")
                .arg(customer));
    db.exec(QStringLiteral("insert into Vorgang2 (vorgangID, Pos, Titel, Preis, anzahl, MwstSatz, MwstKat) "
                           "values (%1, 1, 'Drittel', 1, 0.333, 19, 'S')")
                .arg(db.scalar(QStringLiteral("select max(id) from Vorgang1")).rawInt()));

    // Dunning: a reminder of no invoice, a level beyond the last, a level no reminder made.
    db.exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, vk, bezug, mahnstufe) values "
                           "('M', '29999', %1, 0, 987655, 1), ('R', '99995', %1, 0, NULL, 5), "
                           "('R', '99994', %1, 0, NULL, 2)")
                .arg(customer));

    const QList<DatabaseCheck::Finding> findings = DatabaseCheck::runOn(db.path());
    ASSERT_EQ(
        titles(findings),
        (QStringList{QStringLiteral("Positionen ohne Vorgang"),
                     QStringLiteral("Vorgänge, deren gespeicherte Summe nicht zu ihren Positionen passt"),
                     QStringLiteral("Nummern, die innerhalb einer Vorgangsart mehrfach vergeben sind"),
                     QStringLiteral("Rechnungen ohne Kunden"),
                     QStringLiteral("Fälligkeit vor dem Datum des Vorgangs"),
                     QStringLiteral("Mahnungen ohne ihre Rechnung"),
                     QStringLiteral("Mahnstufen außerhalb von 0 bis 3"),
                     QStringLiteral("Rechnungen, deren Mahnstufe keine Mahnung hat")}));
    const auto rows = [&](int i) { return findings.at(i).rows.join(QLatin1Char('\n')); };
    EXPECT_TRUE(rows(0).contains(QStringLiteral("Vorgang-ID 987654, Pos 1, „Verwaist“")))
        << rows(0).toStdString();
    ASSERT_EQ(findings.at(1).rows.size(), 2) << "the net and the VAT";
    for (const QString &row : findings.at(1).rows)
        EXPECT_TRUE(row.startsWith(QStringLiteral("Vorgang id %1 ").arg(withPositions))) << row.toStdString();
    EXPECT_TRUE(findings.at(1).rows.last().contains(QStringLiteral("gespeichert MwSt.")));
    EXPECT_EQ(findings.at(2).rows.size(), 1);
    EXPECT_TRUE(rows(2).startsWith(QStringLiteral("R %1: Vorgänge id ").arg(invoiceNumber)))
        << rows(2).toStdString();
    EXPECT_TRUE(rows(3).contains(QStringLiteral("(R 99999): Kundennummer 424242 gibt es nicht")));
    EXPECT_TRUE(rows(3).contains(QStringLiteral("(R 99998): ohne Kundennummer")));
    EXPECT_TRUE(rows(4).contains(QStringLiteral("(A 99997): Datum 10.03.2024, fällig am 01.03.2024")));
    EXPECT_TRUE(rows(5).contains(QStringLiteral("(M 29999): Rechnung id 987655 gibt es nicht")))
        << rows(5).toStdString();
    EXPECT_TRUE(rows(6).contains(QStringLiteral("(R 99995): Mahnstufe 5")));
    EXPECT_TRUE(rows(7).contains(QStringLiteral("(R 99994): Mahnstufe 2, keine Mahnung dazu")))
        << rows(7).toStdString();
    const QString report = DatabaseCheck::report(db.path(), findings);
    EXPECT_TRUE(report.endsWith(QStringLiteral("\n10 Befunde.\n"))) << report.toStdString();
}

// A damaged file is reported by SQLite's own check, whatever else can be read.
TEST(DatabaseCheck, ADamagedFileIsReported)
{
    SKIP_ON_SERVER("SQLite's check of the file");
    TestDb db(true);
    const qint64 page = db.scalar(QStringLiteral("pragma page_size")).rawInt();
    const qint64 root =
        db.scalar(
              QStringLiteral("select max(rootpage) from sqlite_master where type = 'index' and tbl_name = "
                             "'Vorgang1'"))
            .rawInt(); // an index with entries: an empty one has nothing to find damaged
    db.raw().close();
    QFile f(db.path());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek((root - 1) * page + 8));
    f.write(QByteArray(int(page) - 8, '\xff'));
    f.close();
    const QList<DatabaseCheck::Finding> findings = DatabaseCheck::runOn(db.path());
    ASSERT_FALSE(findings.isEmpty());
    EXPECT_EQ(findings.first().title,
              QStringLiteral("Die Datei ist beschädigt (Prüfung der Datenbankdatei)"));
    // Each finding in German, SQLite's words behind it; its heading is none.
    for (const QString &row : findings.first().rows) {
        EXPECT_FALSE(row.startsWith(QStringLiteral("***"))) << row.toStdString();
        EXPECT_TRUE(row.contains(QStringLiteral("(SQLite: "))) << row.toStdString();
        EXPECT_FALSE(row.startsWith(QStringLiteral("row ")) || row.startsWith(QStringLiteral("Page ")))
            << row.toStdString();
    }
}
