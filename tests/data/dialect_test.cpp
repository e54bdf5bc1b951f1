// SPDX-License-Identifier: GPL-3.0-or-later
// The dialect: what it accepts, what it refuses, and that a condition means
// the same in the database as in memory.
#include "data/sqldialect.h"
#include "data/tdatasource.h"
#include "data/textcompare.h"
#include "tests/dbfixture.h"

namespace {

TEST(Dialect, ParsesTheFormsTheProgramWrites)
{
    const char *const selects[] = {
        "select * from vtyp order by Typbez",
        "Select ID,kdnr from Adress order by kdnr desc",
        "SELECT Vorgang1.id, Adress.NAME1 AS Kunde FROM Vorgang1 INNER JOIN Adress ON Vorgang1.kdnr = "
        "Adress.KDNR",
        "SELECT Vorgang1.id FROM Vorgang1 LEFT OUTER JOIN Adress ON Vorgang1.kdnr = Adress.KDNR",
        "select kontonr,kontoinhaber from adress where kdnr = 12",
        "select top 1 typ, val(Vorgangnr) as n from Vorgang1 where typ='R' order by val(Vorgangnr) desc",
        "select [Art-Nr], Beschreibung from artikel where [art-nr] like \"A*\"",
        "select v.typ from vorgang1 v",
        "select count(*) from vorgang1",
        "select typ, Count(*) as n, sum(vk), min(datum), max(v.vk), avg(vk), count(kdnr) from Vorgang1 v "
        "where not storniert group by v.typ order by n desc, typ",
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
        "kdnr=1\n; drop table adress",
        "name1 = 'offen",
        "kdnr = 1 kdnr",
        "kdnr = ",
        "kdnr == 1",
        "datum = #13/45/2005#",
        "name1 like 5",
        "",
        "(kdnr = 1",
        "kdnr in (1,2)",
    };
    for (const char *b : bad) {
        const QString text = QString::fromUtf8(b);
        const QString msg = ERROR_OF(Sql::parseCondition(text));
        EXPECT_FALSE(msg.isEmpty()) << b;
        if (!text.simplified().isEmpty()) {
            EXPECT_TRUE(msg.contains(text.simplified().left(6))) << msg.toStdString();
        }
    }
    // What the dialect does not carry is named, not mistaken for a missing FROM.
    const struct
    {
        const char *select, *message;
    } refused[] = {
        {"select distinct typ from vorgang1", "DISTINCT wird nicht unterstützt"},
        {"select typ from vorgang1 group by typ having count(*) > 1", "HAVING wird nicht unterstützt"},
        {"select typ, count(*) from vorgang1", "'typ' steht weder nach GROUP BY noch in COUNT"},
        {"select typ from vorgang1 group by kdnr", "'typ' steht weder"},
        {"select kdnr from vorgang1 group by kdnr order by typ", "'typ' steht weder"},
        {"select *, count(*) from vorgang1", "'*' ist neben COUNT"},
        {"select upper(typ) from vorgang1", "die Funktion upper wird nicht unterstützt"},
        {"select vk * 2 from vorgang1", "Rechenausdrücke"},
        {"select * from vorgang1 where count(*) > 1", "COUNT ist nur in der Feldliste"},
        {"select sum(val(vorgangnr)) from vorgang1", "SUM erwartet einen Feldnamen"},
    };
    for (const auto &r : refused)
        EXPECT_TRUE(
            ERROR_OF(Sql::parseSelect(QString::fromUtf8(r.select))).contains(QString::fromUtf8(r.message)))
            << r.select;
    EXPECT_FALSE(
        ERROR_OF(Sql::parseSelect(QStringLiteral("select * from adress; delete from adress"))).isEmpty());
    EXPECT_FALSE(
        ERROR_OF(Sql::parseSelect(QStringLiteral("select * from adress union select * from personen")))
            .isEmpty());
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
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, datum, bezahlt, storniert, vk, "
                            "VertragT, Waehrung, anschrift) values "
                            "('R', '10005', 1, '2005-01-02', true, false, 10.5, NULL, '€', 'Müller'),"
                            "('r', '9999', 2, '2005-03-31', false, false, 0, NULL, 'DM', 'müller'),"
                            "('V', '30000', 1, '2006-12-31 10:00:00', false, true, 99, 'M', '€', 'MUELLER'),"
                            "('A', '5000', NULL, NULL, false, false, NULL, 'Q', NULL, NULL),"
                            "('R', 'R-17', 3, '1999-01-01', true, true, -2, NULL, '€', 'Straße')"));
    const char *const conditions[] = {
        "typ = 'r'",
        "typ <> 'R'",
        "vorgangnr = 10005",
        "vorgangnr >= '5'",
        "kdnr = 1",
        "kdnr <> 1",
        "bezahlt",
        "not bezahlt",
        "not (bezahlt) and not (storniert) and typ = 'R'",
        "storniert = true",
        "datum >= #03/31/2005#",
        "datum < '01.01.2006'",
        "datum <= #12/31/2006#",
        "vk > 0",
        "vk <= 10.5",
        "VertragT = 'M' or VertragT = 'Q'",
        "anschrift = 'MÜLLER'",
        "anschrift like 'm*'",
        "anschrift like '*ße'",
        "anschrift like 'M?ller'",
        "kdnr is null",
        "datum is not null and not (vk < 0)",
        "Waehrung = '€'",
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
            t->setFilter(QStringLiteral("id = %1 and (%2)")
                             .arg(t->FieldByName(QStringLiteral("id"))->AsInteger())
                             .arg(cond));
            if (t->FindFirst()) inMemory.insert(t->FieldByName(QStringLiteral("id"))->AsInteger());
        }
        t->setFilter(cond);
        t->setFiltered(true);
        QSet<qint64> stored;
        for (int i = 0; i < t->RowCount(); ++i)
            stored.insert(t->FieldByName(QStringLiteral("id"))->valueAt(i).rawInt());
        EXPECT_EQ(stored, inMemory) << c;
    }
}

