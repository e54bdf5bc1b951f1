// SPDX-License-Identifier: GPL-3.0-or-later
// Queries and statements kept between reads: a query read again with other
// numbers in its text, a detail following its master, statements handed out
// again by the engine. What is kept must never change what is read.
#include "data/engine.h"
#include "data/sqlshape.h"
#include "tests/dbfixture.h"

namespace {

class KeptQueries : public DbFixture
{
  protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        db->exec(QStringLiteral("insert into Adress (KDNR, NAME1, ORT) values (1, 'Anton', 'Kassel'), "
                                "(2, 'Berta', 'Fulda'), (3, 'Cäsar', 'Kassel'), (-4, 'Dora', 'Fulda')"));
    }
    // The names the query reads, opened afresh with the given text.
    QString read(TVexDaoTable *q, const QString &sql)
    {
        q->Close();
        q->SQL().clear();
        q->SQL() << sql;
        q->Open();
        QStringList names;
        for (q->First(); !q->Eof(); q->Next())
            names << q->FieldByName(QStringLiteral("NAME1"))->AsString();
        return names.join(QLatin1Char(','));
    }
};

TEST_F(KeptQueries, OtherNumbersInTheTextReadOtherRows)
{
    TVexDaoTable *q = query(QString());
    const QStringList byNumber{QString(), QStringLiteral("Anton"), QStringLiteral("Berta"),
                               QStringLiteral("Cäsar")};
    for (int kdnr : {1, 2, 3, 2, 99})
        EXPECT_EQ(read(q, QStringLiteral("select * from adress where kdnr = %1").arg(kdnr)),
                  byNumber.value(kdnr))
            << kdnr;
    // Two numbers, swapped; a decimal; a number in quotes; a negative number; top.
    const struct
    {
        const char *sql, *names;
    } cases[] = {
        {"select * from adress where kdnr >= 1 and kdnr <= 2 order by kdnr", "Anton,Berta"},
        {"select * from adress where kdnr >= 2 and kdnr <= 1 order by kdnr", ""},
        {"select * from adress where kdnr >= 2 and kdnr <= 3 order by kdnr", "Berta,Cäsar"},
        {"select * from adress where kdnr > 1.5 order by kdnr", "Berta,Cäsar"},
        {"select * from adress where kdnr > 2.5 order by kdnr", "Cäsar"},
        {"select * from adress where name1 = 'Anton' or kdnr = 3 order by kdnr", "Anton,Cäsar"},
        {"select * from adress where name1 = 'Berta' or kdnr = 3 order by kdnr", "Berta,Cäsar"},
        {"select * from adress where kdnr = -4", "Dora"},
        {"select * from adress where kdnr = -1", ""},
        {"select top 1 * from adress where kdnr > 0 order by kdnr", "Anton"},
        {"select top 2 * from adress where kdnr > 0 order by kdnr", "Anton,Berta"},
        {"select top 2 * from adress where kdnr > 1 order by kdnr", "Berta,Cäsar"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(read(q, QString::fromUtf8(c.sql)), QString::fromUtf8(c.names)) << c.sql;
}

TEST_F(KeptQueries, ShapeOfATextKeepsNamesQuotesAndDates)
{
    QString shape;
    QStringList numbers;
    ASSERT_TRUE(SqlShape::numbersOut(
        QStringLiteral(
            "select t0.x, [Art-Nr 2] from Fuss1 where a = 12 and b = 'x 3' and d >= #01/02/2005# or e < 2.5"),
        &shape, &numbers));
    EXPECT_EQ(numbers, (QStringList{QStringLiteral("12"), QStringLiteral("2.5")}));
    EXPECT_TRUE(shape.contains(QStringLiteral("'x 3'")) && shape.contains(QStringLiteral("#01/02/2005#")) &&
                shape.contains(QStringLiteral("[Art-Nr 2]")) && shape.contains(QStringLiteral("Fuss1")) &&
                shape.contains(QStringLiteral("t0.x")));
    EXPECT_EQ(
        SqlShape::numbersIn(shape, {QStringLiteral("7"), QStringLiteral("8.5")}),
        QStringLiteral(
            "select t0.x, [Art-Nr 2] from Fuss1 where a = 7 and b = 'x 3' and d >= #01/02/2005# or e < 8.5"));
    EXPECT_TRUE(SqlShape::numbersOut(QStringLiteral("where n = 'it''s 4'"), &shape, &numbers));
    EXPECT_TRUE(numbers.isEmpty());
    EXPECT_FALSE(SqlShape::numbersOut(QStringLiteral("where n = 1e5"), &shape, &numbers));
}

TEST_F(KeptQueries, DetailFollowsEveryMasterValue)
{
    db->exec(QStringLiteral("insert into Personen (FIRMAID, NAME) values (1, 'a1'), (2, 'b1'), (2, 'b2')"));
    TVexDaoTable *master = table(QStringLiteral("Adress"));
    master->OrderByField(QStringLiteral("KDNR"));
    TDataSource source(nullptr, master);
    TVexDaoTable *detail = table(QStringLiteral("Personen"));
    detail->setMasterSource(&source);
    detail->setMasterFields({QStringLiteral("FIRMAID -> KDNR")});
    detail->Open();
    QStringList seen;
    for (master->First(); !master->Eof(); master->Next())
        seen << QString::number(detail->RecordCount());
    EXPECT_EQ(seen.join(QLatin1Char(',')), QStringLiteral("0,1,2,0")); // -4, 1, 2, 3
}

TEST_F(KeptQueries, ReopenedConnectionReadsTheNewFile)
{
    TVexDaoTable *t = table(QStringLiteral("Adress"));
    t->Open();
    EXPECT_EQ(t->RecordCount(), 4);
    t->Edit();
    t->FieldByName(QStringLiteral("ORT"))->SetAsString(QStringLiteral("Hann. Münden"));
    t->Post();
    TestDb other;
    other.exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (7, 'Gustav')"));
    other.exec(QStringLiteral("alter table Adress add column Extra varchar(5)"));
    conn->Close();
    conn->setDatabase(other.path());
    conn->Open();
    t->Open();
    EXPECT_EQ(t->RecordCount(), 1);
    EXPECT_NE(t->FindField(QStringLiteral("Extra")), nullptr) << "the other file's columns are read";
    t->Edit();
    t->FieldByName(QStringLiteral("ORT"))->SetAsString(QStringLiteral("Kassel"));
    t->Post();
    EXPECT_EQ(other.scalar(QStringLiteral("select ORT from adress where kdnr = 7")).rawText(),
              QStringLiteral("Kassel"));
    conn->Close();
}

// The engine hands a statement out again only once the one before is done.
TEST(KeptStatements, SameTextTwiceAtOnceAndAfterClosing)
{
    SKIP_ON_SERVER("Anweisungen der SQLite-Verbindung");
    TestDb file;
    file.exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (1, 'A'), (2, 'B')"));
    auto engine = Engine::create();
    engine->open(file.path());
    const QString sql = QStringLiteral("select NAME1 from Adress where KDNR >= ? order by KDNR");
    {
        auto a = engine->prepare(sql);
        a->bind(1, Value(qint64(1)));
        ASSERT_TRUE(a->step());
        auto b = engine->prepare(sql); // while a is still reading
        b->bind(1, Value(qint64(2)));
        ASSERT_TRUE(b->step());
        EXPECT_EQ(b->columnDynamic(0).rawText(), QStringLiteral("B"));
        ASSERT_TRUE(a->step());
        EXPECT_EQ(a->columnDynamic(0).rawText(), QStringLiteral("B"));
        EXPECT_FALSE(a->step());
    }
    {
        auto again = engine->prepare(sql); // kept: no binding of the last use is left
        EXPECT_FALSE(again->step()) << "an unbound parameter is null and matches nothing";
    }
    for (int i = 0; i < 200; ++i) { // many texts once each
        auto once = engine->prepare(QStringLiteral("select %1").arg(i));
        ASSERT_TRUE(once->step());
    }
    auto kept = engine->prepare(sql);
    auto write = engine->prepare(QStringLiteral("update Adress set ORT = 'X'"));
    write->step();
    engine->close(); // statements still held go when they are dropped
    kept.reset();
    write.reset();
    engine->open(file.path());
    EXPECT_EQ(engine->prepare(QStringLiteral("select count(*) from Adress where ORT = 'X'"))->step(), true);
}

} // namespace
