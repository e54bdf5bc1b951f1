// SPDX-License-Identifier: GPL-3.0-or-later
// Another user of the machine: the database and its folder are the owner's
// alone (rights read back from the files), and a link planted in a shared
// folder under a name the program writes is never written through.
#include "base/safefile.h"
#include "data/engine.h"
#include "data/notices.h"
#include "data/programfolder.h"
#include "data/schema.h"
#include "data/settings.h"
#include "tests/commandrun.h"
#include "tests/dbfixture.h"
#include "tests/einvoice/incomingfiles.h"

#include <QFile>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <sys/stat.h>

namespace {

QString rights(const QString &path)
{
    return SafeFile::modeText(path);
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(FileRights, ANewDatabaseItsFolderAndItsJournalAreTheOwners)
{
    QTemporaryDir dir;
    const QString made = dir.filePath(QStringLiteral("firma/daten/tavirel.mdb"));
    const QString copy = dir.filePath(QStringLiteral("kopie/zurueck.mdb"));
    ASSERT_EQ(tavirel({QStringLiteral("init-db"), QStringLiteral("--db"), made}).status, 0);
    ASSERT_EQ(
        tavirel({QStringLiteral("copy-db"), QStringLiteral("--from"), made, QStringLiteral("--to"), copy})
            .status,
        0);
    for (const auto &[path, expected] : {std::pair(made, "0600"), std::pair(dir.filePath("firma"), "0700"),
                                         std::pair(dir.filePath("firma/daten"), "0700"),
                                         std::pair(copy, "0600"), std::pair(dir.filePath("kopie"), "0700")})
        EXPECT_EQ(rights(path), QLatin1String(expected)) << path.toStdString();

    // The journal of a save in progress has the file's rights.
    auto e = Engine::create();
    e->open(made);
    e->begin();
    e->exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (1, 'Müller')"));
    EXPECT_EQ(rights(made + QStringLiteral("-journal")), QStringLiteral("0600"));
    e->rollback();
}

TEST(FileRights, ADatabaseOthersCouldReadIsTightenedAfterSayingSo)
{
    QTemporaryDir dir;
    ProgramFolder::setDirForTests(dir.path());
    const QString path = dir.filePath(QStringLiteral("daten/tavirel.mdb"));
    Schema::createDatabaseFile(path, false);
    // As earlier versions made them.
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0644), 0);
    ASSERT_EQ(chmod(QFile::encodeName(dir.filePath(QStringLiteral("daten"))).constData(), 0755), 0);
    QStringList told;
    Notices::setHandler([&](const QString &text) { told << text; });
    {
        TVexDaoDatabase db;
        db.setDatabase(path);
        db.Open();
    }
    Notices::setHandler({});
    ProgramFolder::setDirForTests(QString());
    EXPECT_EQ(rights(path), QStringLiteral("0600"));
    EXPECT_EQ(rights(dir.filePath(QStringLiteral("daten"))), QStringLiteral("0700"));
    EXPECT_EQ(told.join(u'\n'),
              QStringLiteral(
                  "Der Datenordner %1/daten war für andere Benutzer dieses Rechners offen (Rechte 0755); "
                  "er ist jetzt nur noch für den eigenen Benutzer zugänglich (0700).\n"
                  "Die Datenbank %1/daten/tavirel.mdb war für andere Benutzer dieses Rechners lesbar "
                  "(Rechte 0644); sie ist jetzt nur noch für den eigenen Benutzer zugänglich (0600).")
                  .arg(dir.path()));

    // The command line says it on standard error.
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0640), 0);
    const CommandRun check = tavirel({QStringLiteral("check-db"), QStringLiteral("--db"), path});
    EXPECT_TRUE(check.err.startsWith(QStringLiteral("Hinweis: Die Datenbank %1 war für andere").arg(path)))
        << check.err.toStdString();
    EXPECT_EQ(rights(path), QStringLiteral("0600"));
}

// Each command writes to a name in a shared folder where another user has
// put a link to the victim's file: the link is replaced (a name the user
// gave) or the file refused (a name the program chose); the victim's file
// stays as it was.
TEST(FileRights, LinksPlantedInASharedFolderAreNeverWrittenThrough)
{
    TestDb db;
    db.exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (1, 'Anton GmbH')"));
    db.exec(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieldatum, bezahlt, storniert, vk, "
        "mwst, Waehrung, anschrift) values ('R', '10001', 1, '2026-01-01', '2026-01-15', false, "
        "false, 100, 19, '€', 'Anton GmbH')"));
    const QString id = QString::number(db.scalar(QStringLiteral("select max(id) from Vorgang1")).rawInt());
    QTemporaryDir home, shared;
    const QString victim = home.filePath(QStringLiteral(".bashrc"));
    const QByteArray mine("export PATH=$HOME/bin:$PATH\n");
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(mine) == mine.size());
    }
    const QString dbArgs[] = {QStringLiteral("--db"), db.path()};
    ASSERT_EQ(
        tavirel({QStringLiteral("einvoice-import"), IncomingPath("rechnung-cii.xml"), dbArgs[0], dbArgs[1]})
            .status,
        0);
    const QString at = shared.path() + QLatin1Char('/');
    const struct
    {
        QString planted;
        QStringList args;
        int status;
        bool linkStays; // refused: the link is left as it is
    } cases[] = {
        {at + QStringLiteral("rechnung.pdf"),
         {QStringLiteral("pdf"), id, at + QStringLiteral("rechnung.pdf")},
         0,
         false},
        {at + QStringLiteral("liste.txt"),
         {QStringLiteral("export-list"), at + QStringLiteral("liste.txt")},
         0,
         false},
        {at + QStringLiteral("original.xml"),
         {QStringLiteral("einvoice-export"), QStringLiteral("1"), at + QStringLiteral("original.xml")},
         0,
         false},
        {at + QStringLiteral("offen.pdf"),
         {QStringLiteral("invoice-report"), QStringLiteral("offen"), at + QStringLiteral("offen.pdf")},
         0,
         false},
        {at + QStringLiteral("20000.pdf"),
         {QStringLiteral("dunning-run"), QStringLiteral("--stichtag"), QStringLiteral("20.02.2026"),
          QStringLiteral("--pdf"), shared.path()},
         1,
         true},
        {at + QStringLiteral("sicherung.mdb"),
         {QStringLiteral("backup"), at + QStringLiteral("sicherung.mdb")},
         1,
         true},
    };
    for (const auto &c : cases) {
        // A server's database is backed up with pg_dump, not here.
        if (db.isServer() && c.args.first() == QLatin1String("backup")) continue;
        ASSERT_TRUE(QFile::link(victim, c.planted));
        const CommandRun r = tavirel(c.args + QStringList{dbArgs[0], dbArgs[1]});
        EXPECT_EQ(r.status, c.status) << c.args.join(u' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_EQ(contents(victim), mine) << c.args.join(u' ').toStdString();
        EXPECT_EQ(QFileInfo(c.planted).isSymLink(), c.linkStays) << c.args.join(u' ').toStdString();
        if (c.linkStays) {
            EXPECT_TRUE(r.err.contains(QStringLiteral("besteht bereits"))) << r.err.toStdString();
        }
    }

    // The settings file, written by the program in its folder.
    const QString ini = at + QStringLiteral("tavirel.ini");
    ASSERT_TRUE(QFile::link(victim, ini));
    IniFile(ini).writeString(QStringLiteral("Datensicherung"), QStringLiteral("Zuletzt"),
                             QStringLiteral("x"));
    EXPECT_EQ(contents(victim), mine);
    EXPECT_FALSE(QFileInfo(ini).isSymLink());
}

#endif
