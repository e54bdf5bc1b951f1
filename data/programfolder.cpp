#include "programfolder.h"

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
    // password is never written into this file (libpq finds it itself).
    const QString server =
        IniFile(iniPath()).readString(QStringLiteral("DATENBANK"), QStringLiteral("Verbindung")).trimmed();
    if (!server.isEmpty())
        return server;
    return file(QStringLiteral("daten/tavirel.mdb"));
}

} // namespace ProgramFolder
