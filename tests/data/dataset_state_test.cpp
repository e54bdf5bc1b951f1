// SPDX-License-Identifier: GPL-3.0-or-later
// State rules and events of datasets: edit, insert, post, cancel, delete and
// what a move does to a pending row.
#include "tests/dbfixture.h"

namespace {

class DatasetState : public DbFixture
{
  protected:
    void addArticles(int n)
    {
        for (int i = 1; i <= n; ++i)
            db->exec(QStringLiteral(
                         "insert into Artikel(\"art-nr\", Beschreibung, VK) values ('A%1', 'Artikel %1', %1)")
                         .arg(i));
    }
    qint64 count(const QString &table)
    {
        return db->scalar(QStringLiteral("select count(*) from ") + table).rawInt();
    }
};

TEST_F(DatasetState, EmptyTableHasEofAndBof)
{
    auto *t = table(QStringLiteral("Artikel"));
    t->Open();
    EXPECT_TRUE(t->Eof());
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_EQ(t->FieldByName(QStringLiteral("vk"))->AsFloat(), 0.0); // empty reads as 0
}

TEST_F(DatasetState, NextPastLastSetsEof)
{
    addArticles(2);
    auto *t = table(QStringLiteral("Artikel"));
    t->Open();
    EXPECT_TRUE(t->Bof());
    EXPECT_FALSE(t->Eof());
    t->Next();
    EXPECT_EQ(t->FieldByName(QStringLiteral("Art-Nr"))->AsString(), QStringLiteral("A2"));
    EXPECT_FALSE(t->Eof());
    t->Next();
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->FieldByName(QStringLiteral("Art-Nr"))->AsString(), QStringLiteral("A2"));
    t->Prior();
    t->Prior();
    EXPECT_TRUE(t->Bof());
}

TEST_F(DatasetState, MovingAwayDropsUntouchedNewRowAndSavesAssignedOne)
{
    addArticles(1);
    auto *t = table(QStringLiteral("Artikel"));
    t->Open();
    t->Insert();
    EXPECT_EQ(t->State(), DataSetState::Insert);
    t->First();
    EXPECT_EQ(t->State(), DataSetState::Browse);
    EXPECT_EQ(count(QStringLiteral("Artikel")), 1);
    EXPECT_EQ(t->RecordCount(), 1);

    t->Insert();
    t->FieldByName(QStringLiteral("Beschreibung"))->SetAsString(QStringLiteral("neu"));
    t->First();
    EXPECT_EQ(count(QStringLiteral("Artikel")), 2);
}

TEST_F(DatasetState, AssignmentInAfterInsertCountsAsChange)
{
    auto *t = table(QStringLiteral("Vorgang1"));
    t->AfterInsert = [](TVexDaoTable &ds) { ds.FieldByName(QStringLiteral("zieltage"))->SetAsInteger(7); };
    t->Open();
    t->Insert();
    t->First();
    EXPECT_EQ(count(QStringLiteral("Vorgang1")), 1);
    EXPECT_EQ(db->scalar(QStringLiteral("select zieltage from Vorgang1")).rawInt(), 7);
}

TEST_F(DatasetState, PostGivesCounterAndRunsEventsInOrder)
{
    auto *t = table(QStringLiteral("Artikel"));
    QStringList log;
    t->BeforePost = [&](TVexDaoTable &ds) {
        log << QStringLiteral("before:%1").arg(ds.FieldByName(QStringLiteral("id"))->AsInteger());
    };
    t->AfterPost = [&](TVexDaoTable &ds) {
        log << QStringLiteral("after:%1").arg(ds.FieldByName(QStringLiteral("id"))->AsInteger());
    };
    t->Open();
    t->Insert();
    t->FieldByName(QStringLiteral("Art-Nr"))->SetAsString(QStringLiteral("X"));
    t->Post();
    EXPECT_EQ(log, (QStringList{QStringLiteral("before:0"), QStringLiteral("after:1")}));
    EXPECT_EQ(t->State(), DataSetState::Browse);
}

