#include "programfolder.h"

#include "apperror.h"
#include "settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ProgramFolder {

namespace {
QString &overrideDir()
{
    static QString dir;
    return dir;
}
} // namespace

QString dir()
{
    if (!overrideDir().isEmpty()) return overrideDir();
    return QDir::fromNativeSeparators(QCoreApplication::applicationDirPath());
}

void setDirForTests(const QString &dir)
{
    overrideDir() = QDir::fromNativeSeparators(dir);
}

QString file(const QString &relative)
{
    QString rel = relative;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString base = dir();
    if (base.endsWith(QLatin1Char('/'))) base.chop(1);
    return base + QLatin1Char('/') + rel;
}

QString iniPath()
{
    if (!overrideDir().isEmpty()) return file(QStringLiteral("tavirel.ini"));
    return file(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                QStringLiteral(".ini"));
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
    return file(QStringLiteral("daten/tavirel.mdb"));
}

} // namespace ProgramFolder
