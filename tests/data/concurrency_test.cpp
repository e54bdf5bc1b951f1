// SPDX-License-Identifier: GPL-3.0-or-later
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
        db->exec(QStringLiteral(
            "insert into Artikel(\"art-nr\", Beschreibung, VK) values ('A1', 'eins', 1), ('A2', 'zwei', 2)"));
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
    QString stored()
    {
        return db->scalar(QStringLiteral("select Beschreibung from Artikel where \"art-nr\"='A1'")).rawText();
    }

    std::unique_ptr<TVexDaoDatabase> other;
    std::unique_ptr<TVexDaoTable> theirs;
    TVexDaoTable *mine = nullptr;
};

TEST_F(Concurrency, SaveOverAnotherProgramsChangeFailsAndKeepsBoth)
{
    change(*mine, "Beschreibung", QStringLiteral("meins"));
    change(*theirs, "Beschreibung", QStringLiteral("deins"));
    theirs->Post();
    const QString msg = ERROR_OF(mine->Post());
    EXPECT_TRUE(
        msg.startsWith(QStringLiteral("Der Datensatz wurde inzwischen von einem anderen Benutzer geändert")))
        << msg.toStdString();
    EXPECT_EQ(stored(), QStringLiteral("deins"));
    EXPECT_EQ(mine->State(), DataSetState::Edit);
    EXPECT_EQ(mine->FieldByName(QStringLiteral("Beschreibung"))->AsString(), QStringLiteral("meins"));
    mine->Cancel();
    // Editing again shows the stored row first and says so; nothing of the
    // user's is applied to values he has not seen.
    EXPECT_TRUE(ERROR_OF(mine->Edit()).startsWith(QStringLiteral("Der Datensatz wurde inzwischen")));
    EXPECT_EQ(mine->State(), DataSetState::Browse);
    EXPECT_EQ(mine->FieldByName(QStringLiteral("Beschreibung"))->AsString(), QStringLiteral("deins"));
    mine->Edit(); // now on what the user sees
    mine->FieldByName(QStringLiteral("Beschreibung"))->SetAsString(QStringLiteral("meins"));
    mine->Post();
    EXPECT_EQ(stored(), QStringLiteral("meins"));

    // A row the program changed through another of its own datasets is
    // taken over without a word.
    auto *second = table(QStringLiteral("Artikel"));
    second->Open();
    change(*second, "VK", 7);
    second->Post();
    EXPECT_NO_THROW(mine->Edit());
    EXPECT_EQ(mine->FieldByName(QStringLiteral("VK"))->AsFloat(), 7.0);
    mine->Cancel();
}

TEST_F(Concurrency, SaveOfARowDeletedElsewhereFails)
{
    change(*mine, "VK", 9);
    theirs->Delete();
    EXPECT_TRUE(ERROR_OF(mine->Post()).contains(QStringLiteral("gelöscht")));
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Artikel")).rawInt(), 1) << "nothing re-created";
}

TEST_F(Concurrency, TwoDatasetsOfOneProgramDoNotTripOverEarlierSaves)
{
    auto *second = table(QStringLiteral("Artikel"));
    second->Open();
    change(*mine, "VK", 11);
    mine->Post();
    change(*second, "Beschreibung", QStringLiteral("zwei"));
    EXPECT_NO_THROW(second->Post());
    EXPECT_EQ(db->scalar(QStringLiteral("select VK from Artikel where \"art-nr\"='A1'")).rawDouble(), 11.0);
}

