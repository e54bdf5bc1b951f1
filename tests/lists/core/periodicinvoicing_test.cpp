// SPDX-License-Identifier: GPL-3.0-or-later
// The periodic invoicing run over the document list, and the command that
// runs it from a shell.
#include "data/databasebackup.h"
#include "data/programvalues.h"
#include "data/tax.h"
#include "documents/core/tfumw.h"
#include "lists/core/documentlistsql.h"
#include "lists/core/periodicinvoicing.h"
#include "tests/commandrun.h"
#include "tests/modulesfixture.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

class PeriodicRun : public ModulesFixture
{
  protected:
    void SetUp() override
    {
        ModulesFixture::SetUp();
        QFile::copy(QStringLiteral(TAVIREL_PROGRAM_DIR "/vliste.sql"),
                    db->folder() + QStringLiteral("/vliste.sql"));
        db->exec(QStringLiteral(
            "insert into Adress (KDNR, NAME1) values (1, 'Anton'), (2, 'Berta'), (3, 'Cäsar')"));
        umw = std::make_unique<TFumw>(nullptr);
        list = std::make_unique<TVexDaoTable>(nullptr, QStringLiteral("vorganglist"));
        list->setDatabase(&addresses->Datenbank);
        list->SQL() << DocumentListSql();
    }
    void TearDown() override
    {
        list.reset();
        umw.reset();
        ModulesFixture::TearDown();
    }
    void contract(qint64 kdnr, const QString &period, int positionCount, bool cancelled = false)
    {
        newDocument(QStringLiteral("V"));
        doc("kdnr")->SetAsInteger(kdnr);
        doc("VertragT")->SetAsString(period);
        doc("storniert")->SetAsBoolean(cancelled);
        for (int i = 0; i < positionCount; ++i)
            addPosition(1, 10, 1);
        vorgang().Post();
    }
    PeriodicRunResult run(const QString &letter)
    {
        if (!list->Active()) list->Open();
        return CreatePeriodicInvoicesRun(*list, *umw, letter);
    }
    // Contracts 40001, 40002, … of one position each; the list shows the last first.
    void manyContracts(int n)
    {
        db->exec(QStringLiteral("delete from vorgang2"));
        db->exec(QStringLiteral("delete from vorgang1"));
        db->exec(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                           "INSERT INTO vorgang1 (typ, vorgangnr, kdnr, vertragt, kopftext) "
                           "SELECT 'V', CAST(40000 + i AS VARCHAR(10)), 1, 'M', 'gut' FROM n")
                .arg(n));
        db->exec(QStringLiteral("INSERT INTO vorgang2 (vorgangid, titel, anzahl, preis, pos) "
                                "SELECT id, 'Wartung', 1, 10, 1 FROM vorgang1"));
    }
    std::unique_ptr<TFumw> umw;
    std::unique_ptr<TVexDaoTable> list;
};

TEST_F(PeriodicRun, EveryContractOfTheLetterWithPositions)
{
    contract(1, QStringLiteral("M"), 2);
    contract(2, QStringLiteral("M"), 0);       // no positions: no invoice
    contract(3, QStringLiteral("M"), 1, true); // cancelled: invoiced all the same
    contract(1, QStringLiteral("J"), 1);       // another period
    contract(99, QStringLiteral("M"), 1);      // no address: listed and invoiced all the same
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr) values ('R', '10041')"));
    // Saved at another workstation after this one read its documents.
    db->exec(
        QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, vertragt) values ('V', '7', 2, 'M')"));
    db->exec(
        QStringLiteral("insert into Vorgang2 (vorgangID, Titel, anzahl, Preis, Pos) select id, 'Fern', 2, "
                       "5, 1 from Vorgang1 where vorgangnr = '7'"));
    const PeriodicRunResult r = run(QStringLiteral("M"));
    EXPECT_EQ(r.count, 4);
    EXPECT_EQ(r.first, QStringLiteral("10042"));
    EXPECT_EQ(r.last, QStringLiteral("10045"));
    EXPECT_TRUE(r.error.isEmpty());
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R' and datum = '2005-03-15'")),
              4);
    EXPECT_EQ(count(QStringLiteral(
                  "select count(*) from vorgang1 where typ = 'R' and leistungsdatum = '2005-03-01' "
                  "and leistungbis = '2005-03-31'")),
              4)
        << "the month of the run is the service period";
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R' and kdnr = 2 and vk = 10")),
              1)
        << "the contract saved elsewhere is invoiced as stored";
    EXPECT_FALSE(list->Filtered());
    EXPECT_EQ(list->RecordCount(), 11) << "the list shows every document again";
    // The program holds the invoices as stored: the last one changes and saves.
    TVexDaoTable &v = vorgang();
    ASSERT_TRUE(v.Locate(QStringLiteral("vorgangnr"), Value(r.last), 0));
    v.Edit();
    doc("Kopftext")->SetAsString(QStringLiteral("geändert"));
    EXPECT_NO_THROW(v.Post());
    EXPECT_EQ(count(QStringLiteral(
                  "select count(*) from vorgang1 where vorgangnr = '10045' and kopftext = 'geändert'")),
              1);
}

