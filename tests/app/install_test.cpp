// SPDX-License-Identifier: GPL-3.0-or-later
// The installed program: `cmake --install` into a temporary prefix, started
// with temporary per-user folders, as a desktop user starts it.
#include "tests/commandrun.h"

#include "base/textfiles.h"
#include "data/samplefirm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

class InstalledProgram : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        s_prefix = std::make_unique<QTemporaryDir>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        s_install = runProgram(QStringLiteral(TAVIREL_CMAKE_COMMAND),
                               {QStringLiteral("--install"), QStringLiteral(TAVIREL_BINARY_DIR),
                                QStringLiteral("--prefix"), s_prefix->path()},
                               env);
    }
    static void TearDownTestSuite() { s_prefix.reset(); }
    void SetUp() override { ASSERT_EQ(s_install.status, 0) << s_install.err.toStdString(); }

    QString installed(const QString &relative) const { return s_prefix->filePath(relative); }
    // The installed program with this test's own home and XDG folders.
    CommandRun tavirel(const QStringList &args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("HOME"), m_user.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_user.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_user.filePath(QStringLiteral("config")));
        return runProgram(installed(QStringLiteral("bin/tavirel")), args, env);
    }
    QString data(const QString &relative) const
    {
        return m_user.filePath(QStringLiteral("data/tavirel/") + relative);
    }
    QString config(const QString &relative) const
    {
        return m_user.filePath(QStringLiteral("config/tavirel/") + relative);
    }

    static inline std::unique_ptr<QTemporaryDir> s_prefix;
    static inline CommandRun s_install;
    QTemporaryDir m_user;
};

} // namespace

TEST_F(InstalledProgram, LaysOutTheDesktopFiles)
{
    const QString id = QStringLiteral("de.tavirel.Tavirelsverwaltung");
    for (const QString &file :
         {QStringLiteral("bin/tavirel"), QStringLiteral("share/tavirel/vliste.sql"),
          QStringLiteral("share/tavirel/tavirel.ini"), QStringLiteral("share/tavirel/notiz/typ.txt"),
          QStringLiteral("share/applications/%1.desktop").arg(id),
          QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(id),
          QStringLiteral("share/metainfo/%1.metainfo.xml").arg(id),
          QStringLiteral("share/mime/packages/%1.xml").arg(id), QStringLiteral("share/man/man1/tavirel.1.gz"),
          QStringLiteral("share/doc/tavirel/copyright")})
        EXPECT_TRUE(QFileInfo::exists(installed(file))) << file.toStdString();

    // The validators of the desktop, where they are installed.
    struct Check
    {
        const char *tool;
        QStringList args;
    };
    for (const Check &c :
         {Check{"desktop-file-validate",
                {installed(QStringLiteral("share/applications/%1.desktop").arg(id))}},
          Check{"appstreamcli",
                {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--strict"),
                 installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(id))}}}) {
        const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(c.tool));
        if (tool.isEmpty()) continue;
        const CommandRun r = runProgram(tool, c.args, QProcessEnvironment::systemEnvironment());
        EXPECT_EQ(r.status, 0) << c.tool << ": " << (r.out + r.err).toStdString();
    }
}

