// SPDX-License-Identifier: GPL-3.0-or-later
#include "programfolder.h"

#include "base/apperror.h"
#include "settings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>

#ifndef TAVIREL_DEFAULTS_FROM_BIN
#define TAVIREL_DEFAULTS_FROM_BIN "../share/tavirel"
#endif

namespace ProgramFolder {

namespace {
QString &overrideDir()
{
    static QString dir;
    return dir;
}

QString below(QString base, const QString &relative)
{
    QString rel = relative;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (base.endsWith(QLatin1Char('/'))) base.chop(1);
    return base + QLatin1Char('/') + rel;
}

QString executableDir()
{
    return QDir::fromNativeSeparators(QCoreApplication::applicationDirPath());
}

QString userFolder(QStandardPaths::StandardLocation where)
{
    return QDir::fromNativeSeparators(QStandardPaths::writableLocation(where)) + QStringLiteral("/tavirel");
}

// The select of the document list belongs to the program, not to the user:
// an update that changes it must reach every user, so it is read from the
// defaults unless a user made a copy of its own.
bool belongsToTheUser(const QString &relative)
{
    return relative != QLatin1String("vliste.sql");
}

QByteArray checksumOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

// The checksums of the files as they were put into the folder from the
// defaults, one "checksum  relative path" a line, as the build keeps them.
const QString kManifest = QStringLiteral(".vorlagen.sha256");

QHash<QString, QByteArray> readManifest(const QString &folder)
{
    QHash<QString, QByteArray> out;
    QFile f(folder + QLatin1Char('/') + kManifest);
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const qsizetype gap = line.indexOf("  ");
        if (gap > 0) out.insert(QString::fromUtf8(line.mid(gap + 2)).trimmed(), line.left(gap));
    }
    return out;
}

void writeManifest(const QString &folder, const QHash<QString, QByteArray> &sums)
{
    QByteArray text;
    QStringList names = sums.keys();
    names.sort();
    for (const QString &name : names)
        text += sums.value(name) + "  " + name.toUtf8() + '\n';
    QSaveFile f(folder + QLatin1Char('/') + kManifest);
    if (f.open(QIODevice::WriteOnly) && f.write(text) == text.size()) f.commit();
}

bool copyDefault(const QString &source, const QString &copy)
{
    QFile::remove(copy);
    if (!QDir().mkpath(QFileInfo(copy).absolutePath()) || !QFile::copy(source, copy)) return false;
    QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOwner | QFile::ReadOwner);
    return true;
}

// Copies every default file the user has no copy of yet, and the new version
// of every file the user never changed (its checksum is still the one it was
// put there with); what the user changed stays. A folder that cannot be
// written leaves the defaults to be read in place.
void fillUserFolder(const QString &defaults, const QString &target)
{
    QHash<QString, QByteArray> sums = readManifest(target);
    const QHash<QString, QByteArray> before = sums;
    QDirIterator it(defaults, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = QDir(defaults).relativeFilePath(source);
        const QString copy = target + QLatin1Char('/') + relative;
        if (!belongsToTheUser(relative)) continue;
        const QByteArray shipped = checksumOf(source);
        if (QFileInfo::exists(copy)) {
            const QByteArray own = checksumOf(copy);
            if (own == shipped) {
                sums.insert(relative, shipped);
                continue;
            }
            // Changed by the user, or put there by a version that kept no checksums: it stays.
            if (!sums.contains(relative) || sums.value(relative) != own) continue;
        }
        if (copyDefault(source, copy)) sums.insert(relative, shipped);
    }
    if (sums != before) writeManifest(target, sums);
}

struct Layout
{
    bool installed = false;
    QString config, data, defaults;
};

const Layout &layout()
{
    static const Layout l = [] {
        Layout r;
        const QDir exe(executableDir());
        const QString defaults = QDir::cleanPath(exe.filePath(QStringLiteral(TAVIREL_DEFAULTS_FROM_BIN)));
        const QString ini =
            QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral(".ini");
        const bool portable = exe.exists(QStringLiteral("daten")) || exe.exists(ini);
        r.installed = !portable && QFileInfo(defaults).isDir();
        if (!r.installed) {
            r.config = r.data = exe.path();
            return r;
        }
        r.defaults = defaults;
        r.config = userFolder(QStandardPaths::GenericConfigLocation);
        r.data = userFolder(QStandardPaths::GenericDataLocation);
        fillUserFolder(r.defaults, r.config);
        return r;
    }();
    return l;
}
} // namespace