TEST_F(DatasetState, CancelRestoresEditedValuesAndDropsNewRow)
{
    addArticles(2);
    auto *t = table(QStringLiteral("Artikel"));
    t->Open();
    t->Next();
    t->Edit();
    t->FieldByName(QStringLiteral("Beschreibung"))->SetAsString(QStringLiteral("geändert"));
    t->Cancel();
    EXPECT_EQ(t->FieldByName(QStringLiteral("Beschreibung"))->AsString(), QStringLiteral("Artikel 2"));
    t->Insert();
    t->Cancel();
    EXPECT_EQ(t->RecordCount(), 2);
    EXPECT_EQ(t->FieldByName(QStringLiteral("Art-Nr"))->AsString(), QStringLiteral("A2"));
}

TEST_F(DatasetState, EditOnEmptyDatasetInserts)
{
    auto *t = table(QStringLiteral("Vorgang1"));
    int inserts = 0;
    t->AfterInsert = [&](TVexDaoTable &) { ++inserts; };
    t->Open();
    t->Edit();
    EXPECT_EQ(t->State(), DataSetState::Insert);
    EXPECT_EQ(inserts, 1);
}

TEST_F(DatasetState, DeleteLastMakesNewLastCurrentAndOnlyLeavesEmpty)
{
    addArticles(3);
    auto *t = table(QStringLiteral("Artikel"));
    t->Open();
    t->Last();
    t->Delete();
    EXPECT_EQ(t->FieldByName(QStringLiteral("Art-Nr"))->AsString(), QStringLiteral("A2"));
    t->First();
    t->Delete();
    EXPECT_EQ(t->FieldByName(QStringLiteral("Art-Nr"))->AsString(),
              QStringLiteral("A2")); // the following row
    t->Delete();
    EXPECT_TRUE(t->Eof());
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(count(QStringLiteral("Artikel")), 0);
    EXPECT_EQ(ERROR_OF(t->Delete()), QStringLiteral("Operation bei leerer Datenmenge nicht ausführbar"))
        << "unnamed datasets have no prefix";
}

TEST_F(DatasetState, MessagesCarryTheDatasetName)
{
    auto *t = table(QStringLiteral("Vorgang2"), QStringLiteral("vorgangdata"));
    EXPECT_EQ(ERROR_OF(t->First()),
              QStringLiteral("vorgangdata: Operation bei geschlossener Datenmenge nicht ausführbar"));
    t->Open();
    EXPECT_EQ(ERROR_OF(t->Delete()),
              QStringLiteral("vorgangdata: Operation bei leerer Datenmenge nicht ausführbar"));
    EXPECT_EQ(ERROR_OF(t->FieldByName(QStringLiteral("gibtsnicht"))),
              QStringLiteral("vorgangdata: Das Feld 'gibtsnicht' wurde nicht gefunden"));
    db->exec(QStringLiteral("insert into Vorgang2 (Titel) values ('x')"));
    t->Close();
    t->Open();
    EXPECT_EQ(ERROR_OF(t->FieldByName(QStringLiteral("Titel"))->SetAsString(QStringLiteral("y"))),
              QStringLiteral("vorgangdata: Datenmenge weder im Editier- noch im Einfügemodus"));
}

TEST_F(DatasetState, OpenSqlDatasetKeepsRowsUntilClosed)
{
    addArticles(3);
    auto *q = query(QStringLiteral("select * from artikel where vk >= 2"));
    q->Open();
    EXPECT_EQ(q->RecordCount(), 2);
    q->SQL().clear();
    q->SQL() << QStringLiteral("select * from artikel");
    q->Open();
    EXPECT_EQ(q->RecordCount(), 2);
    q->Close();
    q->Open();
    EXPECT_EQ(q->RecordCount(), 3);
}

TEST_F(DatasetState, BeforeCloseMaySaveThePendingRow)
{
    auto *t = table(QStringLiteral("Artikel"));
    t->BeforeClose = [](TVexDaoTable &ds) {
        if (ds.State() != DataSetState::Browse) ds.Post();
    };
    t->Open();
    t->Insert();
    t->FieldByName(QStringLiteral("Art-Nr"))->SetAsString(QStringLiteral("Z"));
    t->Close();
    EXPECT_EQ(count(QStringLiteral("Artikel")), 1);
}

