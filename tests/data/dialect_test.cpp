// The dialect: what it accepts, what it refuses, and that a condition means
// the same in the database as in memory.
#include "data/sqldialect.h"
#include "tests/dbfixture.h"

namespace {

TEST(Dialect, ParsesTheFormsTheProgramWrites)
{
    const char *const selects[] = {
        "select * from vtyp order by Typbez",
        "Select ID,kdnr from Adress order by kdnr desc",
        "SELECT Vorgang1.id, Adress.NAME1 AS Kunde FROM Vorgang1 INNER JOIN Adress ON Vorgang1.kdnr = Adress.KDNR",
        "select kontonr,kontoinhaber from adress where kdnr = 12",
        "select top 1 typ, val(Vorgangnr) as n from Vorgang1 where typ='R' order by val(Vorgangnr) desc",
        "select [Art-Nr], Beschreibung from artikel where [art-nr] like \"A*\"",
    };
    for (const char *s : selects)
        EXPECT_NO_THROW(Sql::parseSelect(QString::fromUtf8(s))) << s;
    const char *const conditions[] = {
        "not (bezahlt) and not (storniert) and Typ = 'R'",
        "(bezahlt) and Typ = 'R'",
        "Typ = 'R' and kdnr =1005 and datum >= #01/01/1999# and datum <=#12/31/2100#",
        "lieferant = true",
        "id = 5",
        "name1 <> 'it''s' or ort is not null",
        "kdnr = -3 or vk < 2.5",
    };
    for (const char *c : conditions)
        EXPECT_NO_THROW(Sql::parseCondition(QString::fromUtf8(c))) << c;
}

TEST(Dialect, RefusesTextOutsideItAndNamesTheText)
{
    const char *const bad[] = {
        "kdnr=1\n; drop table adress", "name1 = 'offen", "kdnr = 1 kdnr", "kdnr = ", "kdnr == 1",
        "datum = #13/45/2005#", "name1 like 5", "", "(kdnr = 1", "kdnr in (1,2)",
    };
    for (const char *b : bad) {
        const QString text = QString::fromUtf8(b);
        const QString msg = ERROR_OF(Sql::parseCondition(text));
        EXPECT_FALSE(msg.isEmpty()) << b;
        if (!text.simplified().isEmpty()) {
            EXPECT_TRUE(msg.contains(text.simplified().left(6))) << msg.toStdString();
        }
    }
    EXPECT_FALSE(ERROR_OF(Sql::parseSelect(QStringLiteral("select * from adress; delete from adress"))).isEmpty());
    EXPECT_FALSE(ERROR_OF(Sql::parseSelect(QStringLiteral("select * from adress union select * from personen"))).isEmpty());
}

TEST(Dialect, LiteralsArePassedAsParameters)
{
    TestDb file;
    TVexDaoDatabase db;
    db.setDatabase(file.path());
    db.Open();
    TVexDaoTable t;
    t.setDatabase(&db);
    t.setTableName(QStringLiteral("Adress"));
    t.setFilter(QStringLiteral("name1 = 'x'' or 1=1 --' and ort like 'K*'"));
    t.setFiltered(true);
    t.Open();
    EXPECT_FALSE(t.lastQuerySql().contains(QStringLiteral("or 1=1")));
    EXPECT_FALSE(t.lastQuerySql().contains(QStringLiteral("K*")));
}

// Every condition must select the same rows in the database as in memory.
class DialectAgreement : public DbFixture
{
};

TEST_F(DialectAgreement, DatabaseAndMemoryAgree)
{
    db->exec(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, bezahlt, storniert, vk, VertragT, Waehrung, anschrift) values "
        "('R', '10005', 1, '2005-01-02', 1, 0, 10.5, NULL, '€', 'Müller'),"
        "('r', '9999', 2, '2005-03-31', 0, 0, 0, NULL, 'DM', 'müller'),"
        "('V', '30000', 1, '2006-12-31 10:00:00', 0, 1, 99, 'M', '€', 'MUELLER'),"
        "('A', '5000', NULL, NULL, 0, 0, NULL, 'Q', NULL, NULL),"
        "('R', 'R-17', 3, '1999-01-01', 1, 1, -2, NULL, '€', 'Straße')"));
    const char *const conditions[] = {
        "typ = 'r'", "typ <> 'R'", "vorgangnr = 10005", "vorgangnr >= '5'", "kdnr = 1", "kdnr <> 1",
        "bezahlt", "not bezahlt", "not (bezahlt) and not (storniert) and typ = 'R'", "storniert = true",
        "datum >= #03/31/2005#", "datum < '01.01.2006'", "datum <= #12/31/2006#", "vk > 0", "vk <= 10.5",
        "VertragT = 'M' or VertragT = 'Q'", "anschrift = 'MÜLLER'", "anschrift like 'm*'", "anschrift like '*ße'",
        "anschrift like 'M?ller'", "kdnr is null", "datum is not null and not (vk < 0)", "Waehrung = '€'",
        "val(vorgangnr) > 9999",
    };
    auto *t = table(QStringLiteral("Vorgang1"));
    t->Open();
    for (const char *c : conditions) {
        const QString cond = QString::fromUtf8(c);
        QSet<qint64> inMemory;
        t->setFiltered(false);
        t->setFilter(cond);
        for (int i = 0; i < t->RowCount(); ++i) {
            t->MoveTo(i);
            t->setFilter(QStringLiteral("id = %1 and (%2)").arg(t->FieldByName(QStringLiteral("id"))->AsInteger()).arg(cond));
            if (t->FindFirst())
                inMemory.insert(t->FieldByName(QStringLiteral("id"))->AsInteger());
        }
        t->setFilter(cond);
        t->setFiltered(true);
        QSet<qint64> stored;
        for (int i = 0; i < t->RowCount(); ++i)
            stored.insert(t->FieldByName(QStringLiteral("id"))->valueAt(i).rawInt());
        EXPECT_EQ(stored, inMemory) << c;
    }
}

} // namespace
