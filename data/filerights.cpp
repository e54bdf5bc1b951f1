// SPDX-License-Identifier: GPL-3.0-or-later
#include "filerights.h"

#include "notices.h"
#include "programfolder.h"

#include "base/apperror.h"
#include "base/safefile.h"

#include <QDir>
#include <QFileInfo>

namespace FileRights {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

namespace {
thread_local int g_leaveAlone = 0;
}

LeaveAlone::LeaveAlone()
{
    ++g_leaveAlone;
}

LeaveAlone::~LeaveAlone()
{
    --g_leaveAlone;
}

void protectDatabase(const QString &path)
{
    if (g_leaveAlone > 0) return;
    const QFileInfo file(path);
    if (!file.isFile()) return;
    QStringList told;
    const QString folder = file.absolutePath();
    const QString own = QFileInfo(ProgramFolder::dataDir() + QStringLiteral("/daten")).absoluteFilePath();
    QStringList folders;
    if (QDir::cleanPath(folder) == QDir::cleanPath(own)) {
        folders << folder;
        // An installed program's data folder ($XDG_DATA_HOME/tavirel) too.
        if (ProgramFolder::isInstalled()) folders << QFileInfo(folder).absolutePath();
    }
    for (const QString &f : std::as_const(folders)) {
        const QString before = SafeFile::modeText(f);
        if (SafeFile::isOpenToOthers(f) && SafeFile::makePrivate(f))
            told << QStringLiteral(
                        "Der Datenordner %1 war für andere Benutzer dieses Rechners offen (Rechte %2); "
                        "er ist jetzt nur noch für den eigenen Benutzer zugänglich (%3).")
                        .arg(shown(f), before, SafeFile::modeText(f));
    }
    for (const QString &suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        const QString f = file.absoluteFilePath() + suffix;
        if (!QFileInfo(f).isFile()) continue;
        const QString before = SafeFile::modeText(f);
        if (SafeFile::isOpenToOthers(f) && SafeFile::makePrivate(f))
            told << QStringLiteral(
                        "Die Datenbank %1 war für andere Benutzer dieses Rechners lesbar (Rechte %2); "
                        "sie ist jetzt nur noch für den eigenen Benutzer zugänglich (%3).")
                        .arg(shown(f), before, SafeFile::modeText(f));
    }
    if (!told.isEmpty()) Notices::tell(told.join(QLatin1Char('\n')));
}

void makeDatabaseFolder(const QString &folder)
{
    if (!SafeFile::makeFolder(folder, SafeFile::Access::Private))
        throw AppError(QStringLiteral("Der Ordner %1 kann nicht angelegt werden").arg(shown(folder)));
}

} // namespace FileRights
