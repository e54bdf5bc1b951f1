// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/engine.h"
#include "data/programfolder.h"
#include "data/schema.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"
#include "lists/core/documentlistexport.h"
#include "lists/core/documentlistsql.h"
#include "tests/testdb.h"

#include <QFile>
#include <QScopeGuard>
#include <gtest/gtest.h>

TEST(Schema, NewFileHasAllTablesAndTypeRows)
{
    TestDb db;
    for (const auto &t : Schema::tables())
        EXPECT_EQ(db.raw().columns(t.name).size(), t.columns.size()) << t.name.toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("select Typbez from vtyp where id='R'")).rawText(),
              QStringLiteral("Rechnung"));
}

namespace {

// The document list as export-list writes it, from a connection of its own.
QByteArray exportedList(const QString &location)
{
    TVexDaoDatabase conn;
    conn.setDatabase(location);
    conn.Open();
    TVexDaoTable list(nullptr, QStringLiteral("vorganglist"));
    list.setDatabase(&conn);
    list.SQL() << DocumentListSql();
    SetUpDocumentListFields(list);
    list.Open();
    return DocumentListExport::encode(list, DocumentListExport::typeNames(conn));
}

} // namespace

TEST(Schema, UpgradeKeepsEveryStoredFigure)
{
    TestDb db(true);
    ProgramFolder::setDirForTests(db.folder());
    auto resetFolder = qScopeGuard([] { ProgramFolder::setDirForTests(QString()); });
    QFile::copy(QStringLiteral(TAVIREL_PROGRAM_DIR "/vliste.sql"),
                db.folder() + QStringLiteral("/vliste.sql"));
    // A file of the previous version, with sums that need more than cents.
    for (const QString &tc : Schema::addedColumns())
        db.exec(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2")
                    .arg(tc.section(QLatin1Char('.'), 0, 0), tc.section(QLatin1Char('.'), 1)));
    db.exec(QStringLiteral("insert into Vorgang1 (id, typ, vorgangnr, kdnr, datum, vk, Waehrung) values "
                           "(9001, 'R', '19001', 1, '2026-01-05', 0.666, '€'), "
                           "(9002, 'R', '19002', 1, '2026-01-06', 0.005, '€'), "
                           "(9003, 'R', '19003', 1, '2026-01-07', 1.2345, '€'), "
                           "(9004, 'R', '19004', 1, '2026-01-08', NULL, '€')"));
    db.exec(QStringLiteral("insert into Vorgang2 (vorgangID, Pos, anzahl, Preis) values "
                           "(9001, 1, 1, 0.333), (9001, 2, 1, 0.333), (9002, 1, 1, 0.005)"));
    QByteArray before;
    if (!db.isServer()) {
        // Write-protected, it opens as before, without the upgrade.
        Engine::simulateWriteProtection(true);
        before = exportedList(db.path());
        Engine::simulateWriteProtection(false);
        EXPECT_GT(before.count("\r\n"), 60) << "the demo firm's documents are listed";
        EXPECT_TRUE(QString::fromLatin1(before).contains(
            QStringLiteral("06.01.2026;19002;Rechnung;Bäckerei Weiß GmbH;;;0,005;0,006\r\n")));
    }
    const QByteArray after = exportedList(db.path());
    if (!before.isEmpty()) {
        EXPECT_EQ(QString::fromLatin1(after), QString::fromLatin1(before));
    }

    auto count = [&](const char *sql) { return db.scalar(QString::fromUtf8(sql)).rawInt(); };
    EXPECT_EQ(count("select count(*) from Vorgang2 where MwstSatz = 19 and MwstKat = 'S'"),
              count("select count(*) from Vorgang2"));
    EXPECT_EQ(count("select count(*) from Vorgang1 where vk is not null and mwst is null"), 0);
    EXPECT_EQ(count("select count(*) from Vorgang1 where Rundung is not null"), 0)
        << "stored documents keep the sums they were printed with";
    EXPECT_EQ(count("select count(*) from Artikel where MwstSatz is null"), 0);
    // Opened again, nothing is filled a second time.
    db.exec(QStringLiteral("update Vorgang2 set MwstSatz = 7 where vorgangID = 9001"));
    exportedList(db.path());
    EXPECT_EQ(count("select count(*) from Vorgang2 where MwstSatz = 7"), 2);
}