TEST_F(PeriodicRun, BillingPeriodsAndTodaysRates)
{
    const struct
    {
        const char *letter, *day, *from, *to;
    } periods[] = {{"M", "2005-02-28", "2005-02-01", "2005-02-28"},
                   {"Q", "2005-05-15", "2005-04-01", "2005-06-30"},
                   {"H", "2005-12-31", "2005-07-01", "2005-12-31"},
                   {"J", "2004-02-29", "2004-01-01", "2004-12-31"}};
    for (const auto &p : periods) {
        const BillingPeriod b = BillingPeriodOf(QString::fromLatin1(p.letter),
                                                QDate::fromString(QString::fromLatin1(p.day), Qt::ISODate));
        EXPECT_EQ(b.from.toString(Qt::ISODate), QString::fromLatin1(p.from)) << p.letter;
        EXPECT_EQ(b.to.toString(Qt::ISODate), QString::fromLatin1(p.to)) << p.letter;
    }
    // A contract written at 19 % and 7 % is invoiced at the rates of its kind
    // valid today (16 % and 7 % in 2005); a tax-free contract stays tax-free.
    contract(1, QStringLiteral("M"), 2);
    db->exec(QStringLiteral("update Vorgang2 set MwstSatz = 19, MwstKat = 'S' where Pos = 1"));
    db->exec(QStringLiteral("update Vorgang2 set MwstSatz = 7, MwstKat = 'S' where Pos = 2"));
    db->exec(QStringLiteral("update Adress set LAND = 'CH' where KDNR = 2"));
    newDocument(QStringLiteral("V"));
    doc("kdnr")->SetAsInteger(2);
    doc("VertragT")->SetAsString(QStringLiteral("M"));
    documents->SetTaxCase(Tax::Case::Export);
    addPosition(1, 10, 1);
    vorgang().Post();
    run(QStringLiteral("M"));
    auto st = db->raw().prepare(
        QStringLiteral("select v2.MwstKat, v2.MwstSatz from Vorgang2 v2 join Vorgang1 v1 "
                       "on v1.id = v2.vorgangID where v1.typ = 'R' order by v1.kdnr, v2.Pos"));
    QStringList rates;
    while (st->step())
        rates << st->columnDynamic(0).rawText() + QString::number(st->columnDynamic(1).toDouble());
    EXPECT_EQ(rates.join(QLatin1Char(' ')), QStringLiteral("S16 S7 G0"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R' and Steuerfall = 'G'")), 1);
}

// A small business invoices under § 19 whatever its contracts say.
TEST_F(PeriodicRun, ASmallBusinessInvoicesWithoutVat)
{
    contract(1, QStringLiteral("M"), 2);
    db->exec(QStringLiteral("update Vorgang2 set MwstSatz = 19, MwstKat = 'S'"));
    ProgramValues::instance().Steuer.smallBusiness = true;
    const PeriodicRunResult r = run(QStringLiteral("M"));
    ProgramValues::instance().Steuer.smallBusiness = false;
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(count(QStringLiteral(
                  "select count(*) from vorgang1 where typ = 'R' and Steuerfall = 'E' and mwst = 0")),
              1);
    EXPECT_EQ(
        count(QStringLiteral("select count(*) from vorgang2 v join vorgang1 d on d.id = v.vorgangID where "
                             "d.typ = 'R' and v.MwstKat = 'E' and v.MwstSatz = 0")),
        2);
}

TEST_F(PeriodicRun, NumbersFollowTheListOrder)
{
    contract(3, QStringLiteral("Q"), 1);
    contract(1, QStringLiteral("Q"), 1);
    run(QStringLiteral("Q"));
    // Newest first, then by number descending: the second contract is invoiced first.
    EXPECT_EQ(db->scalar(QStringLiteral("select kdnr from vorgang1 where vorgangnr = '10000' and typ = 'R'"))
                  .toDouble(),
              1.0);
}

// A period is invoiced once: a second run makes nothing and names what it
// passed over. An invoice of the version before (no reference to its
// contract) counts for the contract of its customer, period and net.
TEST_F(PeriodicRun, APeriodIsInvoicedOnce)
{
    contract(1, QStringLiteral("H"), 1);
    contract(2, QStringLiteral("H"), 2);
    EXPECT_EQ(run(QStringLiteral("H")).count, 2);
    const PeriodicRunResult second = run(QStringLiteral("H"));
    EXPECT_EQ(second.count, 0);
    EXPECT_TRUE(second.error.isEmpty());
    EXPECT_EQ(second.passedOver.size(), 2);
    EXPECT_TRUE(second.passedOver.contains(QStringLiteral("Vertrag 30000 des Kunden 1 (Anton)")));
    // The next half-year is invoiced again.
    const BillingPeriod now = BillingPeriodOf(QStringLiteral("H"), Today());
    EXPECT_EQ(InvoicedContracts(addresses->Datenbank, QStringLiteral("H"), now).size(), 2);
    EXPECT_TRUE(InvoicedContracts(addresses->Datenbank, QStringLiteral("H"),
                                  BillingPeriodOf(QStringLiteral("H"), now.to.addDays(1)))
                    .isEmpty());
    EXPECT_EQ(PeriodText(QStringLiteral("H"), now),
              QStringLiteral("1. Halbjahr 2005 (01.01.2005 – 30.06.2005)"));

    const struct
    {
        const char *change;
        int invoiced;
    } older[] = {{"update vorgang1 set bezug = null where typ = 'R'", 2},
                 {"update vorgang1 set bezug = null, vk = 11 where typ = 'R' and kdnr = 1", 1},
                 {"update vorgang1 set bezug = null, kdnr = 3 where typ = 'R' and kdnr = 2", 1}};
    for (const auto &o : older) {
        SCOPED_TRACE(o.change);
        db->exec(
            QStringLiteral("update vorgang1 set bezug = (select c.id from vorgang1 c where c.typ = 'V' and "
                           "c.kdnr = vorgang1.kdnr) where typ = 'R'"));
        db->exec(QString::fromLatin1(o.change));
        EXPECT_EQ(InvoicedContracts(addresses->Datenbank, QStringLiteral("H"), now).size(), o.invoiced);
    }
}

TEST_F(PeriodicRun, FilterOfTheListDoesNotLimitTheRun)
{
    contract(1, QStringLiteral("M"), 1);
    contract(2, QStringLiteral("M"), 1);
    list->setFilter(QStringLiteral("kdnr =1 and datum >= #01/01/1999# and datum <=#12/31/2100#"));
    list->setFiltered(true);
    list->Open();
    EXPECT_EQ(run(QStringLiteral("M")).count, 2);
    EXPECT_FALSE(list->Filtered());
}

TEST_F(PeriodicRun, ErrorEndsTheRunAndKeepsEarlierInvoices)
{
    SKIP_ON_SERVER("ein Positionszähler außerhalb seines Bereichs lässt sich dort gar nicht speichern");
    contract(1, QStringLiteral("M"), 1);
    contract(2, QStringLiteral("M"), 1);
    // The list shows the second contract first; make the first one in the list unreadable.
    db->exec(
        QStringLiteral("update vorgang2 set Pos = 40000 where vorgangID = (select min(id) from vorgang1)"));
    const PeriodicRunResult r = run(QStringLiteral("M"));
    EXPECT_EQ(r.count, 1);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R'")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang2 v join vorgang1 d on d.id = v.vorgangID "
                                   "where d.typ = 'R'")),
              1);
    EXPECT_TRUE(list->Active());
}

