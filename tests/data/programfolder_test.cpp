// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/apperror.h"
#include "base/textfiles.h"
#include "data/programfolder.h"
#include "data/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Leaves the working directory and the folder override as it found them.
class ProgramFolderTest : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        ProgramFolder::setDirForTests(QString());
        QDir::setCurrent(m_cwd);
    }
    // A member outlives TearDown, so the working directory has moved back
    // before the folder goes (Windows cannot remove the current directory).
    QTemporaryDir m_elsewhere;
    const QString m_cwd = QDir::currentPath();
};

} // namespace

TEST_F(ProgramFolderTest, IsTheExecutablesFolderNotTheWorkingDirectory)
{
    ASSERT_TRUE(QDir::setCurrent(m_elsewhere.path()));
    EXPECT_EQ(QFileInfo(ProgramFolder::dir()), QFileInfo(QCoreApplication::applicationDirPath()));
    EXPECT_EQ(ProgramFolder::iniPath(),
              ProgramFolder::dir() + QStringLiteral("/") +
                  QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                  QStringLiteral(".ini"));
    EXPECT_EQ(ProgramFolder::databasePath(), ProgramFolder::dir() + QStringLiteral("/daten/tavirel.mdb"));
}

TEST_F(ProgramFolderTest, FilesOfTheBuiltProgramFolderAreFoundFromAnyWorkingDirectory)
{
    ASSERT_TRUE(QDir::setCurrent(m_elsewhere.path()));
    ProgramFolder::setDirForTests(QStringLiteral(TAVIREL_PROGRAM_DIR));
    EXPECT_EQ(ProgramFolder::iniPath(), QStringLiteral(TAVIREL_PROGRAM_DIR "/tavirel.ini"));
    for (const char *name :
         {"vliste.sql", "vorgang.txt", "vorgang1.txt", "vorgang2.txt", "Fuss1.txt", "Fuss2.txt", "Fuss3.txt",
          "Fuss4.txt", "vertragfuss.txt", "einheit.txt", "notiz/typ.txt", "notiz\\typ.txt", "tavirel.ini"})
        EXPECT_TRUE(QFileInfo::exists(ProgramFolder::file(QString::fromLatin1(name)))) << name;
}

TEST_F(ProgramFolderTest, OverrideAndBackToTheRealFolder)
{
    QTemporaryDir dir;
    ProgramFolder::setDirForTests(dir.path() + QStringLiteral("/"));
    EXPECT_EQ(ProgramFolder::file(QStringLiteral("notiz\\typ.txt")),
              dir.path() + QStringLiteral("/notiz/typ.txt"));
    ProgramFolder::setDirForTests(QString());
    EXPECT_EQ(QFileInfo(ProgramFolder::dir()), QFileInfo(QCoreApplication::applicationDirPath()));
}

// The windows' database: the server named in the settings file, never with a
// password written there; without the entry the file below the folder.
TEST_F(ProgramFolderTest, SettingsFileNamesTheServerButNeverItsPassword)
{
    QTemporaryDir dir;
    ProgramFolder::setDirForTests(dir.path());
    IniFile ini(ProgramFolder::iniPath());
    ini.writeString(QStringLiteral("DATENBANK"), QStringLiteral("Verbindung"), QString());
    EXPECT_EQ(ProgramFolder::databasePath(), dir.path() + QStringLiteral("/daten/tavirel.mdb"));
    ini.writeString(QStringLiteral("DATENBANK"), QStringLiteral("Verbindung"),
                    QStringLiteral(" postgresql://buero@server:5432/tavirel "));
    EXPECT_EQ(ProgramFolder::databasePath(), QStringLiteral("postgresql://buero@server:5432/tavirel"));

    for (const char *key : {"Kennwort", "passwort", "PASSWORD"}) {
        QTemporaryDir other;
        ProgramFolder::setDirForTests(other.path());
        IniFile withPassword(ProgramFolder::iniPath());
        withPassword.writeString(QStringLiteral("DATENBANK"), QStringLiteral("Verbindung"),
                                 QStringLiteral("postgresql://buero@server:5432/tavirel"));
        withPassword.writeString(QStringLiteral("DATENBANK"), QString::fromLatin1(key),
                                 QStringLiteral("geheim"));
        QString message;
        try {
            ProgramFolder::databasePath();
        } catch (const AppError &e) {
            message = e.message();
        }
        EXPECT_TRUE(message.contains(QStringLiteral("Kennwort"))) << key << ": " << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral(".pgpass"))) << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral("geheim"))) << "the password is not repeated";
    }
    // A password of another section is not the database's.
    ProgramFolder::setDirForTests(dir.path());
    ini.writeString(QStringLiteral("ERechnung"), QStringLiteral("Kennwort"), QStringLiteral("x"));
    EXPECT_NO_THROW(ProgramFolder::databasePath());
}

// The delivered text files are what the windows and print layouts read.
TEST(ProgramFolderFiles, DeliveredTextFilesHaveTheirForm)
{
    const QString dir = QStringLiteral(TAVIREL_PROGRAM_DIR "/");
    const QStringList vorgang = TextFiles::loadLines(dir + QStringLiteral("vorgang.txt"));
    ASSERT_EQ(vorgang.size(), 9);
    for (int line : {2, 3, 6, 7}) {
        bool ok = false;
        vorgang.at(line).toInt(&ok);
        EXPECT_TRUE(ok) << "line " << line + 1 << " must be a whole number";
    }
    for (const QString &unit : TextFiles::loadLines(dir + QStringLiteral("einheit.txt"))) {
        EXPECT_FALSE(unit.isEmpty());
        EXPECT_LE(unit.size(), 4) << unit.toStdString(); // Artikel.Einheit is text(4)
    }
    const QString fuss = TextFiles::loadLines(dir + QStringLiteral("vertragfuss.txt")).join(u'\n');
    for (const char *ph : {"%KONTONR", "%KONTOBANK", "%KONTOBLZ", "%KONTOINHABER", "%GLAEUBIGERID"})
        EXPECT_TRUE(fuss.contains(QString::fromLatin1(ph))) << ph;
    const QString sql = TextFiles::loadLines(dir + QStringLiteral("vliste.sql")).join(u' ');
    // Documents without an address are listed as well.
    EXPECT_TRUE(
        sql.contains(QStringLiteral("FROM Vorgang1 LEFT JOIN Adress ON Vorgang1.kdnr = Adress.KDNR")));
    EXPECT_TRUE(sql.contains(QStringLiteral("Adress.NAME1 AS Kunde")));
    EXPECT_FALSE(sql.contains(QStringLiteral("order by"), Qt::CaseInsensitive)); // the list adds its own
}
