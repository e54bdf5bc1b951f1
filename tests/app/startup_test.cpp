// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the order of its steps with the splash's progress, and a start
// without a database file, which shows the failures and still comes up.
#include "app/startup.h"

#include "testwindows.h"

#include "app/backupmenu.h"
#include "app/tfinfo.h"
#include "app/tfmain.h"
#include "base/textfiles.h"
#include "data/engine.h"
#include "data/programfolder.h"
#include "data/samplefirm.h"
#include "data/settings.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "program/businesswindows.h"
#include "tests/testdb.h"
#include "widgets/scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

class StartupTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dialogs->onUnexpected = [](const QString &what) { ADD_FAILURE() << what.toStdString(); };
        m_name = QCoreApplication::applicationName();
    }
    void TearDown() override
    {
        // The observers of the tests hold their locals, which are gone now.
        Startup::setObserverForTests({});
        Startup::finish();
        ProgramFolder::setDirForTests(QString());
        QCoreApplication::setApplicationName(m_name);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The program folder's note types and units, which the address and the
    // article window read.
    static void giveNoteTypes(const QString &folder)
    {
        QDir(folder).mkpath(QStringLiteral("notiz"));
        TextFiles::saveLines(folder + QStringLiteral("/notiz/typ.txt"), {QStringLiteral("Anruf")});
        TextFiles::saveLines(folder + QStringLiteral("/einheit.txt"), {QStringLiteral("Stk")});
    }

    ScriptedDialogsScope dialogs;
    QString m_name;
};

} // namespace

TEST_F(StartupTest, StepsRunInOrderWithTheSplashShowingTheProgress)
{
    TestDb db(true);
    ProgramFolder::setDirForTests(db.folder());
    giveNoteTypes(db.folder());
    QStringList steps;
    QList<int> bar;
    Startup::setObserverForTests([&](const QString &step) {
        steps << step;
        if (step == QLatin1String("TFinfo geschlossen")) return;
        // The splash stays on screen until the last step.
        EXPECT_TRUE(Finfo && Finfo->isVisible()) << step.toStdString();
        if (step.startsWith(QLatin1String("Fortschritt"))) {
            bar << (Finfo ? Finfo->Progress->value() : -1);
            EXPECT_NE(fmain, nullptr);
        }
        if (step == QLatin1String("Tfmain")) {
            EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Tavirelsverwaltung"));
        }
    });

    Tfmain *main = Startup::start(RegisterBusinessWindows, db.path());

    EXPECT_EQ(steps, (QStringList{QStringLiteral("TFinfo"), QStringLiteral("Titel"), QStringLiteral("Tfmain"),
                                  QStringLiteral("Fortschritt 1"), QStringLiteral("Fortschritt 2"),
                                  QStringLiteral("Fortschritt 3"), QStringLiteral("Tdataa"),
                                  QStringLiteral("Fortschritt 6"), QStringLiteral("Fortschritt 7"),
                                  QStringLiteral("Fortschritt 8"), QStringLiteral("Fortschritt 9"),
                                  QStringLiteral("Fortschritt 11"), QStringLiteral("TData"),
                                  QStringLiteral("TFAdr"), QStringLiteral("TFinfo geschlossen")}));
    EXPECT_EQ(bar, (QList<int>{1, 2, 3, 6, 7, 8, 9, 11}));
    EXPECT_TRUE(dialogs->interactions().isEmpty());
    EXPECT_TRUE(Finfo.isNull());
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main, fmain);
    EXPECT_TRUE(main->isVisible());
    ASSERT_NE(dataa, nullptr);
    ASSERT_NE(Data, nullptr);
    EXPECT_TRUE(dataa->Adress.Active());
    EXPECT_TRUE(Data->typen.Active());

    Startup::finish();
    EXPECT_EQ(fmain, nullptr);
    EXPECT_EQ(dataa, nullptr);
    EXPECT_EQ(Data, nullptr);
}