TEST_F(DatasetState, FailedSaveKeepsStateAndValues)
{
    auto *t = table(QStringLiteral("Artikel"));
    t->BeforePost = [](TVexDaoTable &) { throw AppError(QStringLiteral("nein")); };
    t->Open();
    t->Insert();
    t->FieldByName(QStringLiteral("Art-Nr"))->SetAsString(QStringLiteral("Q"));
    EXPECT_EQ(ERROR_OF(t->Post()), QStringLiteral("nein"));
    EXPECT_EQ(t->State(), DataSetState::Insert);
    EXPECT_EQ(t->FieldByName(QStringLiteral("Art-Nr"))->AsString(), QStringLiteral("Q"));
    EXPECT_EQ(count(QStringLiteral("Artikel")), 0);
}

// A save that AfterPost refuses (another workstation's change, a total over
// the limit) is undone, and the row stays as typed and marked as changed:
// the next move saves it rather than dropping what was typed.
TEST_F(DatasetState, ASaveRefusedAfterItsWriteKeepsTheRowChanged)
{
    addArticles(2);
    auto *t = table(QStringLiteral("Artikel"));
    int refusals = 1;
    t->AfterPost = [&](TVexDaoTable &) {
        if (refusals-- > 0) throw AppError(QStringLiteral("nein"));
    };
    t->Open();
    t->Edit();
    t->FieldByName(QStringLiteral("Beschreibung"))->SetAsString(QStringLiteral("getippt"));
    EXPECT_EQ(ERROR_OF(t->Post()), QStringLiteral("nein"));
    EXPECT_EQ(t->State(), DataSetState::Edit);
    EXPECT_TRUE(t->Modified());
    EXPECT_EQ(
        db->scalar(QStringLiteral("select Beschreibung from Artikel where \"art-nr\" = 'A1'")).rawText(),
        QStringLiteral("Artikel 1"));
    t->Next();
    EXPECT_EQ(
        db->scalar(QStringLiteral("select Beschreibung from Artikel where \"art-nr\" = 'A1'")).rawText(),
        QStringLiteral("getippt"));
}

TEST_F(DatasetState, DeleteRunsCascadeInOneTransaction)
{
    addArticles(2);
    db->exec(QStringLiteral("insert into Vorgang1 (vorgangnr) values ('1')"));
    auto *docs = table(QStringLiteral("Vorgang1"));
    auto *arts = table(QStringLiteral("Artikel"));
    docs->Open();
    arts->Open();
    docs->BeforeDelete = [&](TVexDaoTable &) {
        arts->First();
        arts->Delete();
        throw AppError(QStringLiteral("Abbruch"));
    };
    EXPECT_EQ(ERROR_OF(docs->Delete()), QStringLiteral("Abbruch"));
    EXPECT_EQ(count(QStringLiteral("Artikel")), 2);
    EXPECT_EQ(count(QStringLiteral("Vorgang1")), 1);
    EXPECT_EQ(arts->RecordCount(), 2) << "a rollback re-reads what it undid";
}

TEST_F(DatasetState, CalculatedFieldsFollowTheRowAndItsChanges)
{
    addArticles(2);
    auto *t = table(QStringLiteral("Artikel"));
    t->addField(QStringLiteral("id"), FieldType::Counter);
    t->addField(QStringLiteral("VK"), FieldType::Number);
    auto *gross = t->addCalcField(QStringLiteral("vkbrutto"), FieldType::Number);
    int calls = 0;
    t->OnCalcFields = [&](TVexDaoTable &ds) {
        ++calls;
        ds.FieldByName(QStringLiteral("vkbrutto"))
            ->SetAsFloat(ds.FieldByName(QStringLiteral("VK"))->AsFloat() * 2);
    };
    t->Open();
    EXPECT_EQ(gross->AsFloat(), 2.0);
    t->Next();
    EXPECT_EQ(gross->AsFloat(), 4.0);
    t->Edit();
    t->FieldByName(QStringLiteral("VK"))->SetAsFloat(10);
    EXPECT_EQ(gross->AsFloat(), 20.0);
    EXPECT_EQ(gross->DisplayTextAt(0), QStringLiteral("2"));
    EXPECT_GE(calls, 3);
    EXPECT_EQ(ERROR_OF(t->FieldByName(QStringLiteral("Beschreibung"))),
              QStringLiteral("Das Feld 'Beschreibung' wurde nicht gefunden"))
        << "only declared fields exist";
}

} // namespace