// A run saves many rows inside one transaction and trusts what it read there;
// that trust must not cover a row read before the run, nor one the program
// itself wrote since through another of its datasets.
TEST_F(Concurrency, SavesInsideARunStillSeeChangesMadeSinceTheRowWasRead)
{
    auto *second = table(QStringLiteral("Artikel"));
    second->Open();
    conn->StartTransaction();
    change(*mine, "Beschreibung", QStringLiteral("meins"));
    change(*second, "Beschreibung", QStringLiteral("zweites"));
    second->Post();
    EXPECT_TRUE(ERROR_OF(mine->Post()).contains(QStringLiteral("anderen Benutzer geändert")));
    mine->Cancel();
    conn->Commit();
    EXPECT_EQ(stored(), QStringLiteral("zweites"));

    // Read before the run began: another program may have saved in between.
    change(*mine, "Beschreibung", QStringLiteral("meins"));
    theirs->Refresh();
    change(*theirs, "Beschreibung", QStringLiteral("deins"));
    theirs->Post();
    conn->StartTransaction();
    EXPECT_TRUE(ERROR_OF(mine->Post()).contains(QStringLiteral("anderen Benutzer geändert")));
    mine->Cancel();
    conn->Rollback();
    EXPECT_EQ(stored(), QStringLiteral("deins"));

    // Read inside the run and untouched since: saved (the first Edit shows
    // the other program's change).
    conn->StartTransaction();
    EXPECT_TRUE(ERROR_OF(mine->Edit()).contains(QStringLiteral("anderen Benutzer geändert")));
    change(*mine, "Beschreibung", QStringLiteral("meins"));
    mine->Post();
    conn->Commit();
    EXPECT_EQ(stored(), QStringLiteral("meins"));

    // Deleted since through another of its datasets, or by a statement of
    // its own: the save is refused, whether it changes the row or not, and
    // re-creates nothing.
    db->exec(QStringLiteral("insert into Artikel(\"art-nr\", Beschreibung, VK) values ('A3', 'drei', 3)"));
    const struct
    {
        const char *nr;
        bool change, raw;
    } deletions[] = {{"A1", true, false}, {"A2", false, false}, {"A3", true, true}};
    for (const auto &d : deletions) {
        SCOPED_TRACE(d.nr);
        const Value nr(QString::fromLatin1(d.nr));
        mine->Refresh();
        second->Refresh();
        conn->StartTransaction();
        ASSERT_TRUE(mine->Locate(QStringLiteral("art-nr"), nr, 0));
        ASSERT_TRUE(second->Locate(QStringLiteral("art-nr"), nr, 0));
        mine->Edit();
        if (d.change) mine->FieldByName(QStringLiteral("VK"))->SetAsFloat(5);
        if (d.raw)
            conn->engine().exec(
                QStringLiteral("delete from Artikel where \"art-nr\" = '%1'").arg(QLatin1String(d.nr)));
        else
            second->Delete();
        EXPECT_TRUE(ERROR_OF(mine->Post()).contains(QStringLiteral("gelöscht")));
        mine->Cancel();
        conn->Commit();
    }
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Artikel")).rawInt(), 0);
}

TEST_F(Concurrency, LockedFileIsWaitedForThenReported)
{
    conn->engine().setBusyTimeout(150);
    other->engine().begin(); // the other program holds the write lock
    change(*mine, "VK", 3);
    const QString msg = ERROR_OF(mine->Post());
    EXPECT_TRUE(msg.contains(QStringLiteral("gesperrt"))) << msg.toStdString();
    EXPECT_EQ(mine->State(), DataSetState::Edit);
    other->engine().rollback();
    EXPECT_NO_THROW(mine->Post());
    EXPECT_EQ(db->scalar(QStringLiteral("select VK from Artikel where \"art-nr\"='A1'")).rawDouble(), 3.0);
}

TEST_F(Concurrency, RollbackRereadsDatasetsSoTheyShowOnlyWhatIsStored)
{
    conn->StartTransaction();
    mine->Insert();
    mine->FieldByName(QStringLiteral("Art-Nr"))->SetAsString(QStringLiteral("A3"));
    mine->Post();
    conn->StartTransaction();
    mine->Last();
    change(*mine, "VK", 7);
    mine->Post();
    conn->Rollback(); // the inner part only
    EXPECT_EQ(mine->RecordCount(), 3);
    conn->Rollback();
    EXPECT_EQ(mine->RecordCount(), 2);
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Artikel")).rawInt(), 2);
    EXPECT_EQ(mine->State(), DataSetState::Browse);
}

// Only the file hands out a deleted row's id again; the server never does.
const char *const kReusedRowIds =
    "SQLite gibt die Zeilennummer einer gelöschten Zeile wieder aus, der Server nie";

