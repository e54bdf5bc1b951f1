// SPDX-License-Identifier: GPL-3.0-or-later
#include "databasemenu.h"

#include "backupmenu.h"
#include "tfeinstellungen.h"
#include "tfmain.h"

#include "base/apperror.h"
#include "data/engine.h"
#include "data/programfolder.h"
#include "data/samplefirm.h"
#include "data/schema.h"
#include "data/settings.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "widgets/dialogs.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>

namespace DatabaseMenu {

namespace {

const QString kCaption = QStringLiteral("Datenbank");

QString openLocation()
{
    return dataa && dataa->Datenbank.Connected() ? dataa->Datenbank.engine().path() : QString();
}

QAction *entry(Tfmain &main, const char *name, const QString &caption, const QString &tip,
               void (*run)(Tfmain &))
{
    auto *a = main.Datei1->findChild<QAction *>(QString::fromLatin1(name));
    if (a) return a;
    a = new QAction(caption, main.Datei1);
    a->setObjectName(QString::fromLatin1(name));
    a->setStatusTip(tip);
    main.Datei1->insertAction(main.Schlieen1, a);
    QObject::connect(a, &QAction::triggered, &main, [&main, run] { run(main); });
    return a;
}

Dialogs::SaveFileOptions fileOptions(const QString &caption, const QString &proposal)
{
    Dialogs::SaveFileOptions o;
    o.caption = caption;
    o.defaultSuffix = QStringLiteral("mdb");
    o.filter = QStringLiteral("Datenbankdateien (*.mdb);;Alle Dateien (*)");
    o.fileName = proposal;
    o.directory = QFileInfo(proposal).absolutePath();
    return o;
}

// The program's own database file, where it would lie.
QString ownFile()
{
    try {
        const QString own = ProgramFolder::databasePath();
        if (!Engine::isServerLocation(own)) return own;
    } catch (const AppError &) {
    }
    return QDir(ProgramFolder::dataDir()).filePath(QStringLiteral("daten/tavirel.mdb"));
}

// On request the file opened is also the one of the next start.
void offerAsDefault(Tfmain &main, const QString &path)
{
    if (QFileInfo(path).absoluteFilePath() == QFileInfo(ownFile()).absoluteFilePath()) return;
    if (Dialogs::instance().message(&main, kCaption,
                                    QStringLiteral("Soll %1 auch beim nächsten Start geöffnet werden?")
                                        .arg(QDir::toNativeSeparators(path)),
                                    Dialogs::Question, Dialogs::Yes | Dialogs::No,
                                    Dialogs::No) != Dialogs::Yes)
        return;
    try {
        IniFile(ProgramFolder::iniPath())
            .writeString(QStringLiteral("DATENBANK"), QStringLiteral("Verbindung"),
                         QFileInfo(path).absoluteFilePath());
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), &main);
    }
}

} // namespace

void install(Tfmain &main)
{
    entry(main, "NeueDatenbank1", QStringLiteral("&Neue Datenbank …"),
          QStringLiteral("Legt eine neue Datenbankdatei an und öffnet sie"), createNew);
    if (!main.Datei1->findChild<QAction *>(QStringLiteral("DatenbankOeffnen1"))) {
        entry(main, "DatenbankOeffnen1", QStringLiteral("Datenbank ö&ffnen …"),
              QStringLiteral("Öffnet eine andere Datenbankdatei"), openOther);
        main.Datei1->insertSeparator(main.Schlieen1);
    }
    showTitle(main);
}

QString shownLocation()
{
    const QString location = openLocation();
    return location.isEmpty() ? QStringLiteral("keine Datenbank geöffnet") : Engine::shownLocation(location);
}

void showTitle(Tfmain &main)
{
    main.setWindowTitle(QStringLiteral("Tavirels-Verwaltung – %1").arg(shownLocation()));
}

bool switchTo(Tfmain &main, const QString &location)
{
    // The business windows work on the shared datasets: they go first, each
    // with its own question about what is not saved.
    main.ClientArea->closeAllSubWindows();
    if (!main.childWindows().isEmpty()) return false;
    QString error;
    try {
        if (!dataa || !Data) throw AppError(QStringLiteral("Die Datenmodule sind nicht geladen"));
        const QString foreign = Schema::notOurs(location);
        if (!foreign.isEmpty()) throw AppError(foreign);
        dataa->DataModuleCreate(location);
        Data->DataCreate();
    } catch (const AppError &e) {
        error = e.message();
    }
    showTitle(main);
    BackupMenu::install(main);
    if (!error.isEmpty()) {
        ShowErrorBox(error, &main);
        return false;
    }
    if (main.isRegistered(WindowKind::Adressen)) main.Kontakte1Click();
    return true;
}

void createNew(Tfmain &main)
{
    const QString own = ownFile();
    const QString proposal =
        QFileInfo::exists(own) ? QFileInfo(own).absoluteDir().filePath(QStringLiteral("neu.mdb")) : own;
    const QString path = Dialogs::instance().saveFileName(
        &main, fileOptions(QStringLiteral("Neue Datenbank anlegen"), proposal));
    if (path.isEmpty()) return;
    const Dialogs::Button answer = Dialogs::instance().message(
        &main, kCaption,
        QStringLiteral(
            "Soll die neue Datenbank Beispieldaten erhalten?\n\nJa: mit Beispieldaten (eine Musterfirma "
            "zum Ausprobieren)\nNein: leer, für die eigenen Daten"),
        Dialogs::Question, Dialogs::Yes | Dialogs::No | Dialogs::Cancel, Dialogs::No);
    if (answer == Dialogs::Cancel) return;
    const bool sample = answer == Dialogs::Yes;
    try {
        // The file makes its folder, for its owner only.
        Schema::createDatabaseFile(path, sample);
        // The program's own database brings its firm into the settings.
        if (QFileInfo(path).absoluteFilePath() == QFileInfo(own).absoluteFilePath())
            SampleFirm::prepareSettings(ProgramFolder::dir(), sample);
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), &main);
        return;
    }
    if (!switchTo(main, path)) return;
    offerAsDefault(main, path);
    if (!sample && !SampleFirm::hasFirm(ProgramFolder::dir())) SetupAssistant::run(&main);
}

void openOther(Tfmain &main)
{
    Dialogs::SaveFileOptions options = fileOptions(QStringLiteral("Datenbank öffnen"), ownFile());
    const QString path = Dialogs::instance().openFileName(&main, options);
    if (path.isEmpty()) return;
    if (switchTo(main, path)) offerAsDefault(main, path);
}

} // namespace DatabaseMenu