// A document or a position the database refuses in the middle of the run
// (on a server the document's insert goes with its positions, so its failure
// is only known then) undoes that invoice whole; the one before it stays.
TEST_F(PeriodicRun, ARowRefusedMidwayUndoesItsInvoiceOnly)
{
    for (const char *table : {"vorgang2", "vorgang1"}) {
        SCOPED_TRACE(table);
        db->exec(QStringLiteral("delete from vorgang2"));
        db->exec(QStringLiteral("delete from vorgang1"));
        contract(1, QStringLiteral("M"), 3);
        contract(2, QStringLiteral("M"), 2);
        const QString column =
            table == QLatin1String("vorgang1") ? QStringLiteral("kopftext") : QStringLiteral("titel");
        db->exec(
            table == QLatin1String("vorgang1")
                ? QStringLiteral(
                      "update vorgang1 set kopftext = 'kaputt' where id = (select min(id) from vorgang1)")
                : QStringLiteral("update vorgang2 set titel = 'kaputt' where pos = 2 and vorgangID = (select "
                                 "min(id) from vorgang1)"));
        // Rows already stored pass; a new one holding the text is refused.
        db->exec(db->isServer() ? QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT kaputt CHECK (%2 IS DISTINCT "
                                                 "FROM 'kaputt') NOT VALID")
                                      .arg(QLatin1String(table), column)
                                : QStringLiteral("CREATE TRIGGER kaputt BEFORE INSERT ON %1 WHEN new.%2 = "
                                                 "'kaputt' BEGIN SELECT RAISE(ABORT, 'kaputt'); END")
                                      .arg(QLatin1String(table), column));
        const PeriodicRunResult r = run(QStringLiteral("M"));
        db->exec(db->isServer()
                     ? QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT kaputt").arg(QLatin1String(table))
                     : QStringLiteral("DROP TRIGGER kaputt"));
        EXPECT_EQ(r.count, 1);
        EXPECT_TRUE(r.error.contains(QLatin1String("kaputt"))) << qPrintable(r.error);
        EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R'")), 1);
        EXPECT_EQ(
            count(QStringLiteral("select count(*) from vorgang2 v join vorgang1 d on d.id = v.vorgangID "
                                 "where d.typ = 'R'")),
            2);
        EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R' and vk = 20")), 1);
    }
}

