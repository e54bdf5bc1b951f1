// SPDX-License-Identifier: GPL-3.0-or-later
#include "firststart.h"

#include "base/apperror.h"
#include "data/engine.h"
#include "data/programfolder.h"
#include "data/samplefirm.h"
#include "data/schema.h"
#include "widgets/dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace FirstStart {

Made offerDatabase(QWidget *parent, const QString &databasePath)
{
    if (!databasePath.isEmpty()) return Made::Nothing; // a database named by the user is never made up
    QString location;
    try {
        location = ProgramFolder::databasePath();
    } catch (const AppError &) {
        return Made::Nothing; // the connection reports what is wrong with the settings
    }
    if (Engine::isServerLocation(location) || QFileInfo::exists(location)) return Made::Nothing;
    const Dialogs::Button answer = Dialogs::instance().message(
        parent, QStringLiteral("Tavirelsverwaltung"),
        QStringLiteral("Es gibt noch keine Datenbank. Soll sie mit Beispieldaten angelegt werden?\n\n"
                       "Ja: mit Beispieldaten (eine Musterfirma mit Kunden, Artikeln und Vorgängen "
                       "zum Ausprobieren)\n"
                       "Nein: leer, für die eigenen Daten\n"
                       "Abbrechen: keine Datenbank anlegen\n\n"
                       "Die Datenbank wird angelegt als %1")
            .arg(QDir::toNativeSeparators(location)),
        Dialogs::Question, Dialogs::Yes | Dialogs::No | Dialogs::Cancel, Dialogs::Yes);
    if (answer == Dialogs::Cancel) return Made::Nothing;
    const bool sample = answer == Dialogs::Yes;
    Schema::createDatabaseFile(location, sample);
    SampleFirm::prepareSettings(ProgramFolder::dir(), sample);
    return sample ? Made::Sample : Made::Empty;
}

} // namespace FirstStart
