#include "programfolder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ProgramFolder {

namespace {
QString &overrideDir()
{
    static QString d;
    return d;
}
} // namespace

QString dir()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    return QCoreApplication::applicationDirPath();
}

void setDirForTests(const QString &d)
{
    overrideDir() = d;
}

QString file(const QString &relative)
{
    return dir() + QLatin1Char('/') + relative;
}

QString iniPath()
{
    if (!overrideDir().isEmpty())
        return file(QStringLiteral("tavirel.ini"));
    return file(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral(".ini"));
}

QString databasePath()
{
    return file(QStringLiteral("daten/tavirel.mdb"));
}

} // namespace ProgramFolder