// Many contracts: a server gets the invoices many at a time, each group
// while the next is made. One refused, in the first group (known while the
// second is sent) or in the last (known at the end), leaves every invoice
// before it, numbered without a gap, and the error names its own contract.
TEST_F(PeriodicRun, ARefusalAmongManyContractsStrikesItsOwn)
{
    const struct
    {
        const char *refused;
        int before;
    } cases[] = {{"40004", 56}, {"40056", 4}}; // the list shows 40060 first
    for (const auto &c : cases) {
        SCOPED_TRACE(c.refused);
        manyContracts(60);
        db->exec(QStringLiteral("UPDATE vorgang1 SET kopftext = 'kaputt' WHERE vorgangnr = '%1'")
                     .arg(QLatin1String(c.refused)));
        db->exec(db->isServer()
                     ? QStringLiteral("ALTER TABLE vorgang1 ADD CONSTRAINT kaputt CHECK (kopftext IS "
                                      "DISTINCT FROM 'kaputt') NOT VALID")
                     : QStringLiteral("CREATE TRIGGER kaputt BEFORE INSERT ON vorgang1 WHEN new.kopftext "
                                      "= 'kaputt' BEGIN SELECT RAISE(ABORT, 'kaputt'); END"));
        int reported = 0;
        list->Open();
        const PeriodicRunResult r = CreatePeriodicInvoicesRun(
            *list, *umw, QStringLiteral("M"), true, [&](int done, int) { EXPECT_EQ(done, ++reported); });
        db->exec(db->isServer() ? QStringLiteral("ALTER TABLE vorgang1 DROP CONSTRAINT kaputt")
                                : QStringLiteral("DROP TRIGGER kaputt"));
        EXPECT_EQ(r.count, c.before);
        EXPECT_TRUE(r.error.startsWith(
            QStringLiteral("Vertrag %1 des Kunden 1 (Anton): ").arg(QLatin1String(c.refused))))
            << qPrintable(r.error);
        EXPECT_EQ(r.last.toLongLong() - r.first.toLongLong(), c.before - 1);
        EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R'")), c.before);
        EXPECT_EQ(
            count(QStringLiteral("select count(*) from vorgang2 v join vorgang1 d on d.id = v.vorgangID "
                                 "where d.typ = 'R'")),
            c.before);
        EXPECT_EQ(reported, c.before);
    }
}