TEST(Dialect, PatternTestWithStarsListsAndDigits)
{
    const struct
    {
        const char *text, *pattern;
        bool match;
    } cases[] = {
        {"Müller", "m*", true},
        {"Müller", "*LER", true},
        {"Müller", "M?ller", true},
        {"abab ab", "*ab*ab", true},
        {"abab a", "*ab*ab", false},
        {"aXbXc", "a*b*c", true},
        {"ac", "a*b*c", false},
        {"", "*", true},
        {"", "?", false},
        {"x", "", false},
        {"R-17", "R-##", true},
        {"R-1x", "R-##", false},
        {"Bonn", "[a-c]*", true},
        {"Köln", "[!a-c]*", true},
        {"Aachen", "[!a-c]*", false},
        {"[x", "[x", true},
        {"a*b", "a[*]b", true},
        {"aab", "*a?", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TextCompare::like(QString::fromUtf8(c.text), QString::fromUtf8(c.pattern)), c.match)
            << c.text << " like " << c.pattern;
    // Many stars on a text that nearly matches: no trying of every split.
    const QString name(60, QLatin1Char('a'));
    EXPECT_FALSE(TextCompare::like(name, QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*b")));
    EXPECT_TRUE(TextCompare::like(name + QLatin1Char('b'), QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*b")));
    EXPECT_FALSE(TextCompare::like(QString(20000, QLatin1Char('a')),
                                   QString(2000, QLatin1Char('*')) + QStringLiteral("b")));
}

TEST(Dialect, NestingWithoutEndIsRefusedWithAMessage)
{
    const QString parens =
        QString(30000, QLatin1Char('(')) + QStringLiteral("kdnr = 1") + QString(30000, QLatin1Char(')'));
    QString nots;
    for (int i = 0; i < 30000; ++i)
        nots += QStringLiteral("not (");
    nots += QStringLiteral("bezahlt") + QString(30000, QLatin1Char(')'));
    QString vals;
    for (int i = 0; i < 30000; ++i)
        vals += QStringLiteral("val(");
    for (const QString &text : {parens, nots, vals}) {
        const QString msg = ERROR_OF(Sql::parseCondition(text));
        EXPECT_TRUE(msg.contains(QStringLiteral("zu tief verschachtelt"))) << msg.left(300).toStdString();
        EXPECT_LT(msg.size(), 400) << "the message quotes only the beginning of the text";
        const QString select = QStringLiteral("select * from adress where ") + text;
        EXPECT_FALSE(ERROR_OF(Sql::parseSelect(select)).isEmpty());
    }
    // A plain run of nots needs no nesting: two of them cancel out.
    QString run;
    for (int i = 0; i < 30001; ++i)
        run += QStringLiteral("not ");
    EXPECT_NO_THROW(Sql::parseCondition(run + QStringLiteral("bezahlt")));
}

// Texts of the given nesting, built of and, or and not in the given order,
// the innermost part last so that nothing can be closed before the end.
QString nested(const QString &order, int depth)
{
    QString text = QStringLiteral("FIRMAID = 1");
    for (int i = 0; i < depth; ++i) {
        switch (order.at(i % order.size()).unicode()) {
        case 'A':
            text = QStringLiteral("NAME = 'a' and (%1)").arg(text);
            break;
        case 'O':
            text = QStringLiteral("NAME like 'b*' or (%1)").arg(text);
            break;
        default:
            text = QStringLiteral("not (%1)").arg(text);
            break;
        }
    }
    return text;
}

class DialectInTheDatabase : public DbFixture
{
  protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        db->exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (1, 'a'), (2, 'b')"));
        db->exec(QStringLiteral("insert into Personen (FIRMAID, NAME) values (1, 'x'), (1, 'y'), (2, 'z')"));
    }
};

TEST_F(DialectInTheDatabase, DeepestAllowedNestingRunsInTheEngine)
{
    // As deep as allowed, in every order, inside a select with its own
    // condition and under a master restriction: the engine takes it all.
    auto *master = table(QStringLiteral("Adress"));
    TDataSource source(nullptr, master);
    auto *detail = query(QStringLiteral("select * from Personen where (NAME <> 'q' or not (FUNKTION is "
                                        "null)) and (NAME like '*' or NAME = 'w')"));
    detail->setMasterSource(&source);
    detail->setMasterFields({QStringLiteral("FIRMAID -> KDNR")});
    detail->setFiltered(true);
    master->Open();
    detail->Open();
    for (const char *order : {"AO", "OA", "AON", "ANO", "OAN", "ONA", "NAO", "NOA", "AN", "ON"}) {
        int deepest = 0;
        for (int depth = 1; depth < 60; ++depth) {
            const QString text = nested(QString::fromUtf8(order), depth);
            if (!ERROR_OF(Sql::parseCondition(text)).isEmpty()) break;
            deepest = depth;
            const QString msg = ERROR_OF(detail->setFilter(text));
            EXPECT_TRUE(msg.isEmpty()) << order << " " << depth << ": " << msg.toStdString();
        }
        EXPECT_GE(deepest, 20) << order;
    }
    // Of it all only the outermost not holds: every person of address 1.
    detail->setFilter(nested(QStringLiteral("AON"), 6));
    EXPECT_EQ(detail->RecordCount(), 2);
}

TEST_F(DialectInTheDatabase, LongAndOrChainsWork)
{
    auto *t = table(QStringLiteral("Personen"));
    t->Open();
    for (int terms : {1000, 4000}) {
        QStringList ors, ands;
        for (int i = 0; i < terms; ++i) {
            ors << QStringLiteral("FIRMAID = %1").arg(i + 2);
            ands << QStringLiteral("NAME <> 'n%1'").arg(i);
        }
        t->setFilter(ors.join(QStringLiteral(" or ")));
        t->setFiltered(true);
        EXPECT_EQ(t->RecordCount(), 1) << terms;
        t->setFilter(ands.join(QStringLiteral(" and ")));
        EXPECT_EQ(t->RecordCount(), 3) << terms;
        t->setFilter(QStringLiteral("NAME = 'x' and (%1)").arg(ors.join(QStringLiteral(" or "))));
        EXPECT_EQ(t->RecordCount(), 0) << terms;
        t->setFiltered(false);
        // The same chain in memory.
        t->setFilter(QStringLiteral("%1 or NAME = 'y'").arg(ors.join(QStringLiteral(" or "))));
        EXPECT_TRUE(t->FindFirst());
        EXPECT_EQ(t->FieldByName(QStringLiteral("NAME"))->AsString(), QStringLiteral("y"));
    }
    // Tens of thousands would hold the program for minutes in the engine.
    QStringList many;
    for (int i = 0; i < 5001; ++i)
        many << QStringLiteral("FIRMAID = %1").arg(i);
    const QString tooLong = many.join(QStringLiteral(" or "));
    EXPECT_TRUE(ERROR_OF(Sql::parseCondition(tooLong)).contains(QStringLiteral("zu lang")));
}

TEST_F(DialectInTheDatabase, ManyStarsInTheEngineAndInMemory)
{
    db->exec(
        QStringLiteral("update Adress set NAME1 = '%1' where KDNR = 2").arg(QString(60, QLatin1Char('a'))));
    auto *t = table(QStringLiteral("Adress"));
    t->Open();
    const QString pattern = QStringLiteral("NAME1 like '*a*a*a*a*a*a*a*a*a*a*a*b'");
    t->setFilter(pattern);
    EXPECT_FALSE(t->FindFirst());
    t->setFiltered(true);
    EXPECT_EQ(t->RecordCount(), 0);
    t->setFilter(QStringLiteral("NAME1 like '*a*a*a*a*a*a*a*a*a*a*a*a'"));
    EXPECT_EQ(t->RecordCount(), 1);
}

} // namespace
