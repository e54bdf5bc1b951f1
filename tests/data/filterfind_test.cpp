// SPDX-License-Identifier: GPL-3.0-or-later
// Filters, finds, ordering and seeking, with the dialect's German text rules.
#include "tests/dbfixture.h"

#include "data/textcompare.h"

namespace {

class FilterFind : public DbFixture
{
  protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        db->exec(QStringLiteral(
            "insert into Adress (KDNR, NAME1, ORT, kunde, Lieferant, KONTAKT) values "
            "(1, 'Müller', 'Köln', true, false, '2005-03-01'), (2, 'muller', 'Bonn', true, true, "
            "'2005-03-02'), "
            "(3, 'Maier', 'Aachen', false, true, NULL), (4, 'Zander', 'Essen', true, false, '2006-01-01'), "
            "(5, 'MÜLLER', 'Berlin', false, false, NULL), (6, 'Abel', 'Ulm', true, false, NULL)"));
        t = table(QStringLiteral("Adress"), QStringLiteral("Adress"));
        t->Open();
    }
    QString column(const QString &name)
    {
        QStringList out;
        for (int i = 0; i < t->RowCount(); ++i)
            out << t->FieldByName(name)->DisplayTextAt(i);
        return out.join(QLatin1Char(','));
    }
    TVexDaoTable *t = nullptr;
};

TEST_F(FilterFind, FilterAppliesWhenSwitchedOnAndCounts)
{
    t->setFilter(QStringLiteral("kunde and not (lieferant)"));
    EXPECT_EQ(t->RecordCount(), 6);
    t->setFiltered(true);
    EXPECT_EQ(column(QStringLiteral("KDNR")), QStringLiteral("1,4,6"));
    EXPECT_EQ(t->RecordCount(), 3);
    t->setFilter(QStringLiteral("lieferant = true"));
    EXPECT_EQ(column(QStringLiteral("KDNR")), QStringLiteral("2,3"));
    t->setFiltered(false);
    EXPECT_EQ(t->RecordCount(), 6);
}

TEST_F(FilterFind, TextsCompareWithoutLetterCaseIncludingUmlauts)
{
    t->setFilter(QStringLiteral("name1 = 'müller'"));
    t->setFiltered(true);
    EXPECT_EQ(column(QStringLiteral("KDNR")), QStringLiteral("1,5"))
        << "muller without umlaut is another name";
    t->setFilter(QStringLiteral("NAME1 like 'm*'"));
    EXPECT_EQ(t->RecordCount(), 4);
    t->setFilter(QStringLiteral("NAME1 like 'M?ller'"));
    EXPECT_EQ(column(QStringLiteral("KDNR")), QStringLiteral("1,2,5"));
    t->setFilter(QStringLiteral("name1 = 'M*'"));
    EXPECT_EQ(t->RecordCount(), 0) << "= compares exactly, * is no pattern there";
}

TEST_F(FilterFind, OrderPutsUmlautsBesideTheirBaseLetter)
{
    t->OrderByField(QStringLiteral("NAME1"));
    const QString order = column(QStringLiteral("NAME1"));
    EXPECT_TRUE(order.startsWith(QStringLiteral("Abel,Maier,muller,"))) << order.toStdString();
    EXPECT_TRUE(order.endsWith(QStringLiteral(",Zander"))) << order.toStdString();
    EXPECT_TRUE(t->SeekAtOrAfter(Value(QStringLiteral("mu"))));
    EXPECT_EQ(t->FieldByName(QStringLiteral("NAME1"))->AsString(), QStringLiteral("muller"));
    EXPECT_TRUE(t->SeekAtOrAfter(Value(QStringLiteral("mül"))));
    // Umlauts sort with their base letter, so the search lands at the start of the group.
    EXPECT_EQ(t->FieldByName(QStringLiteral("NAME1"))->AsString(), QStringLiteral("muller"));
    const qint64 found = t->FieldByName(QStringLiteral("KDNR"))->AsInteger();
    EXPECT_FALSE(t->SeekAtOrAfter(Value(QStringLiteral("zz"))));
    EXPECT_EQ(t->FieldByName(QStringLiteral("KDNR"))->AsInteger(), found) << "no hit leaves the row";
    t->Refresh();
    EXPECT_EQ(t->FieldByName(QStringLiteral("KDNR"))->AsInteger(), found) << "refresh keeps the row";
}