// Addresses and contact persons have no counter: the file hands a deleted
// row's id to the next new row, so a row id alone does not say that a row
// is still the one a program read.
class RowIdentity : public DbFixture
{
  protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        db->exec(QStringLiteral(
            "insert into Adress (KDNR, NAME1, ORT) values (1, 'Erste', 'Köln'), (2, 'Zweite', 'Bonn')"));
        other = std::make_unique<TVexDaoDatabase>();
        other->setDatabase(db->path());
        other->Open();
        mine = table(QStringLiteral("Adress"), QStringLiteral("Adress"));
        mine->Open();
        mine->Last(); // address 2, the highest row id
    }
    void TearDown() override
    {
        other.reset();
        DbFixture::TearDown();
    }
    // The other program deletes address 2 and adds a new one, which is given
    // the freed row id.
    void replaceSecondAddressElsewhere()
    {
        TVexDaoTable theirs(nullptr, QStringLiteral("Adress"));
        theirs.setDatabase(other.get());
        theirs.setTableName(QStringLiteral("Adress"));
        theirs.Open();
        theirs.Last();
        const qint64 freed = db->scalar(QStringLiteral("select rowid from Adress where KDNR = 2")).rawInt();
        theirs.Delete();
        theirs.Insert();
        theirs.FieldByName(QStringLiteral("KDNR"))->SetAsInteger(3);
        theirs.FieldByName(QStringLiteral("NAME1"))->SetAsString(QStringLiteral("Fremd"));
        theirs.Post();
        ASSERT_EQ(db->scalar(QStringLiteral("select rowid from Adress where KDNR = 3")).rawInt(), freed)
            << "the premise: the file hands the row id out again";
    }
    QString storedNames() { return names(QStringLiteral("select NAME1 from Adress order by KDNR")); }
    QString names(const QString &sql)
    {
        QStringList out;
        auto st = db->raw().prepare(sql);
        while (st->step())
            out << st->columnDynamic(0).rawText();
        return out.join(QLatin1Char(','));
    }

    std::unique_ptr<TVexDaoDatabase> other;
    TVexDaoTable *mine = nullptr;
};

TEST_F(RowIdentity, EditOfAReplacedRowRefusesAndShowsWhatIsStored)
{
    SKIP_ON_SERVER(kReusedRowIds);
    replaceSecondAddressElsewhere();
    const QString msg = ERROR_OF(mine->Edit());
    EXPECT_TRUE(msg.contains(QStringLiteral("geändert oder gelöscht"))) << msg.toStdString();
    EXPECT_EQ(mine->State(), DataSetState::Browse);
    EXPECT_EQ(storedNames(), QStringLiteral("Erste,Fremd"));
    // Re-read: the stale address is gone from the dataset, the new one is there.
    QStringList shown;
    for (int i = 0; i < mine->RowCount(); ++i)
        shown << mine->FieldByName(QStringLiteral("NAME1"))->valueAt(i).rawText();
    EXPECT_EQ(shown.join(QLatin1Char(',')), QStringLiteral("Erste,Fremd"));
}

TEST_F(RowIdentity, SaveOverAReplacedRowFailsAndChangesNothing)
{
    SKIP_ON_SERVER(kReusedRowIds);
    change(*mine, "ORT", QStringLiteral("Berlin"));
    replaceSecondAddressElsewhere();
    const QString msg = ERROR_OF(mine->Post());
    EXPECT_TRUE(msg.contains(QStringLiteral("anderen Benutzer geändert"))) << msg.toStdString();
    EXPECT_EQ(mine->State(), DataSetState::Edit) << "the user's values stay";
    EXPECT_EQ(names(QStringLiteral("select coalesce(ORT, '') from Adress order by KDNR")),
              QStringLiteral("Köln,"));
}

