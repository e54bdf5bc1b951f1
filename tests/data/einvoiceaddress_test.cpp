// SPDX-License-Identifier: GPL-3.0-or-later
// The e-invoice data of the addresses: a table of the program's own that older
// files receive on opening, and that goes with its address in the same
// transaction as the contact persons and notes.
#include "base/apperror.h"
#include "data/engine.h"
#include "data/tvexdaodatabase.h"
#include "tests/modulesfixture.h"

namespace {

using EInvoiceAddress = ModulesFixture;

TEST_F(EInvoiceAddress, DeletedWithItsAddressAndKeptWhenTheDeleteFails)
{
    db->exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (1, 'A'), (2, 'B')"));
    db->exec(QStringLiteral("insert into ERechnung (KDNR, Email, Referenz) values (1, 'a@x.de', '991-1'), "
                            "(2, 'b@x.de', '991-2')"));
    addresses->Adress.Refresh();
    addresses->Adress.First();

    addresses->Adress.AfterDelete = [](TVexDaoTable &) { throw AppError(QStringLiteral("Platte voll")); };
    EXPECT_THROW(addresses->Adress.Delete(), AppError);
    EXPECT_EQ(count(QStringLiteral("select count(*) from ERechnung where KDNR = 1")), 1)
        << "rolled back together";
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress")), 2);

    addresses->Adress.AfterDelete = nullptr;
    addresses->Adress.First();
    addresses->Adress.Delete();
    EXPECT_EQ(count(QStringLiteral("select count(*) from ERechnung where KDNR = 1")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from ERechnung")), 1) << "other addresses keep theirs";
}

TEST(EInvoiceAddressTable, AddedToOlderFilesButNeverToForeignOnes)
{
    TestDb older;
    older.exec(QStringLiteral("drop table ERechnung"));
    older.exec(QStringLiteral("drop table Notizen"));
    older.exec(QStringLiteral("drop table Eingangsrechnung"));
    older.exec(QStringLiteral("delete from VTyp where id = 'E'"));
    {
        TVexDaoDatabase conn;
        conn.setDatabase(older.path());
        conn.Open();
        EXPECT_TRUE(conn.table(QStringLiteral("ERechnung")));
        EXPECT_TRUE(conn.table(QStringLiteral("Notizen")));
        EXPECT_TRUE(conn.table(QStringLiteral("Eingangsrechnung")));
    }
    EXPECT_EQ(older.scalar(QStringLiteral("select Typbez from VTyp where id = 'E'")).rawText(),
              QStringLiteral("Eingangsrechnung"))
        << "received invoices come with their document type";
    EXPECT_THROW(older.exec(QStringLiteral("insert into ERechnung (KDNR) values (5), (5)")), AppError)
        << "one row per address";

    // A database of some other program, opened by mistake, stays as it was.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fremd.db"));
    {
        auto raw = Engine::create();
        raw->open(path, true);
        raw->exec(QStringLiteral("create table Kunden (id integer)"));
        raw->close();
    }
    TVexDaoDatabase conn;
    conn.setDatabase(path);
    conn.Open();
    EXPECT_FALSE(conn.table(QStringLiteral("ERechnung")));
    EXPECT_FALSE(conn.table(QStringLiteral("Notizen")));
}

} // namespace