TEST_F(FilterFind, SeekFindsTheFirstRowAtOrAfterInAnyOrder)
{
    db->exec(QStringLiteral("delete from Adress"));
    db->exec(
        QStringLiteral("insert into Adress (KDNR, NAME1) values (1, 'A'), (2, 'B'), (3, 'C'), (4, 'D')"));
    t->OrderByField(QStringLiteral("NAME1"));
    // Edited and new rows stay where they are until the next read: [A, B, 0, D, E, Aa].
    t->MoveTo(2);
    t->Edit();
    t->FieldByName(QStringLiteral("NAME1"))->SetAsString(QStringLiteral("0"));
    t->Post();
    for (const char *name : {"E", "Aa"}) {
        t->Insert();
        t->FieldByName(QStringLiteral("NAME1"))->SetAsString(QString::fromUtf8(name));
        t->Post();
    }
    ASSERT_EQ(column(QStringLiteral("NAME1")), QStringLiteral("A,B,0,D,E,Aa"));
    const struct
    {
        const char *wanted;
        int row;
    } seeks[] = {{"B", 1}, {"b", 1}, {"Ab", 1}, {"C", 3}, {"0", 0}, {"E", 4}, {"Aa", 1}};
    for (const auto &s : seeks) {
        t->First();
        EXPECT_TRUE(t->SeekAtOrAfter(Value(QString::fromUtf8(s.wanted)))) << s.wanted;
        EXPECT_EQ(t->RecNo(), s.row) << s.wanted;
    }
    t->MoveTo(5);
    EXPECT_FALSE(t->SeekAtOrAfter(Value(QStringLiteral("F"))));
    EXPECT_EQ(t->RecNo(), 5);
}

TEST_F(FilterFind, DatesInFiltersAsLiteralsAndGermanTexts)
{
    t->setFilter(QStringLiteral("kontakt >= #03/02/2005# and kontakt <= '31.12.2005'"));
    t->setFiltered(true);
    EXPECT_EQ(column(QStringLiteral("KDNR")), QStringLiteral("2"));
    EXPECT_EQ(column(QStringLiteral("KONTAKT")), QStringLiteral("02.03.2005"));
}

TEST_F(FilterFind, FindFirstUsesFilterTextWithoutFiltering)
{
    t->setFilter(QStringLiteral("KDNR = 5"));
    EXPECT_TRUE(t->FindFirst());
    EXPECT_EQ(t->FieldByName(QStringLiteral("NAME1"))->AsString(), QStringLiteral("MÜLLER"));
    EXPECT_EQ(t->RecordCount(), 6);
    t->setFilter(QStringLiteral("KDNR = 77"));
    EXPECT_FALSE(t->FindFirst());
    EXPECT_EQ(t->FieldByName(QStringLiteral("KDNR"))->AsInteger(), 5);
    t->setFilter(QStringLiteral("name1 = 'maier' and not kunde"));
    EXPECT_TRUE(t->FindFirst());
    EXPECT_EQ(t->FieldByName(QStringLiteral("KDNR"))->AsInteger(), 3);
}

// "like" on a number column matches the number's text as the program shows
// it (decimal comma, no ".0"): in the database's filter and in a find alike.
TEST_F(FilterFind, LikeOnANumberIsOneRuleInTheFilterAndInAFind)
{
    db->exec(QStringLiteral("insert into Artikel (\"art-nr\", VK) values ('A1', 12.5), ('A2', 100), "
                            "('A3', 3.25), ('A4', 1200), ('A5', -0.5)"));
    TVexDaoTable *a = table(QStringLiteral("Artikel"), QStringLiteral("Artikel"));
    a->OrderByField(QStringLiteral("Art-Nr"));
    a->Open();
    const struct
    {
        const char *filter, *expected;
    } cases[] = {{"VK like '12*'", "A1,A4"}, {"VK like '*,5'", "A1,A5"}, {"VK like '100'", "A2"},
                 {"VK like '*.*'", ""},      {"VK like '3,25'", "A3"},   {"VK not like '*,*'", "A2,A4"}};
    for (const auto &c : cases) {
        a->setFilter(QString::fromUtf8(c.filter));
        a->setFiltered(true);
        QStringList filtered;
        for (int i = 0; i < a->RowCount(); ++i)
            filtered << a->FieldByName(QStringLiteral("Art-Nr"))->valueAt(i).rawText();
        EXPECT_EQ(filtered.join(QLatin1Char(',')), QString::fromUtf8(c.expected)) << c.filter;
        a->setFiltered(false);
        a->Last();
        const bool found = a->FindFirst();
        EXPECT_EQ(found, !filtered.isEmpty()) << c.filter;
        if (found) {
            EXPECT_EQ(a->FieldByName(QStringLiteral("Art-Nr"))->AsString(), filtered.first()) << c.filter;
        }
    }
}

TEST_F(FilterFind, LocateWithCaseAndPrefixOptions)
{
    EXPECT_TRUE(t->Locate(QStringLiteral("NAME1"), Value(QStringLiteral("zan")),
                          TVexDaoTable::LoCaseInsensitive | TVexDaoTable::LoPartialKey));
    EXPECT_EQ(t->FieldByName(QStringLiteral("KDNR"))->AsInteger(), 4);
    EXPECT_FALSE(
        t->Locate(QStringLiteral("NAME1"), Value(QStringLiteral("zan")), TVexDaoTable::LoPartialKey));
    EXPECT_TRUE(
        t->Locate(QStringLiteral("NAME1"), Value(QStringLiteral("müller")), TVexDaoTable::LoCaseInsensitive));
    EXPECT_EQ(t->FieldByName(QStringLiteral("KDNR"))->AsInteger(), 1);
    EXPECT_TRUE(t->Locate(QStringLiteral("KDNR"), Value(QStringLiteral("6")), 0));
    EXPECT_EQ(t->FieldByName(QStringLiteral("NAME1"))->AsString(), QStringLiteral("Abel"));
}

