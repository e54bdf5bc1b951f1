// SPDX-License-Identifier: GPL-3.0-or-later
#include "backupmenu.h"

#include "tfmain.h"

#include "base/apperror.h"
#include "data/databasebackup.h"
#include "data/dates.h"
#include "data/engine.h"
#include "data/programfolder.h"
#include "data/settings.h"
#include "data/tdataa.h"
#include "widgets/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>

namespace BackupMenu {

namespace {

const char *const kAction = "Datensicherung1";
const char *const kReminder = "BackupReminderPanel";
const QString kCaption = QStringLiteral("Datensicherung");

const Engine *openEngine()
{
    return dataa && dataa->Datenbank.Connected() ? &dataa->Datenbank.engine() : nullptr;
}

void showReminder(Tfmain &main)
{
    delete main.StatusBar1->findChild<QLabel *>(QString::fromLatin1(kReminder));
    const Engine *engine = openEngine();
    if (!engine || engine->isServer()) return;
    const QString text = DatabaseBackup::reminder(ProgramFolder::iniPath(), engine->path(), Today());
    if (text.isEmpty()) return;
    auto *panel = new QLabel(text, main.StatusBar1);
    panel->setObjectName(QString::fromLatin1(kReminder));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    main.StatusBar1->addPermanentWidget(panel);
}

QString proposedFile(const QString &database)
{
    const IniFile ini(ProgramFolder::iniPath());
    QString folder = ini.readString(kCaption, QStringLiteral("Ordner"));
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
    return QDir(folder).filePath(
        QStringLiteral("%1-%2.mdb")
            .arg(QFileInfo(database).completeBaseName(), Today().toString(QStringLiteral("yyyy-MM-dd"))));
}

} // namespace

QAction *action(Tfmain &main)
{
    return main.Datei1->findChild<QAction *>(QString::fromLatin1(kAction));
}

void install(Tfmain &main)
{
    QAction *entry = action(main);
    if (!entry) {
        // "S" belongs to "Schließen" in this menu.
        entry = new QAction(QStringLiteral("&Datensicherung …"), main.Datei1);
        entry->setObjectName(QString::fromLatin1(kAction));
        entry->setStatusTip(
            QStringLiteral("Schreibt eine geprüfte Sicherung der Datenbank in eine neue Datei"));
        main.Datei1->insertAction(main.Schlieen1, entry);
        main.Datei1->insertSeparator(main.Schlieen1);
        QObject::connect(entry, &QAction::triggered, &main, [&main] { run(main); });
    }
    entry->setEnabled(openEngine() != nullptr);
    showReminder(main);
}

void run(Tfmain &main)
{
    Dialogs &dialogs = Dialogs::instance();
    const Engine *engine = openEngine();
    if (!engine) return;
    const QString database = engine->path();
    if (engine->isServer()) {
        dialogs.message(&main, kCaption, DatabaseBackup::serverAdvice(database), Dialogs::Information,
                        Dialogs::Ok);
        return;
    }
    Dialogs::SaveFileOptions options;
    options.caption = kCaption;
    options.defaultSuffix = QStringLiteral("mdb");
    options.filter = QStringLiteral("Datenbankdateien (*.mdb);;Alle Dateien (*)");
    options.fileName = proposedFile(database);
    options.directory = QFileInfo(options.fileName).absolutePath();
    options.confirmOverwrite = false; // a backup never overwrites; the refusal says so
    const QString target = dialogs.saveFileName(&main, options);
    if (target.isEmpty()) return;

    auto *bar = new QProgressBar(main.StatusBar1);
    bar->setObjectName(QStringLiteral("BackupProgress"));
    bar->setMaximumWidth(200);
    bar->setFormat(QStringLiteral("Datensicherung %p %"));
    main.StatusBar1->addPermanentWidget(bar);
    bar->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    try {
        DatabaseBackup::write(database, target, [bar](int done, int total) {
            bar->setMaximum(total);
            bar->setValue(done);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    } catch (const AppError &e) {
        error = e.message();
    }
    QApplication::restoreOverrideCursor();
    delete bar;
    if (!error.isEmpty()) {
        dialogs.message(&main, kCaption, error, Dialogs::Warning, Dialogs::Ok);
        return;
    }
    try {
        DatabaseBackup::remember(ProgramFolder::iniPath(), database, Today());
        IniFile(ProgramFolder::iniPath())
            .writeString(kCaption, QStringLiteral("Ordner"), QFileInfo(target).absolutePath());
    } catch (const AppError &e) {
        error = QStringLiteral("\n\nDer Tag der Sicherung ist nicht vermerkt: %1").arg(e.message());
    }
    showReminder(main);
    dialogs.message(&main, kCaption,
                    QStringLiteral("Die Datensicherung ist geschrieben und geprüft:\n%1%2")
                        .arg(QDir::toNativeSeparators(target), error),
                    Dialogs::Information, Dialogs::Ok);
}

} // namespace BackupMenu
