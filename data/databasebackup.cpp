// SPDX-License-Identifier: GPL-3.0-or-later
#include "databasebackup.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "engine.h"
#include "settings.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QUrl>
#include <sqlite3.h>

namespace DatabaseBackup {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Closes what it holds however the backup ends.
struct Connections
{
    sqlite3 *source = nullptr;
    sqlite3 *target = nullptr;
    sqlite3_backup *backup = nullptr;
    ~Connections()
    {
        if (backup) sqlite3_backup_finish(backup);
        sqlite3_close_v2(target);
        sqlite3_close_v2(source);
    }
};

QString errorOf(sqlite3 *db, int rc)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

// PRAGMA integrity_check of a finished copy: "ok" or the first problems.
QString integrityOf(const QString &path)
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    QString result;
    sqlite3_stmt *st = nullptr;
    if (rc != SQLITE_OK ||
        sqlite3_prepare_v2(db, "PRAGMA integrity_check(10)", -1, &st, nullptr) != SQLITE_OK) {
        result = errorOf(db, rc);
    } else {
        QStringList lines;
        while (sqlite3_step(st) == SQLITE_ROW)
            lines << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        result = lines.join(QStringLiteral("; "));
    }
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return result;
}

void copyPages(const QString &source, const QString &target, const std::function<void(int, int)> &progress)
{
    Connections c;
    int rc = sqlite3_open_v2(source.toUtf8().constData(), &c.source, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK)
        throw AppError(QStringLiteral("Die Datenbank %1 kann nicht gelesen werden: %2")
                           .arg(shown(source), errorOf(c.source, rc)));
    rc = sqlite3_open_v2(target.toUtf8().constData(), &c.target, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) c.backup = sqlite3_backup_init(c.target, "main", c.source, "main");
    if (!c.backup)
        throw AppError(QStringLiteral("Die Sicherungsdatei %1 kann nicht geschrieben werden: %2")
                           .arg(shown(target), errorOf(c.target, rc)));
    // A few hundred pages at a time, so that other programs may save in
    // between. Each of their saves starts the copy again; after a few such
    // restarts the rest is copied in one step, which holds their next save
    // back for that moment (they wait for a lock for several seconds).
    const int chunk = 256;
    int restarts = 0, lastRemaining = -1;
    QDeadlineTimer patience(60 * 1000);
    for (;;) {
        rc = sqlite3_backup_step(c.backup, restarts >= 3 ? -1 : chunk);
        const int total = sqlite3_backup_pagecount(c.backup);
        const int remaining = sqlite3_backup_remaining(c.backup);
        if (lastRemaining >= 0 && remaining > lastRemaining) ++restarts;
        lastRemaining = remaining;
        if (rc == SQLITE_DONE) {
            if (progress) progress(total, total);
            break;
        }
        if (rc == SQLITE_OK) {
            if (progress) progress(total - remaining, total);
            continue;
        }
        if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && !patience.hasExpired()) {
            // Another program is writing its save into the file right now.
            sqlite3_sleep(20);
            continue;
        }
        throw AppError(
            QStringLiteral("Die Datenbank %1 kann nicht gesichert werden: %2")
                .arg(shown(source),
                     rc == SQLITE_BUSY || rc == SQLITE_LOCKED
                         ? QStringLiteral("sie ist seit einer Minute von einem anderen Programm gesperrt")
                         : errorOf(c.target, rc)));
    }
    rc = sqlite3_backup_finish(c.backup);
    c.backup = nullptr;
    if (rc != SQLITE_OK)
        throw AppError(QStringLiteral("Die Sicherungsdatei %1 kann nicht geschrieben werden: %2")
                           .arg(shown(target), errorOf(c.target, rc)));
}

QString key(const QString &database)
{
    return Engine::isServerLocation(database) ? database.trimmed() : QFileInfo(database).absoluteFilePath();
}

const QString kSection = QStringLiteral("Datensicherung");

} // namespace

