// SPDX-License-Identifier: GPL-3.0-or-later
#include "datacommands.h"

#include "base/apperror.h"
#include "data/databasebackup.h"
#include "data/databasecheck.h"
#include "data/dates.h"
#include "data/engine.h"
#include "data/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace DataCommands {

namespace {

void write(std::FILE *stream, const QString &s)
{
    const QByteArray b = s.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stream);
}

QString shown(const QString &location)
{
    return Engine::shownLocation(location);
}

// --db as given (a file from the working directory), else the program's own.
QString databaseOf(const QString &db)
{
    if (db.isEmpty()) return ProgramFolder::databasePath();
    return Engine::isServerLocation(db) ? db.trimmed() : QFileInfo(db).absoluteFilePath();
}

bool usage(const QStringList &positional, int files, const char *call)
{
    if (positional.size() == files && (files == 0 || !positional.first().startsWith(QLatin1String("--"))))
        return true;
    write(stderr, QStringLiteral("Aufruf: %1\n").arg(QString::fromUtf8(call)));
    return false;
}

} // namespace

int where(const QStringList &positional, const QString &db)
{
    if (!usage(positional, 0, "tavirel where [--db PFAD]")) return 2;
    QString database;
    try {
        database = databaseOf(db);
    } catch (const AppError &e) {
        write(stderr, e.message() + QLatin1Char('\n'));
        return 1;
    }
    const auto folder = [](const QString &path) { return QDir::toNativeSeparators(path + QLatin1Char('/')); };
    QString text = QStringLiteral("Programm:       %1\n")
                       .arg(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    text += ProgramFolder::isInstalled()
                ? QStringLiteral("Art:            installiert; Daten und Einstellungen je Benutzer\n")
                : QStringLiteral("Art:            Programmordner; alles liegt beim Programm\n");
    const bool there = Engine::isServerLocation(database) || QFileInfo::exists(database);
    text += QStringLiteral("Datenbank:      %1%2\n")
                .arg(shown(database), there ? QString() : QStringLiteral(" (noch nicht angelegt)"));
    text += QStringLiteral("Einstellungen:  %1\n").arg(QDir::toNativeSeparators(ProgramFolder::iniPath()));
    text += QStringLiteral("Textdateien:    %1\n").arg(folder(ProgramFolder::dir()));
    if (ProgramFolder::isInstalled())
        text += QStringLiteral("Vorlagen:       %1\n").arg(folder(ProgramFolder::defaultsDir()));
    write(stdout, text);
    return 0;
}

int backup(const QStringList &positional, const QString &db)
{
    if (!usage(positional, 1, "tavirel backup <datei> [--db PFAD]")) return 2;
    const QString target = QFileInfo(positional.first()).absoluteFilePath();
    QString database;
    try {
        database = databaseOf(db);
        DatabaseBackup::write(database, target);
    } catch (const AppError &e) {
        write(stderr, e.message() + QLatin1Char('\n'));
        return 1;
    }
    write(
        stdout,
        QStringLiteral("Datensicherung geschrieben und geprüft: %1\n").arg(QDir::toNativeSeparators(target)));
    try {
        DatabaseBackup::remember(ProgramFolder::iniPath(), database, Today());
    } catch (const AppError &e) {
        write(stderr,
              QStringLiteral("Warnung: der Tag der Sicherung ist nicht vermerkt: %1\n").arg(e.message()));
    }
    return 0;
}

int checkDb(const QStringList &positional, const QString &db)
{
    if (!usage(positional, 0, "tavirel check-db [--db PFAD]")) return 2;
    try {
        const QString database = databaseOf(db);
        const QList<DatabaseCheck::Finding> findings = DatabaseCheck::runOn(database);
        write(stdout, DatabaseCheck::report(shown(database), findings));
        return DatabaseCheck::anyFault(findings) ? 1 : 0;
    } catch (const AppError &e) {
        write(stderr, e.message() + QLatin1Char('\n'));
        return 2;
    }
}

} // namespace DataCommands