// The run's session ended by the server while its invoices go there (the
// server undoes them; here once the second of three groups is sent). The
// program connects again and reads anew under the new lock what is left to
// do: alone, it makes every invoice once; when another workstation invoiced
// the period meanwhile (as after a stall the server ended), it makes none.
TEST_F(PeriodicRun, ASessionLostWhileSendingMakesEveryInvoiceOnce)
{
    if (!TestDb::onServer()) GTEST_SKIP() << "nur mit dem Server: seine Sitzung wird beendet";
    for (const bool otherRan : {false, true}) {
        SCOPED_TRACE(otherRan);
        manyContracts(120);
        int reported = 0;
        list->Open();
        const BillingPeriod period = BillingPeriodOf(QStringLiteral("M"), Today());
        const PeriodicRunResult r =
            CreatePeriodicInvoicesRun(*list, *umw, QStringLiteral("M"), true, [&](int done, int) {
                EXPECT_EQ(done, ++reported);
                if (done != 1) return; // the first group is stored
                db->exec(QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity WHERE "
                                        "datname = current_database() AND backend_xid IS NOT NULL AND pid <> "
                                        "pg_backend_pid()"));
                if (!otherRan) return;
                // The other workstation's run, as it stores its invoices.
                db->exec(
                    QStringLiteral("INSERT INTO vorgang1 (typ, vorgangnr, kdnr, vk, bezug, leistungsdatum, "
                                   "leistungbis) SELECT 'R', CAST(50000 + id AS VARCHAR(10)), kdnr, 10, id, "
                                   "'%1', '%2' FROM vorgang1 WHERE typ = 'V'")
                        .arg(period.from.toString(Qt::ISODate), period.to.toString(Qt::ISODate)));
            });
        EXPECT_TRUE(r.error.isEmpty()) << qPrintable(r.error);
        EXPECT_TRUE(r.repeated);
        EXPECT_EQ(r.count, otherRan ? 0 : 120);
        EXPECT_EQ(r.passedOver.size(), otherRan ? 120 : 0);
        EXPECT_EQ(count(QStringLiteral("select count(distinct vorgangnr) from vorgang1 where typ = 'R'")),
                  120);
        EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R'")), 120);
        if (otherRan) continue;
        EXPECT_EQ(r.last.toLongLong() - r.first.toLongLong(), 119);
        EXPECT_EQ(
            count(QStringLiteral("select count(*) from vorgang2 v join vorgang1 d on d.id = v.vorgangID "
                                 "where d.typ = 'R'")),
            120);
        EXPECT_EQ(reported, 120);
    }
}