QString dir()
{
    if (!overrideDir().isEmpty()) return overrideDir();
    return layout().config;
}

void setDirForTests(const QString &dir)
{
    overrideDir() = QDir::fromNativeSeparators(dir);
}

bool isInstalled()
{
    return overrideDir().isEmpty() && layout().installed;
}

QString dataDir()
{
    return isInstalled() ? layout().data : dir();
}

QString defaultsDir()
{
    return isInstalled() ? layout().defaults : QString();
}

QString file(const QString &relative)
{
    const QString own = below(dir(), relative);
    if (!isInstalled() || QFileInfo::exists(own)) return own;
    const QString delivered = below(layout().defaults, relative);
    return QFileInfo::exists(delivered) ? delivered : own;
}

QString iniPath()
{
    if (!overrideDir().isEmpty() || isInstalled()) return below(dir(), QStringLiteral("tavirel.ini"));
    return below(dir(), QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                            QStringLiteral(".ini"));
}

QStringList changedTemplates()
{
    QStringList out;
    QDirIterator it(QStringLiteral(":/vorlagen"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = QDir(QStringLiteral(":/vorlagen")).relativeFilePath(source);
        if (relative == QLatin1String("tavirel.ini")) continue; // the settings, not a template
        if (checksumOf(below(dir(), relative)) != checksumOf(source)) out << relative;
    }
    out.sort();
    return out;
}

QString restoreTemplate(const QString &relative)
{
    const QString source = QStringLiteral(":/vorlagen/") + relative;
    if (relative == QLatin1String("tavirel.ini") || !QFileInfo::exists(source))
        throw AppError(QStringLiteral("Zu %1 gibt es keine Vorlage des Programms").arg(relative));
    const QString target = below(dir(), relative);
    QString kept;
    if (QFileInfo::exists(target)) {
        kept = target + QStringLiteral(".alt");
        QFile::remove(kept);
        if (!QFile::rename(target, kept))
            throw AppError(
                QStringLiteral("%1 kann nicht beiseitegelegt werden; die Datei bleibt, wie sie ist")
                    .arg(QDir::toNativeSeparators(target)));
    }
    if (!copyDefault(source, target)) {
        if (!kept.isEmpty()) QFile::rename(kept, target);
        throw AppError(
            QStringLiteral("Die Vorlage %1 kann nicht geschrieben werden; die Datei bleibt, wie sie ist")
                .arg(QDir::toNativeSeparators(target)));
    }
    QHash<QString, QByteArray> sums = readManifest(dir());
    sums.insert(relative, checksumOf(target));
    writeManifest(dir(), sums);
    return kept;
}

QString databasePath()
{
    // A firm with several workstations names its database server here; the
    // password is never written into this file (libpq finds it itself). One
    // written there anyway is not used: the user is told where it belongs.
    const IniFile ini(iniPath());
    const QString section = QStringLiteral("DATENBANK");
    for (const char *key : {"Kennwort", "Passwort", "Password"}) {
        if (ini.readString(section, QString::fromLatin1(key)).isEmpty()) continue;
        throw AppError(
            QStringLiteral("In %1 steht im Abschnitt [DATENBANK] ein Kennwort (%2=…). Es wird nicht "
                           "verwendet, denn dort stünde es für jeden lesbar: Bitte entfernen Sie den Eintrag "
                           "und legen Sie das Kennwort in die Kennwortdatei des Benutzers (.pgpass, unter "
                           "Windows %APPDATA%\\postgresql\\pgpass.conf) oder in die Umgebungsvariable "
                           "PGPASSWORD.")
                .arg(QDir::toNativeSeparators(iniPath()), QString::fromLatin1(key)));
    }
    const QString server = ini.readString(section, QStringLiteral("Verbindung")).trimmed();
    if (!server.isEmpty()) return server;
    return below(dataDir(), QStringLiteral("daten/tavirel.mdb"));
}

} // namespace ProgramFolder