TEST_F(StartupTest, WithoutADatabaseFileTheProgramStartsAndRunsWithoutData)
{
    QTemporaryDir folder;
    ProgramFolder::setDirForTests(folder.path());
    giveNoteTypes(folder.path());
    QStringList steps;
    Startup::setObserverForTests([&steps](const QString &step) { steps << step; });

    dialogs->answerMessage(Dialogs::Ok);
    const QString missing = folder.filePath(QStringLiteral("daten/tavirel.mdb"));
    Tfmain *main = Startup::start(RegisterBusinessWindows, missing);
    const QStringList messages = dialogs->messages();

    // The connection's message, in German, naming the file asked for and the
    // way to a database; nothing else.
    ASSERT_EQ(messages.size(), 1) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(messages[0], QStringLiteral("Tavirelsverwaltung|") + Engine::missingMessage(missing));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("Datei › Neue Datenbank …")));
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(
        main->windowTitle().startsWith(QStringLiteral("Tavirels-Verwaltung – keine Datenbank geöffnet")))
        << main->windowTitle().toStdString();
    EXPECT_TRUE(steps.endsWith(QStringLiteral("TFinfo geschlossen")));
    EXPECT_TRUE(Finfo.isNull());
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->isVisible());
    ASSERT_NE(dataa, nullptr);
    ASSERT_NE(Data, nullptr);
    EXPECT_FALSE(dataa->Adress.Active());
    EXPECT_FALSE(dataa->uPersonen.Active());
    EXPECT_FALSE(Data->Artikel.Active());
    EXPECT_FALSE(Data->vorgang.Active());

    // Every menu entry and tool button can be used; what needs data says so.
    main->registerWindow(WindowKind::Vorgangsliste, [] { return new ListTestWindow; });
    main->registerWindow(WindowKind::Adressen, [] { return new TestWindow(QStringLiteral("Adressen")); });
    dialogs->clear();
    dialogs->answerExec([](QDialog &) { return int(QDialog::Rejected); }); // "Einstellungen …"
    dialogs->answerExec([](QDialog &) { return int(QDialog::Rejected); }); // "Vorlagen zurücksetzen …"
    dialogs->cancelSaveFile();                                             // "Neue Datenbank …"
    dialogs->answerOpenFile(QString());                                    // "Datenbank öffnen …"
    dialogs->answerMessage(Dialogs::Ok);                                   // "Neuer Vorgang"
    dialogs->answerMessage(Dialogs::Ok);                                   // the documents of the address
    // The address window is open from start-up, so the window list has
    // entries, and they are made anew whenever a window opens or closes.
    QList<QPointer<QAction>> actions;
    for (QMenu *menu : {main->Menue2, main->Fenster1, main->Datei1})
        for (QAction *a : menu->actions())
            actions << a;
    for (QAction *a : main->ToolBar1->actions())
        actions << a;
    for (const QPointer<QAction> &a : std::as_const(actions))
        if (a && a != main->Beenden1) a->trigger();
    QMetaObject::invokeMethod(main, "ShowVorgaengeOfAddress", Qt::QueuedConnection);
    QCoreApplication::sendPostedEvents(main, QEvent::MetaCall);
    ASSERT_EQ(dialogs->messages().size(), 2) << dialogs->messages().join(QLatin1Char('\n')).toStdString();
    for (const QString &message : dialogs->messages()) {
        EXPECT_TRUE(message.startsWith(QStringLiteral("Tavirelsverwaltung|")));
        EXPECT_TRUE(message.contains(QStringLiteral("geschlossener Datenmenge"))) << message.toStdString();
    }

    main->Beenden1->trigger();
    EXPECT_FALSE(main->isVisible());
}