TEST_F(RowIdentity, DeleteOfAReplacedRowDeletesNothing)
{
    SKIP_ON_SERVER(kReusedRowIds);
    replaceSecondAddressElsewhere();
    const QString msg = ERROR_OF(mine->Delete());
    EXPECT_TRUE(msg.contains(QStringLiteral("nicht gelöscht"))) << msg.toStdString();
    EXPECT_EQ(storedNames(), QStringLiteral("Erste,Fremd"));
    EXPECT_EQ(conn->transactionDepth(), 0);
}

TEST_F(RowIdentity, DeleteOfARowChangedOrDeletedElsewhereIsRefused)
{
    TVexDaoTable theirs(nullptr, QStringLiteral("Adress"));
    theirs.setDatabase(other.get());
    theirs.setTableName(QStringLiteral("Adress"));
    theirs.Open();
    theirs.Last();
    change(theirs, "ORT", QStringLiteral("Bad Godesberg"));
    theirs.Post();
    EXPECT_TRUE(ERROR_OF(mine->Delete()).contains(QStringLiteral("nicht gelöscht")));
    EXPECT_EQ(storedNames(), QStringLiteral("Erste,Zweite"));
    EXPECT_EQ(mine->FieldByName(QStringLiteral("ORT"))->AsString(), QStringLiteral("Bad Godesberg"))
        << "re-read: the user sees the change";
    EXPECT_NO_THROW(mine->Delete()) << "what the user has seen may be deleted";
    EXPECT_EQ(storedNames(), QStringLiteral("Erste"));

    theirs.Refresh();
    theirs.First();
    mine->First();
    theirs.Delete();
    EXPECT_TRUE(ERROR_OF(mine->Delete()).contains(QStringLiteral("gelöscht")));
    EXPECT_TRUE(mine->IsEmpty()) << "re-read";
}

TEST_F(Concurrency, DeleteChecksTheRowButNotThisProgramsOwnSaves)
{
    // Another program's change: the row the user saw is not what would go.
    change(*theirs, "VK", 8);
    theirs->Post();
    EXPECT_TRUE(ERROR_OF(mine->Delete()).contains(QStringLiteral("nicht gelöscht")));
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Artikel")).rawInt(), 2);

    // A save through another dataset of this program is the program's own.
    auto *second = table(QStringLiteral("Artikel"));
    second->Open();
    mine->First();
    change(*second, "VK", 12);
    second->Post();
    EXPECT_NO_THROW(mine->Delete());
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Artikel")).rawInt(), 1);
}

// Re-reads of a row go by its identity alone, not through the select's condition.
TEST_F(Concurrency, RowsAreReadAgainByIdentityAlone)
{
    auto *cheap = query(QStringLiteral("select * from Artikel where VK < 5 order by [Art-Nr]"));
    cheap->Open();
    ASSERT_EQ(cheap->RecordCount(), 2);
    // A new row outside the condition keeps its counter after the save.
    cheap->Insert();
    cheap->FieldByName(QStringLiteral("Art-Nr"))->SetAsString(QStringLiteral("A9"));
    cheap->FieldByName(QStringLiteral("VK"))->SetAsFloat(90);
    cheap->Post();
    EXPECT_EQ(cheap->FieldByName(QStringLiteral("id"))->AsInteger(),
              db->scalar(QStringLiteral("select id from Artikel where \"art-nr\" = 'A9'")).rawInt());
    EXPECT_DOUBLE_EQ(cheap->FieldByName(QStringLiteral("VK"))->AsFloat(), 90.0);

    // A row another program moved out of the condition is still there to
    // edit, once its stored values are shown.
    cheap->First();
    change(*theirs, "VK", 50);
    theirs->Post();
    EXPECT_TRUE(ERROR_OF(cheap->Edit()).contains(QStringLiteral("anderen Benutzer geändert")));
    EXPECT_DOUBLE_EQ(cheap->FieldByName(QStringLiteral("VK"))->AsFloat(), 50.0);
    EXPECT_NO_THROW(cheap->Edit());
    cheap->FieldByName(QStringLiteral("Beschreibung"))->SetAsString(QStringLiteral("teuer"));
    EXPECT_NO_THROW(cheap->Post());
    EXPECT_EQ(stored(), QStringLiteral("teuer"));
}

} // namespace