// A backup taken while the run is under way (here from its progress, between
// two contracts, by the backup's own connection) holds the run's invoices
// all or none, and passes the file's check; so does one taken after it.
TEST_F(PeriodicRun, ABackupDuringTheRunHoldsAllItsInvoicesOrNone)
{
    SKIP_ON_SERVER("the file's online backup");
    for (qint64 kdnr : {1, 2, 3})
        contract(kdnr, QStringLiteral("M"), 2);
    QTemporaryDir folder;
    const auto invoicesIn = [](const QString &file) {
        auto engine = Engine::create();
        engine->open(file);
        auto st = engine->prepare(QStringLiteral("select count(*) from Vorgang1 where typ = 'R'"));
        return st->step() ? st->columnDynamic(0).rawInt() : -1;
    };
    int taken = 0;
    list->Open();
    const PeriodicRunResult r =
        CreatePeriodicInvoicesRun(*list, *umw, QStringLiteral("M"), true, [&](int done, int) {
            if (done != 2) return;
            DatabaseBackup::write(db->path(), folder.filePath(QStringLiteral("waehrend.mdb")));
            ++taken;
        });
    ASSERT_EQ(r.count, 3) << r.error.toStdString();
    ASSERT_EQ(taken, 1);
    EXPECT_EQ(invoicesIn(folder.filePath(QStringLiteral("waehrend.mdb"))), 0);
    DatabaseBackup::write(db->path(), folder.filePath(QStringLiteral("danach.mdb")));
    EXPECT_EQ(invoicesIn(folder.filePath(QStringLiteral("danach.mdb"))), 3);
}

// When the invoice numbers run out, the run stops at the contract that would
// have needed one more; no number is given twice, and the count is that of
// the invoices made.
TEST_F(PeriodicRun, NumbersRunningOutStopTheRun)
{
    contract(1, QStringLiteral("M"), 1);
    contract(2, QStringLiteral("M"), 1);
    contract(3, QStringLiteral("M"), 1);
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr) values ('R', '999999999999998')"));
    const PeriodicRunResult r = run(QStringLiteral("M"));
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.first, QStringLiteral("999999999999999"));
    EXPECT_EQ(r.last, QStringLiteral("999999999999999"));
    // The list shows 30002 first; the second contract in it is 30001 of Berta.
    EXPECT_TRUE(r.error.startsWith(QStringLiteral("Vertrag 30001 des Kunden 2 (Berta): ")))
        << r.error.toStdString();
    EXPECT_TRUE(r.error.contains(QStringLiteral("'Rechnung'"))) << r.error.toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R'")), 2);
    EXPECT_EQ(
        count(QStringLiteral("select count(*) from vorgang1 where typ = 'R' and length(vorgangnr) > 15")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from (select vorgangnr from vorgang1 where typ = 'R' "
                                   "group by vorgangnr having count(*) > 1) x")),
              0);
    EXPECT_TRUE(list->Active());
}

TEST_F(PeriodicRun, BadPaymentDaysNameTheContract)
{
    contract(1, QStringLiteral("M"), 1); // 30000, invoiced second
    contract(2, QStringLiteral("M"), 1); // 30001, invoiced first
    for (const int days : {-1, 40000}) {
        if (days > 32767 && db->isServer()) continue; // the server keeps payment days within their column
        db->exec(QStringLiteral("update vorgang1 set zieltage = %1 where vorgangnr = '30000'").arg(days));
        db->exec(QStringLiteral("delete from vorgang1 where typ = 'R'")); // the month is invoiced anew
        const PeriodicRunResult r = run(QStringLiteral("M"));
        EXPECT_TRUE(r.error.startsWith(QStringLiteral("Vertrag 30000 des Kunden 1 (Anton): ")))
            << r.error.toStdString();
        EXPECT_EQ(r.count, 1) << days;
        EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R'")), 1)
            << "the invoice made before the bad contract stays";
        EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R' and kdnr = 1")), 0);
    }
}

TEST_F(PeriodicRun, UnknownLetterIsRefused)
{
    EXPECT_THROW(run(QStringLiteral("X")), AppError);
    EXPECT_EQ(PeriodWord(QStringLiteral("Q")), QStringLiteral("Quartals"));
}

// The command runs in its own process, as a user starts it.
class InvoiceCommand : public ::testing::Test
{
  protected:
    QString program = testProgram();
    int run(const QStringList &args, QString *out = nullptr, QString *err = nullptr)
    {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(120000);
        if (out) *out = QString::fromUtf8(p.readAllStandardOutput());
        if (err) *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    }
};

