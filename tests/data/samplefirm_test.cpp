// SPDX-License-Identifier: GPL-3.0-or-later
// The sample firm comes with the sample data only: "init-db --demo" puts it
// into the settings of a program folder without a firm, "init-db" takes it
// out where it is left, and a database named by --db leaves the settings.
#include "data/samplefirm.h"

#include "base/textfiles.h"
#include "data/settings.h"
#include "tests/commandrun.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SampleFirm, TheSampleDataBringItsFirmAndAnEmptyDatabaseTakesItOut)
{
    QTemporaryDir folder;
    const QString program = portableProgram(folder.path(), false);
    const auto run = [&](const QStringList &args) { return runProgram(program, args, commandEnvironment()); };
    const QString ini = folder.filePath(QStringLiteral("tavirel.ini"));
    EXPECT_FALSE(SampleFirm::hasFirm(folder.path())) << "the shipped settings name no firm";
    EXPECT_EQ(TextFiles::loadLines(folder.filePath(QStringLiteral("Fuss3.txt"))), QStringList());

    CommandRun r = run({QStringLiteral("init-db"), QStringLiteral("--demo"), QStringLiteral("--db"),
                        folder.filePath(QStringLiteral("andere.mdb"))});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_FALSE(SampleFirm::hasFirm(folder.path())) << "a database named by --db leaves the settings";

    r = run({QStringLiteral("init-db"), QStringLiteral("--demo")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Die Musterfirma der Beispieldaten steht jetzt in")))
        << r.out.toStdString();
    EXPECT_TRUE(SampleFirm::isInUse(folder.path()));
    EXPECT_EQ(IniFile(ini).readString(QStringLiteral("ERechnung"), QStringLiteral("IBAN")),
              QStringLiteral("DE38 5201 2345 0004 7118 00"));
    EXPECT_TRUE(IniFile(ini).readBool(QStringLiteral("Druck"), QStringLiteral("Falzmarken")))
        << "the other settings stay";

    // The sample firm's letterhead, one file of it changed by the user.
    TextFiles::saveLines(folder.filePath(QStringLiteral("Fuss2.txt")), {QStringLiteral("eigene Zeile")});
    QFile::remove(folder.filePath(QStringLiteral("daten/tavirel.mdb")));
    r = run({QStringLiteral("init-db")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Die Musterfirma wurde aus"))) << r.out.toStdString();
    EXPECT_FALSE(SampleFirm::hasFirm(folder.path()));
    EXPECT_EQ(IniFile(ini).readString(QStringLiteral("ERechnung"), QStringLiteral("IBAN")), QString());
    EXPECT_EQ(TextFiles::loadLines(folder.filePath(QStringLiteral("Fuss3.txt"))), QStringList());
    EXPECT_EQ(TextFiles::loadLines(folder.filePath(QStringLiteral("Fuss2.txt"))),
              QStringList{QStringLiteral("eigene Zeile")});

    // A firm of its own is never replaced by the sample firm.
    IniFile(ini).writeString(QStringLiteral("ERechnung"), QStringLiteral("Firma"),
                             QStringLiteral("Elektro Brandt"));
    QFile::remove(folder.filePath(QStringLiteral("daten/tavirel.mdb")));
    r = run({QStringLiteral("init-db"), QStringLiteral("--demo")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(IniFile(ini).readString(QStringLiteral("ERechnung"), QStringLiteral("Firma")),
              QStringLiteral("Elektro Brandt"));
}
