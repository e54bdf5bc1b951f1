// SPDX-License-Identifier: GPL-3.0-or-later
// Master/detail links: the detail follows the master's current row, fills
// its link fields on insert, and holds still while it must.
#include "tests/dbfixture.h"

#include "data/tdatasource.h"

namespace {

class MasterDetail : public DbFixture
{
  protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        db->exec(QStringLiteral(
            "insert into Adress (KDNR, NAME1) values (1, 'Erste'), (2, 'Zweite'), (3, 'Dritte')"));
        db->exec(QStringLiteral(
            "insert into Personen (FIRMAID, NAME) values (1, 'a1'), (1, 'a2'), (2, 'b1'), (9, 'x')"));
        master = table(QStringLiteral("Adress"), QStringLiteral("Adress"));
        source = std::make_unique<TDataSource>(nullptr, master);
        detail = table(QStringLiteral("Personen"), QStringLiteral("uPersonen"));
        detail->setMasterSource(source.get());
        detail->setMasterFields({QStringLiteral("FIRMAID -> KDNR")});
    }
    void TearDown() override
    {
        source.reset();
        DbFixture::TearDown();
    }
    QString names()
    {
        QStringList n;
        for (int i = 0; i < detail->RowCount(); ++i)
            n << detail->FieldByName(QStringLiteral("NAME"))->valueAt(i).rawText();
        return n.join(QLatin1Char(','));
    }

    TVexDaoTable *master = nullptr;
    TVexDaoTable *detail = nullptr;
    std::unique_ptr<TDataSource> source;
};

TEST_F(MasterDetail, OpeningDetailOpensMasterAndFollowsItsRow)
{
    detail->Open();
    EXPECT_TRUE(master->Active());
    EXPECT_EQ(names(), QStringLiteral("a1,a2"));
    master->Next();
    EXPECT_EQ(names(), QStringLiteral("b1"));
    master->Next();
    EXPECT_EQ(detail->RecordCount(), 0);
    EXPECT_TRUE(detail->Eof());
}

TEST_F(MasterDetail, InsertFillsLinkFieldBeforeAfterInsertWithoutCountingAsChange)
{
    detail->Open();
    master->Next(); // KDNR 2
    Value seen;
    detail->AfterInsert = [&](TVexDaoTable &ds) {
        seen = ds.FieldByName(QStringLiteral("FIRMAID"))->value();
    };
    detail->Insert();
    EXPECT_EQ(seen.toDouble(), 2.0);
    detail->First(); // nothing assigned: dropped
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Personen where FIRMAID = 2")).rawInt(), 1);
    detail->Insert();
    detail->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("b2"));
    detail->Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Personen where FIRMAID = 2")).rawInt(), 2);
}

TEST_F(MasterDetail, DetailHoldsStillWhileDisabledOrMasterEditing)
{
    detail->Open();
    master->DisableControls();
    master->Next();
    EXPECT_EQ(names(), QStringLiteral("a1,a2"));
    master->EnableControls();
    EXPECT_EQ(names(), QStringLiteral("b1"));

    detail->DisableControls();
    master->Next();
    EXPECT_EQ(names(), QStringLiteral("b1"));
    detail->EnableControls();
    master->Prior();
    EXPECT_EQ(names(), QStringLiteral("b1")) << "caught up at the next master move";

    master->Edit();
    master->FieldByName(QStringLiteral("NAME1"))->SetAsString(QStringLiteral("neu"));
    EXPECT_EQ(names(), QStringLiteral("b1"));
    master->Post();
    EXPECT_EQ(names(), QStringLiteral("b1"));
}

TEST_F(MasterDetail, DetailOfNoMasterRowHoldsNoRows)
{
    // An orphaned contact person must not turn up under every new or empty address.
    db->exec(QStringLiteral("insert into Personen (FIRMAID, NAME) values (NULL, 'waise')"));
    db->exec(QStringLiteral("insert into Adress (NAME1) values ('ohne Nummer')"));
    detail->Open();
    master->Last();
    EXPECT_EQ(master->FieldByName(QStringLiteral("NAME1"))->AsString(), QStringLiteral("ohne Nummer"));
    EXPECT_EQ(detail->RecordCount(), 0) << "a null link value";
    master->First();
    master->Insert();
    EXPECT_EQ(detail->RecordCount(), 0) << "master in insert state";
    master->Cancel();
    EXPECT_EQ(names(), QStringLiteral("a1,a2"));

    db->exec(QStringLiteral("delete from Adress"));
    master->Refresh();
    EXPECT_EQ(detail->RecordCount(), 0) << "master without a current row";
    EXPECT_TRUE(detail->Eof());
}

TEST_F(MasterDetail, DetailSettlesPendingRowWhenMasterMoves)
{
    detail->Open();
    detail->Edit();
    detail->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("a1neu"));
    master->Next();
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Personen where NAME = 'a1neu'")).rawInt(), 1);
}

TEST_F(MasterDetail, FilterJoinsTheRestriction)
{
    detail->setFilter(QStringLiteral("NAME = 'a2' or NAME = 'x'"));
    detail->setFiltered(true);
    detail->Open();
    EXPECT_EQ(names(), QStringLiteral("a2"));
}

} // namespace