TEST_F(FilterFind, RejectedFilterLeavesRowsAndNamesTheText)
{
    t->setFiltered(true);
    const QString msg = ERROR_OF(t->setFilter(QStringLiteral("kdnr=1\n; drop table adress")));
    EXPECT_TRUE(msg.contains(QStringLiteral("kdnr=1 ; drop table adress"))) << msg.toStdString();
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from adress")).rawInt(), 6);
    EXPECT_TRUE(
        ERROR_OF(t->setFilter(QStringLiteral("gibtsnicht = 1"))).contains(QStringLiteral("gibtsnicht")));
    EXPECT_TRUE(ERROR_OF(t->setFilter(QStringLiteral("name1 = 'offen")))
                    .contains(QStringLiteral("Anführungszeichen")));
    EXPECT_TRUE(
        ERROR_OF(t->setFilter(QStringLiteral("kdnr = 'abc'"))).contains(QStringLiteral("unverträglich")));
}

TEST_F(FilterFind, RejectedFilterDoesNotStaySet)
{
    t->setFilter(QStringLiteral("kunde"));
    t->setFiltered(true);
    EXPECT_FALSE(ERROR_OF(t->setFilter(QStringLiteral("gibtsnicht = 1"))).isEmpty());
    EXPECT_EQ(t->Filter(), QStringLiteral("kunde"));
    EXPECT_NO_THROW(t->Refresh()) << "later reads do not fail on the rejected text";
    EXPECT_EQ(column(QStringLiteral("KDNR")), QStringLiteral("1,2,4,6"));

    t->setFiltered(false);
    t->setFilter(QStringLiteral("kdnr = 'abc'")); // not read while filtering is off
    EXPECT_FALSE(ERROR_OF(t->setFiltered(true)).isEmpty());
    EXPECT_FALSE(t->Filtered());
    EXPECT_NO_THROW(t->Refresh());
    EXPECT_EQ(t->RecordCount(), 6);
}

TEST_F(FilterFind, JoinedSelectWithAliasesFiltersAndOrdersByResultNames)
{
    db->exec(QStringLiteral("insert into Vorgang1 (vorgangnr, typ, kdnr, datum, vk) values "
                            "('10005', 'R', 1, '2005-01-02', 10), ('9999', 'R', 4, '2005-01-02', 20), "
                            "('10006', 'A', 4, '2005-01-03', 30), ('10007', 'R', 99, '2005-01-04', 40)"));
    auto *q = query(QStringLiteral("SELECT Vorgang1.id, Vorgang1.kdnr, Vorgang1.Datum, Vorgang1.vorgangnr, "
                                   "Adress.NAME1 AS Kunde FROM Vorgang1 INNER JOIN Adress ON Vorgang1.kdnr = "
                                   "Adress.KDNR order by datum desc,vorgangnr desc,kunde"));
    q->Open();
    EXPECT_EQ(q->RecordCount(), 3) << "a document without address is not listed";
    EXPECT_EQ(q->FieldByName(QStringLiteral("vorgangnr"))->AsString(), QStringLiteral("10006"));
    q->Next();
    EXPECT_EQ(q->FieldByName(QStringLiteral("vorgangnr"))->AsString(), QStringLiteral("9999"))
        << "text order";
    q->setFilter(QStringLiteral("vorgangnr = 10005"));
    q->setFiltered(true);
    EXPECT_EQ(q->RecordCount(), 1);
    EXPECT_EQ(q->FieldByName(QStringLiteral("Kunde"))->AsString(), QStringLiteral("Müller"));
    q->setFilter(QStringLiteral("kdnr =4 and datum >= #01/01/1999# and datum <=#12/31/2100#"));
    EXPECT_EQ(q->RecordCount(), 2);
    q->setFilter(QStringLiteral("Kunde like 'zan*'"));
    EXPECT_EQ(q->RecordCount(), 2);
}

TEST_F(FilterFind, ColumnNamesInAnyLetterCase)
{
    db->exec(QStringLiteral("insert into Vorgang1 (vorgangnr, typ) values ('1', 'R')"));
    auto *q = query(QStringLiteral("select VORGANGNR, Typ from VORGANG1 where vorgangNR = '1'"));
    q->Open();
    EXPECT_EQ(q->FieldByName(QStringLiteral("VorgangNR"))->AsString(), QStringLiteral("1"));
    auto *a = query(QStringLiteral("select [Art-Nr] from artikel order by [art-nr]"));
    EXPECT_NO_THROW(a->Open());
}

} // namespace
