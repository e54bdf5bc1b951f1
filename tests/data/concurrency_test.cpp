// Two programs on one file: saves never overwrite another's change, locks
// are waited for and then reported, and rolled-back runs leave no trace.
#include "tests/dbfixture.h"

#include "data/engine.h"

namespace {

class Concurrency : public DbFixture
{
protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        db->exec(QStringLiteral("insert into Artikel([Art-Nr], Beschreibung, VK) values ('A1', 'eins', 1), ('A2', 'zwei', 2)"));
        other = std::make_unique<TVexDaoDatabase>();
        other->setDatabase(db->path());
        other->Open();
        mine = table(QStringLiteral("Artikel"), QStringLiteral("Artikel"));
        mine->Open();
        theirs = std::make_unique<TVexDaoTable>(nullptr, QStringLiteral("Artikel"));
        theirs->setDatabase(other.get());
        theirs->setTableName(QStringLiteral("Artikel"));
        theirs->Open();
    }
    void TearDown() override
    {
        theirs.reset();
        other.reset();
        DbFixture::TearDown();
    }
    QString stored() { return db->scalar(QStringLiteral("select Beschreibung from Artikel where [Art-Nr]='A1'")).rawText(); }

    std::unique_ptr<TVexDaoDatabase> other;
    std::unique_ptr<TVexDaoTable> theirs;
    TVexDaoTable *mine = nullptr;
};

TEST_F(Concurrency, SaveOverAnotherProgramsChangeFailsAndKeepsBoth)
{
    mine->Edit();
    mine->FieldByName(QStringLiteral("Beschreibung"))->SetAsString(QStringLiteral("meins"));
    theirs->Edit();
    theirs->FieldByName(QStringLiteral("Beschreibung"))->SetAsString(QStringLiteral("deins"));
    theirs->Post();
    const QString msg = ERROR_OF(mine->Post());
    EXPECT_TRUE(msg.contains(QStringLiteral("anderen Benutzer geändert"))) << msg.toStdString();
    EXPECT_EQ(stored(), QStringLiteral("deins"));
    EXPECT_EQ(mine->State(), DataSetState::Edit);
    EXPECT_EQ(mine->FieldByName(QStringLiteral("Beschreibung"))->AsString(), QStringLiteral("meins"));
    mine->Cancel();
    mine->Edit(); // begins from the stored row again
    EXPECT_EQ(mine->FieldByName(QStringLiteral("Beschreibung"))->AsString(), QStringLiteral("deins"));
    mine->FieldByName(QStringLiteral("Beschreibung"))->SetAsString(QStringLiteral("meins"));
    mine->Post();
    EXPECT_EQ(stored(), QStringLiteral("meins"));
}

TEST_F(Concurrency, SaveOfARowDeletedElsewhereFails)
{
    mine->Edit();
    mine->FieldByName(QStringLiteral("VK"))->SetAsFloat(9);
    theirs->Delete();
    EXPECT_TRUE(ERROR_OF(mine->Post()).contains(QStringLiteral("gelöscht")));
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Artikel")).rawInt(), 1) << "nothing re-created";
}

TEST_F(Concurrency, TwoDatasetsOfOneProgramDoNotTripOverEarlierSaves)
{
    auto *second = table(QStringLiteral("Artikel"));
    second->Open();
    mine->Edit();
    mine->FieldByName(QStringLiteral("VK"))->SetAsFloat(11);
    mine->Post();
    second->Edit();
    second->FieldByName(QStringLiteral("Beschreibung"))->SetAsString(QStringLiteral("zwei"));
    EXPECT_NO_THROW(second->Post());
    EXPECT_EQ(db->scalar(QStringLiteral("select VK from Artikel where [Art-Nr]='A1'")).rawDouble(), 11.0);
}

TEST_F(Concurrency, LockedFileIsWaitedForThenReported)
{
    conn->engine().setBusyTimeout(150);
    other->engine().begin(); // the other program holds the write lock
    mine->Edit();
    mine->FieldByName(QStringLiteral("VK"))->SetAsFloat(3);
    const QString msg = ERROR_OF(mine->Post());
    EXPECT_TRUE(msg.contains(QStringLiteral("gesperrt"))) << msg.toStdString();
    EXPECT_EQ(mine->State(), DataSetState::Edit);
    other->engine().rollback();
    EXPECT_NO_THROW(mine->Post());
    EXPECT_EQ(db->scalar(QStringLiteral("select VK from Artikel where [Art-Nr]='A1'")).rawDouble(), 3.0);
}

TEST_F(Concurrency, RollbackRereadsDatasetsSoTheyShowOnlyWhatIsStored)
{
    conn->StartTransaction();
    mine->Insert();
    mine->FieldByName(QStringLiteral("Art-Nr"))->SetAsString(QStringLiteral("A3"));
    mine->Post();
    conn->StartTransaction();
    mine->Last();
    mine->Edit();
    mine->FieldByName(QStringLiteral("VK"))->SetAsFloat(7);
    mine->Post();
    conn->Rollback(); // the inner part only
    EXPECT_EQ(mine->RecordCount(), 3);
    conn->Rollback();
    EXPECT_EQ(mine->RecordCount(), 2);
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Artikel")).rawInt(), 2);
    EXPECT_EQ(mine->State(), DataSetState::Browse);
}

} // namespace