void write(const QString &source, const QString &target, const std::function<void(int, int)> &progress)
{
    if (Engine::isServerLocation(source)) throw AppError(serverAdvice(source));
    const QFileInfo to(target);
    if (to.exists() || to.isSymLink())
        throw AppError(
            QStringLiteral("Die Datei %1 besteht bereits; eine Datensicherung überschreibt keine Datei. "
                           "Bitte einen neuen Namen wählen.")
                .arg(shown(to.absoluteFilePath())));
    if (!QFileInfo::exists(source)) throw AppError(QStringLiteral("Cannot find Database:\n") + shown(source));
    if (!to.absoluteDir().exists())
        throw AppError(QStringLiteral("Den Ordner %1 gibt es nicht").arg(shown(to.absolutePath())));

    // Written under a temporary name beside the target and named only when
    // the copy is whole and sound.
    QTemporaryFile part(to.absolutePath() + QStringLiteral("/.") + to.fileName() + QStringLiteral(".XXXXXX"));
    if (!part.open())
        throw AppError(QStringLiteral("Die Sicherungsdatei %1 kann nicht geschrieben werden: %2")
                           .arg(shown(to.absoluteFilePath()), part.errorString()));
    part.close();
    const QString partPath = part.fileName();
    const auto removeJournal = [&] { QFile::remove(partPath + QStringLiteral("-journal")); };
    try {
        copyPages(source, partPath, progress);
    } catch (...) {
        removeJournal();
        throw;
    }
    removeJournal();
    const QString integrity = integrityOf(partPath);
    if (integrity != QLatin1String("ok"))
        throw AppError(QStringLiteral("Die Sicherung von %1 hat die Prüfung nicht bestanden (%2); es wurde "
                                      "keine Sicherungsdatei angelegt. Bitte mit tavirel check-db die "
                                      "Datenbank prüfen.")
                           .arg(shown(source), integrity));
    // rename() never replaces a file that appeared meanwhile.
    if (!QFile::rename(partPath, to.absoluteFilePath()))
        throw AppError(
            QStringLiteral("Die Sicherungsdatei %1 kann nicht angelegt werden (besteht sie inzwischen?)")
                .arg(shown(to.absoluteFilePath())));
    part.setAutoRemove(false);
}

namespace {

// The login a server location names ("postgresql://buero@server/…",
// "user=buero"), or empty.
QString loginOf(const QString &location)
{
    static const QRegularExpression uri(QStringLiteral("^[a-z]+://([^:@/\\s]+)(?::[^@\\s]*)?@"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression keyword(QStringLiteral("(?:^|\\s|[?&])user\\s*=\\s*([^\\s&']+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpression *re : {&uri, &keyword})
        if (const QRegularExpressionMatch m = re->match(location.trimmed()); m.hasMatch())
            return QUrl::fromPercentEncoding(m.captured(1).toUtf8());
    return QString();
}

} // namespace

QString serverAdvice(const QString &location)
{
    // The copyable commands never carry the password (libpq finds it in the
    // password file); the restored tables belong to the workstations' login,
    // else that login could not use them.
    const QString plain = Engine::withoutPassword(location);
    const QString login = loginOf(location);
    return QStringLiteral(
               "Die Datenbank liegt auf einem PostgreSQL-Server (%1); sie wird dort mit pg_dump gesichert, "
               "nicht mit diesem Programm. Es wurde nichts geschrieben.\n"
               "Sichern:       pg_dump --format=custom --file=tavirel-JJJJ-MM-TT.dump '%2'\n"
               "Zurückspielen: in eine neue, leere Datenbank, die %3 gehört:\n"
               "               pg_restore --no-owner --role=%3 --dbname='<leere Datenbank>' "
               "tavirel-JJJJ-MM-TT.dump")
        .arg(Engine::shownLocation(location), plain,
             login.isEmpty() ? QStringLiteral("<Anmeldename der Arbeitsplätze>") : login);
}

void remember(const QString &iniPath, const QString &database, const QDate &day)
{
    IniFile ini(iniPath);
    ini.writeString(kSection, QStringLiteral("Datenbank"), key(database));
    ini.writeString(kSection, QStringLiteral("Zuletzt"), day.toString(Qt::ISODate));
}

QDate last(const QString &iniPath, const QString &database)
{
    const IniFile ini(iniPath);
    if (ini.readString(kSection, QStringLiteral("Datenbank")) != key(database)) return QDate();
    return QDate::fromString(ini.readString(kSection, QStringLiteral("Zuletzt")).trimmed(), Qt::ISODate);
}

QString reminder(const QString &iniPath, const QString &database, const QDate &today)
{
    const QDate day = last(iniPath, database);
    if (!day.isValid()) return QStringLiteral("Noch keine Datensicherung – Datei › Datensicherung …");
    const qint64 days = day.daysTo(today);
    if (days <= 7) return QString();
    return QStringLiteral("Letzte Datensicherung vor %1 Tagen (%2) – Datei › Datensicherung …")
        .arg(days)
        .arg(German::formatDate(day));
}

} // namespace DatabaseBackup