TEST_F(StartupTest, AWriteProtectedDatabaseSaysSoOnceAndStartsOtherwiseAsUsual)
{
    TestDb db(true);
    ProgramFolder::setDirForTests(db.folder());
    giveNoteTypes(db.folder());
    Engine::simulateWriteProtection(true);
    dialogs->answerMessage(Dialogs::Ok);
    Tfmain *main = Startup::start(RegisterBusinessWindows, db.path());
    Engine::simulateWriteProtection(false);

    ASSERT_EQ(dialogs->interactions().size(), 1);
    const auto &warning = dialogs->interactions().first();
    EXPECT_EQ(warning.caption, QStringLiteral("Tavirelsverwaltung"));
    EXPECT_EQ(warning.text, QStringLiteral("Die Datenbank %1 ist schreibgeschützt. Änderungen können nicht "
                                           "gespeichert werden.")
                                .arg(QDir::toNativeSeparators(db.path())));
    EXPECT_EQ(warning.icon, Dialogs::Warning);
    ASSERT_NE(main, nullptr);
    auto *panel = main->findChild<QLabel *>(QStringLiteral("WriteProtectionPanel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->text(), QStringLiteral("Schreibgeschützt"));
    EXPECT_TRUE(dataa->Adress.Active()) << "reading goes on as usual";
    EXPECT_TRUE(main->FAdr) << "and the address window opens";

    // A file that can be written says nothing.
    Startup::finish();
    dialogs->clear();
    Startup::start(RegisterBusinessWindows, db.path());
    EXPECT_TRUE(dialogs->interactions().isEmpty());
    EXPECT_EQ(fmain->findChild<QLabel *>(QStringLiteral("WriteProtectionPanel")), nullptr);
}

// A double-click on another program's SQLite file starts the program on it:
// one message, the file left as it was, the windows without data.
TEST_F(StartupTest, AForeignSqliteFileIsSaidOnceAndLeftAlone)
{
    QTemporaryDir folder;
    ProgramFolder::setDirForTests(folder.path());
    giveNoteTypes(folder.path());
    const QString foreign = folder.filePath(QStringLiteral("fotos.mdb"));
    {
        auto engine = Engine::create();
        engine->open(foreign, true);
        engine->exec(QStringLiteral("create table bilder (name)"));
    }
    const auto bytes = [&foreign] {
        QFile f(foreign);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray before = bytes();
    const QFile::Permissions rights = QFile::permissions(foreign);
    dialogs->answerMessage(Dialogs::Ok);
    Tfmain *main = Startup::start(RegisterBusinessWindows, foreign);
    ASSERT_EQ(dialogs->messages().size(), 1) << dialogs->messages().join(u'\n').toStdString();
    EXPECT_TRUE(
        dialogs->messages().first().contains(QStringLiteral("ist keine Datenbank der Tavirelsverwaltung")));
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(dataa->Adress.Active());
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(QFile::permissions(foreign), rights) << "another program's file keeps its rights";
}

// The settings file names the firm's database server: the windows open on it.
TEST_F(StartupTest, TheSettingsFileTakesTheWindowsToTheServer)
{
    NEEDS_SERVER();
    TestDb db(true, TestDb::Kind::Server);
    ProgramFolder::setDirForTests(db.folder());
    giveNoteTypes(db.folder());
    IniFile(ProgramFolder::iniPath())
        .writeString(QStringLiteral("DATENBANK"), QStringLiteral("Verbindung"), db.path());
    Tfmain *main = Startup::start(RegisterBusinessWindows, QString());
    EXPECT_TRUE(dialogs->interactions().isEmpty()) << dialogs->messages().join(u'\n').toStdString();
    ASSERT_NE(main, nullptr);
    ASSERT_NE(dataa, nullptr);
    ASSERT_TRUE(dataa->Datenbank.Connected());
    EXPECT_TRUE(dataa->Datenbank.engine().isServer());
    EXPECT_EQ(dataa->Datenbank.engine().path(), db.path());
    EXPECT_TRUE(dataa->Adress.Active());
    EXPECT_EQ(dataa->Adress.RecordCount(), db.scalar(QStringLiteral("select count(*) from Adress")).rawInt());
    EXPECT_TRUE(Data->typen.Active());
    EXPECT_TRUE(main->FAdr) << "the address window opens as on a file";
}

// A password written into the settings file is not used: the user is told
// where it belongs, and the program comes up without data.
TEST_F(StartupTest, APasswordInTheSettingsFileIsRefusedNotUsed)
{
    QTemporaryDir folder;
    ProgramFolder::setDirForTests(folder.path());
    giveNoteTypes(folder.path());
    IniFile ini(ProgramFolder::iniPath());
    ini.writeString(QStringLiteral("DATENBANK"), QStringLiteral("Verbindung"),
                    QStringLiteral("postgresql://buero@127.0.0.1:1/tavirel"));
    ini.writeString(QStringLiteral("DATENBANK"), QStringLiteral("Kennwort"), QStringLiteral("geheim"));
    dialogs->answerMessage(Dialogs::Ok);
    Tfmain *main = Startup::start(RegisterBusinessWindows, QString());
    const QStringList messages = dialogs->messages();
    ASSERT_EQ(messages.size(), 1) << messages.join(u'\n').toStdString();
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Tavirelsverwaltung|In ")));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("[DATENBANK] ein Kennwort")))
        << messages[0].toStdString();
    EXPECT_FALSE(messages[0].contains(QStringLiteral("geheim")));
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(dataa->Datenbank.Connected());
}

// The first start without a database asks; it never makes one silently.
// Yes brings the sample firm into the settings; No keeps them without it
// (taking out a sample firm left from before) and offers the set-up assistant.
TEST_F(StartupTest, TheFirstStartAsksForEmptyOrSampleData)
{
    struct Case
    {
        Dialogs::Button answer;
        int addresses; // -1: no database
        bool sampleBefore, sampleAfter;
    };
    for (const Case &c : {Case{Dialogs::Yes, 1, false, true}, Case{Dialogs::No, 0, true, false},
                          Case{Dialogs::Cancel, -1, false, false}}) {
        QTemporaryDir folder;
        ProgramFolder::setDirForTests(folder.path());
        giveNoteTypes(folder.path());
        if (c.sampleBefore) SampleFirm::write(folder.path());
        dialogs->clear();
        dialogs->answerMessage(c.answer);
        if (c.addresses < 0) dialogs->answerMessage(Dialogs::Ok);
        QString assistant;
        if (c.addresses == 0)
            dialogs->answerExec([&assistant](QDialog &d) {
                assistant = d.windowTitle();
                return int(QDialog::Rejected);
            });
        Startup::start(RegisterBusinessWindows, QString());
        const QString file = folder.filePath(QStringLiteral("daten/tavirel.mdb"));
        ASSERT_FALSE(dialogs->interactions().isEmpty());
        const auto &question = dialogs->interactions().first();
        EXPECT_EQ(question.buttons, Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
        EXPECT_TRUE(question.text.startsWith(
            QStringLiteral("Es gibt noch keine Datenbank. Soll sie mit Beispieldaten angelegt werden?")));
        EXPECT_TRUE(question.text.endsWith(QDir::toNativeSeparators(file)));
        EXPECT_TRUE(dialogs->allAnswered()) << dialogs->messages().join(u'\n').toStdString();
        EXPECT_EQ(QFileInfo::exists(file), c.addresses >= 0);
        EXPECT_EQ(dataa->Adress.Active(), c.addresses >= 0);
        if (c.addresses >= 0) {
            EXPECT_EQ(dataa->Adress.IsEmpty(), c.addresses == 0);
        }
        EXPECT_EQ(SampleFirm::isInUse(folder.path()), c.sampleAfter);
        EXPECT_EQ(SampleFirm::hasFirm(folder.path()), c.sampleAfter);
        EXPECT_EQ(assistant, c.addresses == 0 ? QStringLiteral("Die eigene Firma einrichten") : QString());
        Startup::finish();
    }
}

// "Datei › Datensicherung …": a checked copy under a new name, the status
// bar's reminder until then, and a refusal to overwrite.
TEST_F(StartupTest, TheBackupFromTheFileMenu)
{
    TestDb db(true);
    ProgramFolder::setDirForTests(db.folder());
    giveNoteTypes(db.folder());
    Tfmain *main = Startup::start(RegisterBusinessWindows, db.path());
    ASSERT_NE(main, nullptr);
    const auto reminder = [main] {
        auto *panel = main->StatusBar1->findChild<QLabel *>(QStringLiteral("BackupReminderPanel"));
        return panel ? panel->text() : QString();
    };
    EXPECT_TRUE(reminder().startsWith(QStringLiteral("Noch keine Datensicherung")));
    QAction *entry = BackupMenu::action(*main);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QStringLiteral("&Datensicherung …"));
    EXPECT_EQ(main->Datei1->actions().indexOf(entry), main->Datei1->actions().indexOf(main->Schlieen1) - 2)
        << "above Schließen";
    ASSERT_TRUE(entry->isEnabled());

    QTemporaryDir target;
    const QString copy = target.filePath(QStringLiteral("sicherung.mdb"));
    dialogs->answerSaveFile(copy).answerMessage(Dialogs::Ok);
    entry->trigger();
    ASSERT_TRUE(dialogs->allAnswered());
    EXPECT_FALSE(dialogs->interactions().first().saveOptions.confirmOverwrite);
    EXPECT_EQ(dialogs->interactions().last().text,
              QStringLiteral("Die Datensicherung ist geschrieben und geprüft:\n") +
                  QDir::toNativeSeparators(copy));
    EXPECT_TRUE(QFileInfo(copy).size() > 0);
    EXPECT_EQ(reminder(), QString()) << "no reminder after a backup today";
    EXPECT_EQ(main->StatusBar1->findChild<QProgressBar *>(QStringLiteral("BackupProgress")), nullptr);

    dialogs->clear();
    dialogs->answerSaveFile(copy).answerMessage(Dialogs::Ok);
    entry->trigger();
    EXPECT_EQ(dialogs->interactions().last().icon, Dialogs::Warning);
    EXPECT_TRUE(dialogs->interactions().last().text.contains(QStringLiteral("besteht bereits")));
}

// After "Abbrechen" at the first start the windows make the database: "Neue
// Datenbank …" creates and opens it, "Datenbank öffnen …" opens another, a
// file of another program is refused with one message; the title names the
// database in use.
TEST_F(StartupTest, TheDatabaseIsMadeOrOpenedFromTheWindows)
{
    QTemporaryDir folder;
    ProgramFolder::setDirForTests(folder.path());
    giveNoteTypes(folder.path());
    dialogs->answerMessage(Dialogs::Cancel).answerMessage(Dialogs::Ok);
    Tfmain *main = Startup::start(RegisterBusinessWindows, QString());
    ASSERT_NE(main, nullptr);
    ASSERT_FALSE(dataa->Datenbank.Connected());
    auto *neu = main->Datei1->findChild<QAction *>(QStringLiteral("NeueDatenbank1"));
    auto *open = main->Datei1->findChild<QAction *>(QStringLiteral("DatenbankOeffnen1"));
    ASSERT_TRUE(neu && open);

    const QString own = folder.filePath(QStringLiteral("daten/tavirel.mdb"));
    dialogs->clear();
    dialogs->answerSaveFile(own).answerMessage(Dialogs::No).answerExec([](QDialog &d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Die eigene Firma einrichten"));
        return int(QDialog::Rejected);
    });
    neu->trigger();
    EXPECT_TRUE(dialogs->allAnswered()) << dialogs->messages().join(u'\n').toStdString();
    EXPECT_EQ(dialogs->interactions().first().saveOptions.fileName, own)
        << "the program's own database first";
    EXPECT_TRUE(dataa->Datenbank.Connected());
    EXPECT_TRUE(Data->vorgang.Active());
    EXPECT_TRUE(main->windowTitle().startsWith(QStringLiteral("Tavirels-Verwaltung – ") +
                                               QDir::toNativeSeparators(own)))
        << main->windowTitle().toStdString();
    EXPECT_NE(main->FAdr.data(), nullptr) << "the address window opens on it";

    // A file of another program: one message, the database in use stays.
    const QString foreign = folder.filePath(QStringLiteral("fremd.sqlite"));
    {
        auto engine = Engine::create();
        engine->open(foreign, true);
        engine->exec(QStringLiteral("create table notizen (text)"));
    }
    dialogs->clear();
    dialogs->answerOpenFile(foreign).answerMessage(Dialogs::Ok);
    open->trigger();
    ASSERT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(
        dialogs->messages().first().contains(QStringLiteral("ist keine Datenbank der Tavirelsverwaltung")));

    // Another database of the program, also for the next start.
    TestDb other(true, TestDb::Kind::File);
    dialogs->clear();
    dialogs->answerOpenFile(other.path()).answerMessage(Dialogs::Yes);
    open->trigger();
    EXPECT_TRUE(dialogs->allAnswered()) << dialogs->messages().join(u'\n').toStdString();
    EXPECT_TRUE(dataa->Datenbank.Connected());
    EXPECT_FALSE(dataa->Adress.IsEmpty()) << "the sample data of the other file";
    EXPECT_EQ(IniFile(ProgramFolder::iniPath())
                  .readString(QStringLiteral("DATENBANK"), QStringLiteral("Verbindung")),
              QFileInfo(other.path()).absoluteFilePath());
    EXPECT_EQ(ProgramFolder::databasePath(), QFileInfo(other.path()).absoluteFilePath());
}