TEST_F(InstalledProgram, KeepsEachUsersDataInTheUsersFolders)
{
    CommandRun r = tavirel({QStringLiteral("where")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("installiert"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(data(QStringLiteral("daten/tavirel.mdb (noch nicht angelegt)"))))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(config(QStringLiteral("tavirel.ini"))));
    // The settings and text files are the user's own copies; the list's
    // select stays the program's.
    EXPECT_TRUE(QFileInfo::exists(config(QStringLiteral("tavirel.ini"))));
    EXPECT_TRUE(QFileInfo::exists(config(QStringLiteral("notiz/typ.txt"))));
    EXPECT_FALSE(QFileInfo::exists(config(QStringLiteral("vliste.sql"))));

    EXPECT_FALSE(SampleFirm::hasFirm(config(QString()))) << "a new user's settings name no firm";
    r = tavirel({QStringLiteral("init-db"), QStringLiteral("--demo")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(data(QStringLiteral("daten/tavirel.mdb"))));
    EXPECT_TRUE(SampleFirm::isInUse(config(QString()))) << "the sample data bring their firm";
    r = tavirel({QStringLiteral("export-list"), m_user.filePath(QStringLiteral("liste.txt"))});
    EXPECT_EQ(r.status, 0) << "the list's select is found among the defaults: " << r.err.toStdString();

    // What the user changed stays when the program starts again.
    TextFiles::saveLines(config(QStringLiteral("einheit.txt")), {QStringLiteral("Fass")});
    QFile::remove(config(QStringLiteral("vorgang.txt")));
    EXPECT_EQ(tavirel({QStringLiteral("where")}).status, 0);
    EXPECT_EQ(TextFiles::loadLines(config(QStringLiteral("einheit.txt"))),
              QStringList{QStringLiteral("Fass")});
    EXPECT_TRUE(QFileInfo::exists(config(QStringLiteral("vorgang.txt")))) << "a missing file comes back";

    r = tavirel({QStringLiteral("check-db")});
    EXPECT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    const QString copy = m_user.filePath(QStringLiteral("sicherung.mdb"));
    r = tavirel({QStringLiteral("backup"), copy});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Datensicherung geschrieben und geprüft: ")));
    EXPECT_TRUE(TextFiles::loadLines(config(QStringLiteral("tavirel.ini")))
                    .contains(QStringLiteral("[Datensicherung]")));
    r = tavirel({QStringLiteral("backup"), copy});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("besteht bereits")));
    r = tavirel({QStringLiteral("check-db"), QStringLiteral("--db"), copy});
    EXPECT_EQ(r.status, 0) << r.out.toStdString();

    r = tavirel({QStringLiteral("--help")});
    EXPECT_TRUE(r.out.contains(QStringLiteral("$XDG_DATA_HOME/tavirel/daten/")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("2 falscher Aufruf")));

    // A later version of the program brings new templates: a file the user
    // never changed follows it, one the user changed stays.
    const QString shipped = installed(QStringLiteral("share/tavirel/mahnung1.txt"));
    const QString shippedUnits = installed(QStringLiteral("share/tavirel/einheit.txt"));
    const QStringList oldLetter = TextFiles::loadLines(shipped),
                      oldUnits = TextFiles::loadLines(shippedUnits);
    TextFiles::saveLines(shipped, {QStringLiteral("Neue Fassung des Mahnschreibens")});
    TextFiles::saveLines(shippedUnits, {QStringLiteral("Stk"), QStringLiteral("neu")});
    EXPECT_EQ(tavirel({QStringLiteral("where")}).status, 0);
    EXPECT_EQ(TextFiles::loadLines(config(QStringLiteral("mahnung1.txt"))),
              QStringList{QStringLiteral("Neue Fassung des Mahnschreibens")});
    EXPECT_EQ(TextFiles::loadLines(config(QStringLiteral("einheit.txt"))),
              QStringList{QStringLiteral("Fass")});
    TextFiles::saveLines(shipped, oldLetter);
    TextFiles::saveLines(shippedUnits, oldUnits);
}

// A folder daten/ beside the executable makes it a portable copy again.
TEST_F(InstalledProgram, APortableCopyKeepsItsProgramFolder)
{
    const QString beside = installed(QStringLiteral("bin/daten"));
    ASSERT_TRUE(QDir().mkpath(beside));
    const CommandRun r = tavirel({QStringLiteral("where")});
    QDir(beside).removeRecursively();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Programmordner"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(installed(QStringLiteral("bin/daten/tavirel.mdb"))));
    EXPECT_FALSE(QFileInfo::exists(config(QStringLiteral("tavirel.ini"))));
}