TEST_F(InvoiceCommand, MessagesAndExitStatus)
{
    TestDb db(true);
    const QString path = db.path();
    const qint64 monthly =
        db.scalar(QStringLiteral("select count(*) from vorgang1 v where typ = 'V' and VertragT = 'M' "
                                 "and exists (select 1 from vorgang2 where vorgangID = v.id) and "
                                 "exists (select 1 from adress where kdnr = v.kdnr)"))
            .rawInt();
    const qint64 highest =
        db.scalar(QStringLiteral("select max(cast(vorgangnr as integer)) from vorgang1 where typ = 'R'"))
            .rawInt();
    QString out, err;
    EXPECT_EQ(
        run({QStringLiteral("invoice-contracts"), QStringLiteral("M"), QStringLiteral("--db"), path}, &out),
        0);
    EXPECT_EQ(out.trimmed(), QStringLiteral("Es sind %1 Rechnungen (%2 - %3) erstellt worden!")
                                 .arg(monthly)
                                 .arg(highest + 1)
                                 .arg(highest + monthly));
    // A second run for the month invoices nothing again and says why.
    EXPECT_EQ(
        run({QStringLiteral("invoice-contracts"), QStringLiteral("M"), QStringLiteral("--db"), path}, &out),
        0);
    EXPECT_TRUE(out.contains(
        QStringLiteral("%1 Verträge sind für %2 (").arg(monthly).arg(MonthYearText(QDate::currentDate()))))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Es wurden keine Rechnungen erstellt."))) << out.toStdString();
    EXPECT_EQ(run({QStringLiteral("invoice-contracts"), QStringLiteral("W"), QStringLiteral("--db"), path},
                  &out, &err),
              2);
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(run({QStringLiteral("invoice-contracts"), QStringLiteral("M"), QStringLiteral("--db"),
                   db.folder() + QStringLiteral("/fehlt.mdb")},
                  &out, &err),
              2);
    EXPECT_TRUE(err.contains(QStringLiteral("fehlt.mdb gibt es nicht"))) << err.toStdString();
    TestDb empty;
    EXPECT_EQ(
        run({QStringLiteral("invoice-contracts"), QStringLiteral("J"), QStringLiteral("--db"), empty.path()},
            &out),
        0);
    EXPECT_TRUE(out.contains(QStringLiteral("keine Rechnungen"))) << out.toStdString();
}

TEST_F(InvoiceCommand, NumbersRunningOutFailTheCommand)
{
    TestDb db(true);
    db.exec(QStringLiteral(
        "update vorgang1 set vorgangnr = '999999999999999' where id = (select max(id) from vorgang1 "
        "where typ = 'R')"));
    const qint64 before = db.scalar(QStringLiteral("select count(*) from vorgang1")).rawInt();
    QString out, err;
    EXPECT_EQ(
        run({QStringLiteral("invoice-contracts"), QStringLiteral("M"), QStringLiteral("--db"), db.path()},
            &out, &err),
        1);
    EXPECT_TRUE(err.contains(QStringLiteral("Vertrag ")) && err.contains(QStringLiteral("'Rechnung'")))
        << err.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("erstellt"))) << out.toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from vorgang1")).rawInt(), before);
}

TEST_F(InvoiceCommand, TwoRunsAtOnceInvoiceEachContractOnce)
{
    TestDb db(true);
    const QStringList args{QStringLiteral("invoice-contracts"), QStringLiteral("M"), QStringLiteral("--db"),
                           db.path()};
    QProcess a, b;
    a.start(program, args);
    b.start(program, args);
    ASSERT_TRUE(a.waitForFinished(120000));
    ASSERT_TRUE(b.waitForFinished(120000));
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from (select vorgangnr from vorgang1 where typ = 'R' "
                                       "group by vorgangnr having count(*) > 1) x"))
                  .rawInt(),
              0);
    EXPECT_EQ(
        db.scalar(QStringLiteral("select count(*) from vorgang1 where typ = 'R' and datum = current_date"))
            .rawInt(),
        db.scalar(QStringLiteral("select count(*) from vorgang1 v where typ = 'V' and VertragT = 'M' and "
                                 "exists (select 1 from vorgang2 where vorgangID = v.id) and "
                                 "exists (select 1 from adress where kdnr = v.kdnr)"))
            .rawInt());
}

} // namespace
